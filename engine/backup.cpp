#include "engine/backup.h"

#include "engine/registryaccess.h"
#include "engine/services.h"
#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/atomicfile.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winfile.h"
#include "platform/winreg.h"



namespace engine {

namespace {

constexpr int kShift = 10;
const QString kDefaultValueName = QStringLiteral("(Default)");

QString shiftText(const QString& text, int shift, const MessagePump& pump)
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
        runPump(pump);
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

// `name` is the value's own name here: empty for the unnamed value.
bool writeExactly(HKEY root, const QString& keyPath, const QString& name, const RegistryValueData& value)
{
    if (root == 0)
        return false;
    const platform::RegKey key = platform::RegKey::create(root, keyPath, KEY_SET_VALUE);
    if (!key.ok())
        return false;
    return RegSetValueExA(key.handle(), platform::toAnsi(name).constData(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.bytes.constData()),
                          static_cast<DWORD>(value.bytes.size()))
        == ERROR_SUCCESS;
}

// Whether a value stands in the registry again with data other than the
// record's: writing the record would lose it.
bool heldByOtherData(HKEY root, const QString& keyPath, const QString& name, const RegistryValueData& value)
{
    if (root == 0)
        return false;
    const platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_QUERY_VALUE);
    if (!key.ok())
        return false;
    const platform::RegValue now = platform::readRegValue(key.handle(), name);
    if (!now.ok())
        return false;
    if (name.isEmpty() && IsEmptiedUnnamedValue(kDefaultValueName, RegistryValueData{now.type, now.data}))
        return false;
    return now.type != value.type || now.data != value.bytes
        || !platform::RegValueSurvivesAnsi(key.handle(), platform::toAnsi(name).constData());
}

enum class Written { Restored, Occupied, Failed };

// Whether a value already holds the text an older record gives back, as the
// writer below would store it: a string of that text, or for a bare name of
// digits the number it stands for.
bool holdsLookedForText(const platform::RegValue& now, const QString& text, bool bare)
{
    if (now.type == REG_SZ)
        return platform::regText(now.data, platform::RegNul::TerminatingNul) == (bare ? trimBlanks(text) : text);
    if (bare && now.type == REG_DWORD) {
        const std::optional<qint32> number = platform::regDword(now.data);
        return number && QString::number(*number) == trimBlanks(text);
    }
    return false;
}

// A record from a file without the seventh field: the path that was looked
// for goes back, or only its bare file name for a "Yes" record, into a
// value of the record's very name. Such a record does not hold the value's
// data, so a value that stands there again with other data is left as it is.
Written writeLookedForPath(HKEY root, const BackupRecord& record)
{
    const bool bare = record.bareFlag.toUpper().trimmed() == QLatin1String("YES");
    QString data = record.lookedFor;
    if (bare) {
        const qsizetype slash = data.lastIndexOf(QLatin1Char('\\'));
        data = slash >= 0 ? data.mid(slash + 1) : data.trimmed();
    }
    if (root != 0) {
        const platform::RegKey key = platform::RegKey::open(root, record.keyPath, KEY_QUERY_VALUE);
        const platform::RegValue now =
            key.ok() ? platform::readRegValue(key.handle(), record.valueName) : platform::RegValue{};
        if (now.ok())
            return holdsLookedForText(now, data, bare) ? Written::Restored : Written::Occupied;
    }
    const LONG rc = bare ? WriteRegistryValue(root, record.keyPath, record.valueName, data)
                         : SetRegistryValue(root, record.keyPath, record.valueName, data, REG_SZ);
    return rc == ERROR_SUCCESS ? Written::Restored : Written::Failed;
}

// Lines end at CR or CR LF. Empty lines restore nothing and are not kept,
// so a file of bare line ends costs no list entry per line. `lastEnded`
// tells whether the last line has its line end: the writer ends every
// record, so one without was cut short.
QList<QByteArray> splitLines(const QByteArray& bytes, bool& lastEnded)
{
    lastEnded = bytes.isEmpty() || bytes.endsWith('\r') || bytes.endsWith("\r\n");
    return StoredTextLines(bytes);
}

}  // namespace

QString EncodeText(QString text, const MessagePump& pump)
{
    return shiftText(text, kShift, pump);
}

QString DecodeText(QString text, const MessagePump& pump)
{
    return shiftText(text, 256 - kShift, pump);
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

namespace {

// Bytes written as pairs of hex digits, in either case.
bool isHexBytes(const QString& text)
{
    if (text.size() % 2 != 0)
        return false;
    for (const QChar c : text) {
        const bool digit = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!digit)
            return false;
    }
    return true;
}

}  // namespace

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
    if (!isHexBytes(hex))
        return std::nullopt;
    bool ok = false;
    const qulonglong type = typeText.toULongLong(&ok);
    if (!ok || type > 0xFFFFFFFFull)
        return std::nullopt;
    return RegistryValueData{static_cast<DWORD>(type), QByteArray::fromHex(hex.toLatin1())};
}

