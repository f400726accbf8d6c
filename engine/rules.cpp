#include "engine/rules.h"

#include "engine/environment.h"
#include "engine/pathhelpers.h"
#include "engine/problemlist.h"
#include "engine/scancontext.h"
#include "engine/trim.h"

namespace engine {

const RuleEnvironment& machineRuleEnvironment()
{
    static const RuleEnvironment real{
        [](const QString& path) { return FileExists(path); },
        [] { return GetSystemDir(); },
        [] { return GetWindowsDir(); },
        [] { return GetProgramFilesDir(); },
        [] { return GetCommonFilesDir(); },
        [] { return platform::drives(); },
        [](const QString& name) { return PrefixEnvironmentVariable(name); },
        [] { return platform::wineFontFolders(); },
    };
    return real;
}

namespace {

const QLatin1String kDefaultName("(Default)");

bool holds(const QString& text, const char* what)
{
    return text.contains(QLatin1String(what));
}

bool holdsNoCase(const QString& text, const char* what)
{
    return text.contains(QLatin1String(what), Qt::CaseInsensitive);
}

QString keyNameOf(const QString& valueName)
{
    return trimBlanks(valueName).isEmpty() ? QString(kDefaultName) : valueName;
}

QString systemFolderPrefix(const ScanContext& ctx)
{
    return AddBackslash(ctx.env().systemDir());
}

// The data from its drive letter on (from the start when ":\" opens it).
QString fromDriveLetter(const QString& text, qsizetype colon)
{
    return text.mid(colon > 0 ? colon - 1 : 0);
}

// "Cut three past the dot at d": the first d + 3 characters, counted from 1.
QString cutThreePastDot(const QString& text, qsizetype dot)
{
    return text.left(dot + 4);
}

bool expandedNamesExistingFile(const ScanContext& ctx, const QString& text);

// `named` is the text of the value that names the file (before a folder was
// put in front of a bare name).
void addRow(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& keyName, const QString& keyValue,
            const QString& sectionName, const QString& keyPath, bool yes, const QString& named)
{
    if (expandedNamesExistingFile(ctx, named))
        return;
    ProblemRow row;
    row.MainKey = QString::number(static_cast<qint32>(root));
    row.KeyName = keyName;
    row.KeyValue = keyValue;
    row.RegistryScanners = sectionName;
    row.FullKeyPath = keyPath;
    row.mainkeyname = rootName;
    if (yes)
        row.DefaultOrNot = QStringLiteral("Yes");
    ctx.problems.add(row);
}

bool missing(const ScanContext& ctx, const QString& path)
{
    return !ctx.env().fileExists(path);
}

// A bare name that is not in the system folder: Windows searches the Windows
// folder too before it gives up on such a name, so a name found there is not
// missing.
bool bareNameMissing(const ScanContext& ctx, const QString& systemPath, const QString& bareName)
{
    if (!missing(ctx, systemPath))
        return false;
    const QString windows = ctx.env().windowsDir();
    if (!trimBlanks(windows).isEmpty() && !missing(ctx, AddBackslash(windows) + bareName))
        return false;
    // Programs and libraries named bare are also searched along the PATH.
    if (!ctx.env().environmentVariable)
        return true;
    const QStringList folders = ctx.env().environmentVariable(QStringLiteral("PATH")).split(QLatin1Char(';'));
    for (const QString& folder : folders) {
        const QString dir = TrimQuotesAndBlanks(folder);
        // Only absolute folders: a relative one depends on a current folder
        // we do not know, and an unexpanded one names nothing.
        if (!holds(dir, ":\\") || dir.contains(QLatin1Char('%')))
            continue;
        if (!missing(ctx, AddBackslash(dir) + bareName))
            return false;
    }
    return true;
}

// A command text whose program path holds a blank or a dotted folder is cut
// in the wrong place by the text rules ("C:\My.Apps\un.exe -u"). Before such
// a path is called missing, every prefix of the command that ends before a
// blank is looked for too: when one names an existing file, the command does
// name a file on disk and nothing is reported.
bool commandNamesExistingFile(const ScanContext& ctx, const QString& command, const QString& alreadyLookedFor)
{
    const QString text = TrimQuotesAndBlanks(command);
    auto exists = [&ctx, &alreadyLookedFor](const QString& candidate) {
        return candidate != alreadyLookedFor && holds(candidate, ":\\") && !missing(ctx, candidate);
    };
    if (exists(text))
        return true;
    for (qsizetype i = text.indexOf(QLatin1Char(' ')); i >= 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
        if (exists(TrimQuotesAndBlanks(text.left(i))))
            return true;
    }
    return false;
}

// A class's ProgID keys hold programmatic names such as "WMPlayer.OCX",
// never file names, however they end.
bool namesAProgId(const QString& keyPath)
{
    const QString last = keyPath.mid(keyPath.lastIndexOf(QLatin1Char('\\')) + 1);
    return last.compare(QLatin1String("ProgID"), Qt::CaseInsensitive) == 0
        || last.compare(QLatin1String("VersionIndependentProgID"), Qt::CaseInsensitive) == 0;
}

// %NAME% parts replaced by the prefix's environment, as Windows expands them:
// an unknown name stays as it stands.
QString expandEnvironment(const ScanContext& ctx, const QString& text)
{
    if (!ctx.env().environmentVariable)
        return text;
    return ExpandPercentNames(text, ctx.env().environmentVariable);
}

// A value whose data names its file through an environment variable the
// program that reads it expands (a plain string in a Run key, say) is not
// missing when the expanded text names an existing file.
bool expandedNamesExistingFile(const ScanContext& ctx, const QString& text)
{
    if (!text.contains(QLatin1Char('%')))
        return false;
    const QString expanded = expandEnvironment(ctx, text);
    return expanded != text && commandNamesExistingFile(ctx, expanded, QString());
}

bool commandPathMissing(const ScanContext& ctx, const QString& path, const QString& command)
{
    return missing(ctx, path) && !commandNamesExistingFile(ctx, command, path);
}

// A path is looked for as it stands and reported as it stands.
void reportIfMissing(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                     const QString& path, const QString& sectionName, const QString& keyPath)
{
    if (missing(ctx, path))
        addRow(ctx, root, rootName, keyNameOf(valueName), path, sectionName, keyPath, false, path);
}

// A bare name is looked for in the system folder (and where Windows searches
// after it) and reported under the system folder, marked Yes.
void reportIfBareNameMissing(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                             const QString& bareName, const QString& sectionName, const QString& keyPath)
{
    const QString full = systemFolderPrefix(ctx) + bareName;
    if (bareNameMissing(ctx, full, bareName))
        addRow(ctx, root, rootName, keyNameOf(valueName), full, sectionName, keyPath, true, bareName);
}

}  // namespace

// ---- Files and folders ----------------------------------------------------

void ScanActiveXValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                      QString data, const QString& sectionName, const QString& keyPath)
{
    if (trimBlanks(data).isEmpty())
        return;
    if (namesAProgId(keyPath))
        return;
    data = TrimQuotesAndBlanks(data);
    if (!data.contains(QLatin1Char('.')))
        return;
    const QString ext = trimBlanks(GetFileExtension(data)).toUpper();
    if (ext != QLatin1String("OCX") && ext != QLatin1String("AX") && ext != QLatin1String("EXE")
        && ext != QLatin1String("DLL"))
        return;
    if (holdsNoCase(data, "%Systemroot%") || holdsNoCase(data, "%Sysroot%") || holdsNoCase(data, "%ProgramFiles%")
        || holdsNoCase(data, "%commonprogramfiles%")) {
        CheckExpandedPath(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    if (data.contains(QLatin1Char('\\'))) {
        if (IsOnFixedDrive(ctx, data))
            reportIfMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    if (data.indexOf(QLatin1Char('.')) == 0)
        return;
    reportIfBareNameMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
}

void ScanAppPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                      QString data, const QString& sectionName, const QString& keyPath)
{
    if (trimBlanks(data).isEmpty())
        return;
    data = TrimQuotesAndBlanks(data);
    const QString ext = trimBlanks(GetFileExtension(data)).toUpper();
    if (ext != QLatin1String("EXE") && ext != QLatin1String("DLL") && ext != QLatin1String("OCX"))
        return;
    if (holdsNoCase(data, "%Systemroot%") || holdsNoCase(data, "%ProgramFiles%")
        || holdsNoCase(data, "%commonprogramfiles%")) {
        CheckExpandedPath(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    if (data.contains(QLatin1Char('\\')))
        reportIfMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
    else
        reportIfBareNameMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
}

void ScanFontValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName, QString data,
                   const QString& sectionName, const QString& keyPath)
{
    if (data.isEmpty())
        return;
    if (data.contains(QLatin1Char('\\'))) {
        reportIfMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    const QString full = AddBackslash(ctx.env().windowsDir()) + QLatin1String("Fonts") + QLatin1Char('\\') + data;
    if (!missing(ctx, full))
        return;
    // Wine serves the fonts it ships (coure.fon, ...) from its own folder and
    // names them bare: they are not missing.
    if (ctx.env().wineFontFolders) {
        for (const QString& folder : ctx.env().wineFontFolders()) {
            if (!missing(ctx, AddBackslash(folder) + data))
                return;
        }
    }
    addRow(ctx, root, rootName, keyNameOf(valueName), full, sectionName, keyPath, false, data);
}

void ScanHelpFileValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                       QString data, const QString& sectionName, const QString& keyPath)
{
    if (data.isEmpty())
        return;
    const QString path =
        data.endsWith(QLatin1Char('\\')) ? data + valueName : AddBackslash(data) + valueName;
    if (path.contains(QLatin1Char('\\')))
        reportIfMissing(ctx, root, rootName, valueName, path, sectionName, keyPath);
    else
        reportIfBareNameMissing(ctx, root, rootName, valueName, path, sectionName, keyPath);
}

void ScanSharedFileValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                         QString data, const QString& sectionName, const QString& keyPath)
{
    if (trimBlanks(data).isEmpty())
        return;
    if (!data.contains(QLatin1Char('.')))
        return;
    if (data.contains(QLatin1Char('\\'))) {
        const qsizetype colon = data.indexOf(QLatin1String(":\\"));
        if (colon < 0)
            return;
        data = fromDriveLetter(data, colon);
        if (GetFileExtension(data).size() == 3)
            reportIfMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    if (data.contains(QLatin1Char('*')))
        return;
    if (GetFileExtension(data).size() == 3)
        reportIfBareNameMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
}

void CheckExpandedPath(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                       QString data, const QString& sectionName, const QString& keyPath)
{
    QString path;
    QString keyName = keyNameOf(valueName);
    if (holdsNoCase(data, "%Systemroot%")) {
        path = ctx.env().windowsDir() + StripRootPlaceholder(data);
        keyName = valueName.isEmpty() ? QString(kDefaultName) : valueName;
    } else if (holdsNoCase(data, "%ProgramFiles%")) {
        path = ctx.env().programFilesDir() + StripRootPlaceholder(data);
        keyName = valueName.isEmpty() ? QString(kDefaultName) : valueName;
    } else if (const qsizetype at = data.indexOf(QLatin1String("%Sysroot%"), 0, Qt::CaseInsensitive);
               at >= 0 && !holdsNoCase(data, "%commonprogramfiles%")) {
        // "%Sysroot%" (Active X only): read as the Windows folder, the root
        // it abbreviates, rather than as the Common Files folder itself.
        path = ctx.env().windowsDir() + data.mid(at + 9);
    } else {
        path = ctx.env().commonFilesDir() + StripCommonFilesPlaceholder(data);
    }
    if (missing(ctx, path))
        addRow(ctx, root, rootName, keyName, path, sectionName, keyPath, false, path);
}

bool IsOnFixedDrive(const ScanContext& ctx, const QString& path)
{
    const QString letter = trimBlanks(path.left(1)).toUpper();
    for (const platform::DriveInfo& drive : ctx.env().drives()) {
        const int type = static_cast<int>(drive.type);
        if (type >= 0 && type <= 5 && QString(drive.letter).trimmed().toUpper() == letter)
            return drive.type == platform::DriveType::Fixed;
        ctx.DoEvents();
    }
    return false;
}

// ---- Command lines --------------------------------------------------------

void ScanUninstallValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                        QString data, const QString& sectionName, const QString& keyPath)
{
    const QString name = valueName.toUpper();
    if (name == QLatin1String("UNINSTALLSTRING") || name == QLatin1String("UNINSTALLPATH"))
        ScanCommandLineValue(ctx, root, rootName, valueName, std::move(data), sectionName, keyPath);
    else if (name == QLatin1String("QUIETUNINSTALLSTRING"))
        ScanQuietUninstallValue(ctx, root, rootName, valueName, std::move(data), sectionName, keyPath);
    else if (name == QLatin1String("INSTALLSOURCE") || name == QLatin1String("MODIFYPATH")
             || name == QLatin1String("DISPLAYICON"))
        ScanInstallPathValue(ctx, root, rootName, valueName, std::move(data), sectionName, keyPath);
}

void ScanCommandLineValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath)
{
    if (trimBlanks(data).isEmpty())
        return;
    data = TrimQuotesAndBlanks(data);
    const qsizetype p = data.indexOf(QLatin1Char('.'));
    if (p < 0)
        return;
    const qsizetype b = data.indexOf(QLatin1Char('\\'), p + 1);
    if (b >= 0) {
        if (data.indexOf(QLatin1Char('.'), b + 1) >= 0)
            CheckFullCommandPath(ctx, root, rootName, valueName, data, sectionName, keyPath);
        return;
    }
    QString e = CutAtSwitches(data);
    const qsizetype dash = e.indexOf(QLatin1Char('-'));
    if (dash >= 0 && e.indexOf(QLatin1Char('\\'), dash + 1) < 0)
        e = e.left(dash);
    e = TrimQuotesAndBlanks(e);
    const QString command = e;
    const qsizetype blank = e.indexOf(QLatin1Char(' '));
    if (blank >= 0 && e.indexOf(QLatin1Char('\\'), blank + 1) < 0)
        e = e.mid(blank + 1);
    const qsizetype dot = e.indexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? trimBlanks(e.mid(dot + 1)) : QString();
    if (extension.size() != 3)
        return;
    if (!holds(e, ":\\")) {
        const QString full = systemFolderPrefix(ctx) + e;
        if (bareNameMissing(ctx, full, e) && !commandNamesExistingFile(ctx, command, full))
            addRow(ctx, root, rootName, keyNameOf(valueName), full, sectionName, keyPath, true, command);
        return;
    }
    if (commandPathMissing(ctx, e, command))
        addRow(ctx, root, rootName, keyNameOf(valueName), e, sectionName, keyPath, false, command);
}

void CheckFullCommandPath(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath)
{
    const qsizetype p1 = data.indexOf(QLatin1String(":\\"));
    if (p1 < 0)
        return;
    const qsizetype p2 = data.indexOf(QLatin1String(":\\"), p1 + 1);
    if (p2 < 0) {
        // One drive path: looked for whole after the switch cut.
        const QString path = CutAtSwitches(fromDriveLetter(data, p1));
        if (commandPathMissing(ctx, path, path))
            addRow(ctx, root, rootName, keyNameOf(valueName), path, sectionName, keyPath, false, path);
        return;
    }
    // Two drive paths (a program and its argument file), each on its own.
    const qsizetype start1 = p1 > 0 ? p1 - 1 : 0;
    const QStringList pieces{data.mid(start1, (p2 - 1) - start1), data.mid(p2 - 1)};
    for (const QString& piece : pieces) {
        const QString cut = CutAtSwitches(piece);
        QString path = cut;
        const qsizetype d = path.indexOf(QLatin1Char('.'));
        if (d >= 0 && TrimQuotesAndBlanks(path.mid(d + 1)).size() != 3)
            path = cutThreePastDot(path, d);
        if (commandPathMissing(ctx, path, cut))
            addRow(ctx, root, rootName, keyNameOf(valueName), path, sectionName, keyPath, false, path);
    }
}

void ScanQuietUninstallValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                             QString data, const QString& sectionName, const QString& keyPath)
{
    const qsizetype d1 = data.indexOf(QLatin1Char('.'));
    if (d1 < 0)
        return;
    const QString a = cutThreePastDot(data, d1);
    if (!holds(a, ":\\"))
        CheckBareCommandFile(ctx, root, rootName, valueName, a, sectionName, keyPath);
    const qsizetype d2 = data.indexOf(QLatin1Char('.'), d1 + 1);
    qsizetype s = -1;
    if (d2 >= 0) {
        const QString b = cutThreePastDot(data, d2);
        s = b.indexOf(QLatin1Char(' '));
        QString w;
        if (s >= 0)
            w = b.indexOf(QLatin1Char('\\'), s + 1) < 0 ? TrimQuotesAndBlanks(b.mid(s + 1)) : TrimQuotesAndBlanks(b);
        if (!w.contains(QLatin1Char('\\')))
            CheckBareCommandFile(ctx, root, rootName, valueName, w, sectionName, keyPath);
    }
    const qsizetype k = d2 >= 0 ? s : d1;
    if (k >= 0) {
        const qsizetype backslash = data.indexOf(QLatin1Char('\\'), k + 1);
        if (backslash >= 0 && data.indexOf(QLatin1Char('.'), backslash + 1) >= 0)
            CheckFullCommandPath(ctx, root, rootName, valueName, data, sectionName, keyPath);
    }
}

