#include "engine/environment.h"

#include "engine/pathhelpers.h"
#include "engine/trim.h"
#include "platform/regkey.h"
#include "platform/winfile.h"

#include <QHash>
#include <QSet>

namespace engine {

namespace {

EnvironmentStats g_stats;

const QString kMachineEnvironment = QStringLiteral("System\\CurrentControlSet\\Control\\Session Manager\\Environment");
const QString kUserEnvironment = QStringLiteral("Environment");
const QString kVolatileEnvironment = QStringLiteral("Volatile Environment");
const QString kCurrentVersion = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
const QString kProfileList = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");

// Variables may name others (%SystemRoot%\temp); a chain deeper than this,
// or a text longer than an environment block holds, is left as it stands.
constexpr int kMaxNesting = 8;
constexpr qsizetype kMaxLength = 32767;

// A string value as stored, up to its first NUL; empty when it cannot be read.
QString readString(HKEY root, const QString& keyPath, const QString& name)
{
    const platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_QUERY_VALUE);
    if (!key.ok())
        return {};
    return platform::readRegString(key.handle(), name, platform::RegNul::FirstNul).value_or(QString());
}

QString folderValue(const QString& keyPath, const char* name)
{
    return trimBlanks(readString(HKEY_LOCAL_MACHINE, keyPath, QLatin1String(name)));
}

// What Wine sets for every process from its own folders, over anything the
// Environment keys hold. Empty for the other names, or when the registry
// lacks the folder.
QString wineValue(const QString& upper)
{
    if (upper == QLatin1String("SYSTEMROOT"))
        return GetWindowsDir();
    if (upper == QLatin1String("SYSTEMDRIVE"))
        return GetWindowsDir().left(2);
    if (upper == QLatin1String("PROGRAMDATA") || upper == QLatin1String("ALLUSERSPROFILE"))
        return folderValue(kProfileList, "ProgramData");
    if (upper == QLatin1String("PUBLIC"))
        return folderValue(kProfileList, "Public");
    if (upper == QLatin1String("PROGRAMFILES"))
        return folderValue(kCurrentVersion, "ProgramFilesDir");
    if (upper == QLatin1String("PROGRAMFILES(X86)"))
        return folderValue(kCurrentVersion, "ProgramFilesDir (x86)");
    if (upper == QLatin1String("COMMONPROGRAMFILES"))
        return folderValue(kCurrentVersion, "CommonFilesDir");
    if (upper == QLatin1String("COMMONPROGRAMFILES(X86)"))
        return folderValue(kCurrentVersion, "CommonFilesDir (x86)");
    // The 64-bit folders: named on their own, or else, in a prefix that
    // has 32-bit folders beside them, the plain ones.
    if (upper == QLatin1String("PROGRAMW6432")) {
        const QString own = folderValue(kCurrentVersion, "ProgramW6432Dir");
        if (!own.isEmpty() || folderValue(kCurrentVersion, "ProgramFilesDir (x86)").isEmpty())
            return own;
        return folderValue(kCurrentVersion, "ProgramFilesDir");
    }
    if (upper == QLatin1String("COMMONPROGRAMW6432")) {
        const QString own = folderValue(kCurrentVersion, "CommonW6432Dir");
        if (!own.isEmpty() || folderValue(kCurrentVersion, "CommonFilesDir (x86)").isEmpty())
            return own;
        return folderValue(kCurrentVersion, "CommonFilesDir");
    }
    return {};
}

// The variable as the registry holds it, before its %NAME% parts are expanded.
QString storedValue(const QString& name, const QString& upper)
{
    if (QString wine = wineValue(upper); !wine.isEmpty())
        return wine;
    if (upper == QLatin1String("PATH")) {
        // The user's PATH is added to the machine's, not put in its place.
        const QString machine = readString(HKEY_LOCAL_MACHINE, kMachineEnvironment, name);
        const QString user = readString(HKEY_CURRENT_USER, kUserEnvironment, name);
        return user.isEmpty() ? machine : machine.isEmpty() ? user : machine + QLatin1Char(';') + user;
    }
    // Wine writes the volatile environment anew for each session and lets
    // it win over the user's own values.
    QString value = readString(HKEY_CURRENT_USER, kVolatileEnvironment, name);
    if (value.isEmpty())
        value = readString(HKEY_CURRENT_USER, kUserEnvironment, name);
    if (value.isEmpty())
        value = readString(HKEY_LOCAL_MACHINE, kMachineEnvironment, name);
    if (value.isEmpty() && upper == QLatin1String("WINDIR"))
        value = GetWindowsDir();
    return value;
}

// Works variables out once per call, or once per scope when `memo` outlives
// the call.
class Expander {
public:
    explicit Expander(QHash<QString, QString>& memo) : m_memo(memo) {}

    QString variable(const QString& name)
    {
        const QString upper = name.toUpper();
        if (const auto it = m_memo.constFind(upper); it != m_memo.cend())
            return *it;
        // A variable that names itself (PATH=%PATH%;...) or a chain too deep:
        // that part is not expanded.
        if (m_open.contains(upper) || m_open.size() >= kMaxNesting)
            return {};
        ++g_stats.variablesWorkedOut;
        m_open.insert(upper);
        const QString value = expand(storedValue(name, upper));
        m_open.remove(upper);
        m_memo.insert(upper, value);
        return value;
    }

private:
    QString expand(const QString& text)
    {
        return ExpandPercentNames(text, [this](const QString& name) { return variable(name); });
    }

    QHash<QString, QString>& m_memo;
    QSet<QString> m_open;
};

}  // namespace

QString ExpandPercentNames(const QString& text, const std::function<QString(const QString&)>& lookup)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            out += QStringView(text).mid(i);
            break;
        }
        const QString name = text.mid(open + 1, close - open - 1);
        const QString value = name.isEmpty() ? QString() : lookup(name);
        if (value.isEmpty() || out.size() + value.size() > kMaxLength) {
            out += QStringView(text).mid(i, close - i);
            i = close;
        } else {
            out += QStringView(text).mid(i, open - i);
            out += value;
            i = close + 1;
        }
    }
    return out;
}

QString PrefixEnvironmentVariable(const QString& name)
{
    // Kept while the scan's lookup scope lives: nothing in the registry
    // changes meanwhile. Outside one, nothing is kept, so a change is seen.
    static quint64 keptFor = 0;
    static QHash<QString, QString> kept;
    const quint64 generation = platform::lookupScopeGeneration();
    if (generation == 0) {
        QHash<QString, QString> once;
        return Expander(once).variable(name);
    }
    if (generation != keptFor) {
        kept.clear();
        keptFor = generation;
    }
    return Expander(kept).variable(name);
}

EnvironmentStats& environmentStats()
{
    return g_stats;
}

}  // namespace engine
