#include "engine/backup.h"

#include "engine/registryaccess.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winfile.h"
#include "platform/winreg.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <fcntl.h>
#include <unistd.h>

namespace engine {

namespace {

constexpr int kShift = 10;
const QString kDefaultValueName = QStringLiteral("(Default)");

QString shiftText(const QString& text, int shift)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        // A character outside the code page is one '?', a surrogate pair too.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        const int code = platform::unicodeToAnsi(ch.unicode());
        out += QChar(platform::ansiToUnicode(static_cast<unsigned char>((code + shift) & 0xFF)));
        DoEvents();
    }
    return out;
}

HKEY rootFromName(const QString& field)
{
    static const struct {
        const char* name;
        HKEY handle;
    } roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},     {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_USERS", HKEY_USERS},
    };
    const QString name = field.toUpper().trimmed();
    for (const auto& r : roots) {
        if (name == QLatin1String(r.name))
            return r.handle;
    }
    return 0;
}

// A field the scrambled line can carry unchanged: no separator, and nothing
// that scrambles into a line end or a NUL.
bool fieldFits(const QString& field)
{
    for (const QChar ch : field) {
        if (ch == QLatin1Char('^') || ch.unicode() == 0 || ch.unicode() == 3)
            return false;
    }
    return true;
}

bool writeExactly(HKEY root, const QString& keyPath, const QString& valueName, const RegistryValueData& value)
{
    if (root == 0)
        return false;
    const platform::RegKey key = platform::RegKey::create(root, keyPath, KEY_SET_VALUE);
    if (!key.ok())
        return false;
    const QString name = valueName == kDefaultValueName ? QString() : valueName;
    return RegSetValueExA(key.handle(), platform::toAnsi(name).constData(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.bytes.constData()),
                          static_cast<DWORD>(value.bytes.size()))
        == ERROR_SUCCESS;
}

// Whether a value stands in the registry again with data other than the
// record's: writing the record would lose it.
bool heldByOtherData(HKEY root, const QString& keyPath, const QString& valueName, const RegistryValueData& value)
{
    if (root == 0)
        return false;
    const std::optional<RegistryValueData> now = ReadValueForBackup(root, keyPath, valueName);
    if (!now || IsEmptiedUnnamedValue(valueName, *now))
        return false;
    return *now != value || !ValueFitsBackup(root, keyPath, valueName);
}

// A record from a file without the seventh field: the path that was looked
// for goes back, or only its bare file name for a "Yes" record. True when
// the value was written.
bool writeLookedForPath(HKEY root, const QStringList& fields)
{
    const QString& keyPath = fields[2];
    const QString& path = fields[3];
    const QString& valueName = fields[4];
    if (fields[5].toUpper().trimmed() == QLatin1String("YES")) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
        const QString data = slash >= 0 ? path.mid(slash + 1) : path.trimmed();
        return WriteRegistryValue(root, keyPath, valueName, data) == ERROR_SUCCESS;
    }
    return SetRegistryValue(root, keyPath, valueName, path, REG_SZ) == ERROR_SUCCESS;
}

// Lines end at CR or CR LF. Empty lines restore nothing and are not kept,
// so a file of bare line ends costs no list entry per line.
QList<QByteArray> splitLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] != '\r')
            continue;
        if (i > start)
            lines << bytes.mid(start, i - start);
        if (i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << bytes.mid(start);
    return lines;
}

}  // namespace

QString EncodeText(QString text)
{
    return shiftText(text, kShift);
}

QString DecodeText(QString text)
{
    return shiftText(text, 256 - kShift);
}

QString BackupFileName(const QDateTime& when)
{
    // One fixed long-date form, so that names never hold characters a file
    // name or the ANSI code page cannot carry, whatever the locale.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Backup") + english.toString(when.date(), QStringLiteral("dddd, MMMM d, yyyy"))
        + QStringLiteral(" --- ") + when.time().toString(QStringLiteral("HH-mm-ss"));
}

QString NewBackupFilePath()
{
    return platform::programFolder() + QStringLiteral("\\Restore\\") + BackupFileName(platform::currentDateTime());
}

std::optional<RegistryValueData> ReadValueForBackup(HKEY root, const QString& keyPath, const QString& valueName)
{
    const platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_QUERY_VALUE);
    if (!key.ok())
        return std::nullopt;
    const platform::RegValue value =
        platform::readRegValue(key.handle(), valueName == kDefaultValueName ? QString() : valueName);
    if (!value.ok())
        return std::nullopt;
    return RegistryValueData{value.type, value.data};
}