QString EncodeNameField(const QString& valueName)
{
    return QString::fromLatin1(platform::toAnsi(valueName).toHex());
}

std::optional<QString> DecodeNameField(const QString& field)
{
    if (!isHexBytes(field))
        return std::nullopt;
    return platform::fromAnsi(QByteArray::fromHex(field.toLatin1()));
}

QString BackupRecordLine(const ProblemRow& row, const std::optional<RegistryValueData>& value,
                         const std::optional<QString>& valueName)
{
    QStringList fields{QStringLiteral("R"), row.mainkeyname, row.FullKeyPath, row.KeyValue, row.KeyName,
                       row.DefaultOrNot};
    for (const QString& f : fields) {
        if (!fieldFits(f))
            return {};
    }
    if (value) {
        fields << EncodeValueField(*value);
        // Only a value the fifth field does not name gets its name written.
        const QString named = row.KeyName == kDefaultValueName ? QString() : row.KeyName;
        if (valueName && *valueName != named)
            fields << EncodeNameField(*valueName);
    }
    return fields.join(QLatin1Char('^'));
}

QString BuildBackupRecord(HKEY root, const ProblemRow& row)
{
    if (!ValueFitsBackup(root, row.FullKeyPath, row.KeyName))
        return {};
    return BackupRecordLine(row, ReadValueForBackup(root, row.FullKeyPath, row.KeyName));
}

std::optional<BackupRecord> ParseBackupLine(const QString& plainLine)
{
    const QStringList fields = plainLine.split(QLatin1Char('^'));
    if (fields.size() < 6 || fields.size() > 8)
        return std::nullopt;
    BackupRecord record{fields[1], fields[2], fields[3], fields[4], fields[5], std::nullopt, std::nullopt};
    if (fields.size() >= 7) {
        record.value = DecodeValueField(fields[6]);
        if (!record.value)
            return std::nullopt;
    }
    if (fields.size() == 8) {
        // The unnamed value needs no eighth field, so the writer never
        // leaves it empty.
        if (fields[7].isEmpty())
            return std::nullopt;
        record.ownName = DecodeNameField(fields[7]);
        if (!record.ownName)
            return std::nullopt;
    }
    return record;
}

bool AppendBackupRecord(const QString& backupFilePath, const QString& recordLine, const MessagePump& pump)
{
    if (recordLine.isEmpty())
        return false;
    const QString onDisk = linuxPathForWrite(backupFilePath);
    return !onDisk.isEmpty() && platform::appendSyncedRecord(onDisk, [&recordLine, &pump] {
        return platform::toAnsi(EncodeText(recordLine, pump)) + "\r\n";
    });
}

qint64 BackupFileSize(const QString& backupFilePath)
{
    return platform::regularFileSize(linuxPathForWrite(backupFilePath));
}

bool CutBackupFile(const QString& backupFilePath, qint64 size)
{
    return platform::cutFileBack(linuxPathForWrite(backupFilePath), size);
}

RestoreResult RestoreBackupFile(const QString& path, const MessagePump& pump)
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

    bool lastEnded = true;
    const QList<QByteArray> lines = splitLines(bytes, lastEnded);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& raw = lines[i];
        if (raw.isEmpty())
            continue;
        const bool cutShort = i + 1 == lines.size() && !lastEnded;
        const std::optional<BackupRecord> record =
            cutShort ? std::nullopt : ParseBackupLine(DecodeText(platform::fromAnsi(raw), pump));
        if (!record) {
            ++result.failed;
            runPump(pump);
            continue;
        }
        const HKEY root = rootFromName(record->rootName);
        if (record->value) {
            // The value's own name: the eighth field's when there is one,
            // else the fifth, where "(Default)" is the unnamed value.
            const QString name = record->ownName ? *record->ownName
                                                 : record->valueName == kDefaultValueName ? QString()
                                                                                          : record->valueName;
            if (heldByOtherData(root, record->keyPath, name, *record->value))
                ++result.occupied;
            else if (writeExactly(root, record->keyPath, name, *record->value))
                ++result.restored;
            else
                ++result.failed;
        } else {
            switch (writeLookedForPath(root, *record)) {
            case Written::Restored:
                ++result.restored;
                break;
            case Written::Occupied:
                ++result.occupied;
                break;
            case Written::Failed:
                ++result.failed;
                break;
            }
        }
        runPump(pump);
    }
    return result;
}

}  // namespace engine
