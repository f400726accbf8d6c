#include "platform/settings.h"

#include "platform/atomicfile.h"
#include "platform/ownfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString settingKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

std::optional<double> textToNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        const qlonglong v = t.mid(2).toLongLong(&ok, 16);
        d = static_cast<double>(v);
    } else {
        d = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

// QSettings opens and replaces its file by itself: it would wait on a
// named pipe and write its new file over whatever a link leads to, a
// device included. So it only ever sees a private copy of the store's
// bytes, read and written back here.
class StoreCopy {
public:
    explicit StoreCopy(const QByteArray& bytes)
    {
        if (!m_dir.isValid())
            return;
        m_path = m_dir.filePath(QStringLiteral("store.ini"));
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return;
        file.close();
        m_settings.emplace(m_path, QSettings::IniFormat);
    }
    bool ok() const { return m_settings.has_value() && m_settings->status() == QSettings::NoError; }
    QSettings& settings() { return *m_settings; }
    // The copy's bytes after the changes made through settings().
    bool written(QByteArray* bytes)
    {
        m_settings->sync();
        return m_settings->status() == QSettings::NoError && readOwnFile(m_path, bytes).ok();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::optional<QSettings> m_settings;
};

// The values of the store's bytes, parsed once for as long as the bytes
// stay the same: the load reads many keys one after the other. Null when
// they cannot be parsed.
const QHash<QString, QVariant>* parsedStore(const QByteArray& bytes)
{
    static std::optional<std::pair<QByteArray, QHash<QString, QVariant>>> cache;
    if (!cache || cache->first != bytes) {
        cache.reset();
        StoreCopy copy(bytes);
        if (!copy.ok())
            return nullptr;
        QHash<QString, QVariant> values;
        for (const QString& key : copy.settings().allKeys())
            values.insert(key, copy.settings().value(key));
        cache.emplace(bytes, std::move(values));
    }
    return &cache->second;
}

// Puts `bytes` in the place of the store at `path` (a regular file, a link
// to one, or nothing yet): a new file beside the real one, flushed, then
// renamed over it, so a failure leaves the old store. Nothing is written
// when the store turns out not to be a regular file by then.
void replaceStore(const QString& path, const QByteArray& bytes)
{
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink())
        target = info.canonicalFilePath();  // empty when the link leads nowhere
    if (target.isEmpty())
        return;
    const QString dir = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(dir))
        return;
    const QByteArray targetName = QFile::encodeName(target);
    mode_t mode = 0;
    struct stat st;
    if (::lstat(targetName.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return;
        mode = st.st_mode & 07777;
    } else if (errno == ENOENT) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    } else {
        return;
    }
    QByteArray tmp = QFile::encodeName(dir + QStringLiteral("/.velmora-settings-%1-XXXXXX").arg(qint64(::getpid())));
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.constData(), bytes.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // Checked once more just before: never rename over anything but a
    // regular file.
    if (ok)
        ok = ::lstat(targetName.constData(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT;
    if (!ok || ::rename(tmp.constData(), targetName.constData()) != 0)
        ::unlink(tmp.constData());
}

}  // namespace

QString settingsFilePath(const QString& appName)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + appName
        + QStringLiteral(".ini");
}

QString GetSetting(const QString& appName, const QString& section, const QString& key, const QString& defaultValue)
{
    QByteArray bytes;
    if (!readOwnFile(settingsFilePath(appName), &bytes).ok())
        return defaultValue;
    const QHash<QString, QVariant>* values = parsedStore(bytes);
    if (!values)
        return defaultValue;
    const QVariant v = values->value(settingKey(section, key));
    if (!v.isValid())
        return defaultValue;
    return v.toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value)
{
    const QString path = settingsFilePath(appName);
    QByteArray bytes;
    const OwnFileRead read = readOwnFile(path, &bytes);
    if (read.outcome == OwnFileRead::Refused)
        return;  // no regular file: neither read through nor replaced
    // Saving the text a key already holds changes nothing.
    const QHash<QString, QVariant>* values = parsedStore(bytes);
    const QVariant held = values ? values->value(settingKey(section, key)) : QVariant();
    if (held.typeId() == QMetaType::QString && held.toString() == value)
        return;
    StoreCopy copy(bytes);
    if (!copy.ok())
        return;
    copy.settings().setValue(settingKey(section, key), value);
    QByteArray changed;
    if (!copy.written(&changed) || (read.ok() && changed == bytes))
        return;
    replaceStore(path, changed);
}

std::optional<short> textToInteger(const QString& text)
{
    const auto d = textToNumber(text);
    if (!d)
        return std::nullopt;
    const double r = std::nearbyint(*d);  // default rounding mode: half to even
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<short>(r);
}

std::optional<bool> textToBoolean(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto d = textToNumber(t);
    if (!d)
        return std::nullopt;
    return *d != 0.0;
}

}  // namespace platform