bool IsEmptiedUnnamedValue(const QString& valueName, const RegistryValueData& value)
{
    return valueName == kDefaultValueName && value.type == REG_SZ
        && (value.bytes.isEmpty() || value.bytes == QByteArray(1, '\0'));
}

bool ValueFitsBackup(HKEY root, const QString& keyPath, const QString& valueName)
{
    const platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_QUERY_VALUE);
    const QString name = valueName == kDefaultValueName ? QString() : valueName;
    return key.ok() && platform::RegValueSurvivesAnsi(key.handle(), platform::toAnsi(name).constData());
}

QString EncodeValueField(const RegistryValueData& value)
{
    return QString::number(value.type) + QLatin1Char(':') + QString::fromLatin1(value.bytes.toHex());
}

std::optional<RegistryValueData> DecodeValueField(const QString& field)
{
    const qsizetype colon = field.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 10)
        return std::nullopt;
    const QString typeText = field.left(colon);
    const QString hex = field.mid(colon + 1);
    for (const QChar c : typeText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    if (hex.size() % 2 != 0)
        return std::nullopt;
    for (const QChar c : hex) {
        const bool digit = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!digit)
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong type = typeText.toULongLong(&ok);
    if (!ok || type > 0xFFFFFFFFull)
        return std::nullopt;
    return RegistryValueData{static_cast<DWORD>(type), QByteArray::fromHex(hex.toLatin1())};
}

QString BackupRecordLine(const ProblemRow& row, const std::optional<RegistryValueData>& value)
{
    QStringList fields{QStringLiteral("R"), row.mainkeyname, row.FullKeyPath, row.KeyValue, row.KeyName,
                       row.DefaultOrNot};
    for (const QString& f : fields) {
        if (!fieldFits(f))
            return {};
    }
    if (value)
        fields << EncodeValueField(*value);
    return fields.join(QLatin1Char('^'));
}

QString BuildBackupRecord(HKEY root, const ProblemRow& row)
{
    if (!ValueFitsBackup(root, row.FullKeyPath, row.KeyName))
        return {};
    return BackupRecordLine(row, ReadValueForBackup(root, row.FullKeyPath, row.KeyName));
}

bool AppendBackupRecord(const QString& backupFilePath, const QString& recordLine)
{
    if (recordLine.isEmpty())
        return false;
    const QString onDisk = linuxPathForWrite(backupFilePath);
    if (onDisk.isEmpty())
        return false;
    QFile file(onDisk);
    const bool created = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = platform::toAnsi(EncodeText(recordLine)) + "\r\n";
    bool ok = file.write(line) == line.size() && file.flush();
    // The record must be on disk before the value it saves is deleted, and
    // so must the name of a file it has just created.
    ok = ok && ::fsync(file.handle()) == 0;
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    // Some file systems cannot sync a folder; as the registry's own save,
    // that is not taken for a failed write.
    if (ok && created) {
        const int dir = ::open(QFile::encodeName(QFileInfo(onDisk).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return ok;
}

RestoreResult RestoreBackupFile(const QString& path)
{
    RestoreResult result;
    QByteArray bytes;
    const platform::OwnFileRead read = platform::readOwnFile(platform::toLinuxPath(path), &bytes);
    if (!read.ok()) {
        result.whyUnreadable = read.outcome == platform::OwnFileRead::Missing ? QStringLiteral("it is not there")
                                                                              : read.reason;
        return result;
    }
    result.readable = true;

    for (const QByteArray& raw : splitLines(bytes)) {
        if (raw.isEmpty())
            continue;
        const QStringList fields = DecodeText(platform::fromAnsi(raw)).split(QLatin1Char('^'));
        if (fields.size() < 6) {
            ++result.failed;
            DoEvents();
            continue;
        }
        const HKEY root = rootFromName(fields[1]);
        const std::optional<RegistryValueData> value =
            fields.size() == 7 ? DecodeValueField(fields[6]) : std::nullopt;
        if (value) {
            if (heldByOtherData(root, fields[2], fields[4], *value))
                ++result.occupied;
            else if (writeExactly(root, fields[2], fields[4], *value))
                ++result.restored;
            else
                ++result.failed;
        } else if (writeLookedForPath(root, fields)) {
            ++result.restored;
        } else {
            ++result.failed;
        }
        DoEvents();
    }
    return result;
}

}  // namespace engine