void CheckBareCommandFile(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath)
{
    const qsizetype d = data.indexOf(QLatin1Char('.'));
    if (d < 0 || data.size() - d - 1 != 3)
        return;
    const qsizetype blank = data.indexOf(QLatin1Char(' '));
    if (blank >= 0)
        data = data.mid(blank + 1);
    const QString full = ctx.env().systemDir() + QLatin1Char('\\') + data;
    if (bareNameMissing(ctx, full, data))
        addRow(ctx, root, rootName, keyNameOf(valueName), full, sectionName, keyPath, true, data);
}

void ScanInstallPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath)
{
    if (data.isEmpty())
        return;
    data = TrimQuotesAndBlanks(data);
    if (!data.contains(QLatin1Char('.')))
        return;
    if (data.contains(QLatin1Char('\\'))) {
        const qsizetype colon = data.indexOf(QLatin1String(":\\"));
        if (colon < 0)
            return;
        data = CutAtSwitches(fromDriveLetter(data, colon));
        if (commandPathMissing(ctx, data, data))
            addRow(ctx, root, rootName, keyNameOf(valueName), data, sectionName, keyPath, false, data);
        return;
    }
    if (holds(data, ":/"))
        return;
    reportIfBareNameMissing(ctx, root, rootName, valueName, CutAtSwitches(data), sectionName, keyPath);
}

void ScanHistoryPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath)
{
    if (trimBlanks(data).isEmpty() || !data.contains(QLatin1Char('.')))
        return;
    if (data.contains(QLatin1Char('\\'))) {
        const qsizetype colon = data.indexOf(QLatin1String(":\\"));
        if (colon < 0)
            return;
        data = fromDriveLetter(data, colon);
        if (commandPathMissing(ctx, data, data))
            addRow(ctx, root, rootName, keyNameOf(valueName), data, sectionName, keyPath, false, data);
        return;
    }
    reportIfBareNameMissing(ctx, root, rootName, valueName, data, sectionName, keyPath);
}

}  // namespace engine
