#pragma once
// The problem rules: each judges one registry value of its section and adds a
// ProblemRow to the context's list when the value names a file that is not
// on disk.
//
// Every rule has one shape: (context, root key, root name, value name, data,
// section name, key path). The data is the rule's own copy.
#include "engine/scancontext.h"
#include "platform/winfile.h"
#include "platform/wintypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace engine {

// Files and folders.
void ScanActiveXValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                      QString data, const QString& sectionName, const QString& keyPath);
void ScanAppPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                      QString data, const QString& sectionName, const QString& keyPath);
void ScanFontValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName, QString data,
                   const QString& sectionName, const QString& keyPath);
void ScanHelpFileValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                       QString data, const QString& sectionName, const QString& keyPath);
void ScanSharedFileValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                         QString data, const QString& sectionName, const QString& keyPath);
void CheckExpandedPath(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                       QString data, const QString& sectionName, const QString& keyPath);
bool IsOnFixedDrive(const ScanContext& ctx, const QString& path);

// Command lines.
void ScanUninstallValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                        QString data, const QString& sectionName, const QString& keyPath);
void ScanCommandLineValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath);
void ScanQuietUninstallValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                             QString data, const QString& sectionName, const QString& keyPath);
void ScanInstallPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath);
void ScanHistoryPathValue(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath);
void CheckFullCommandPath(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath);
void CheckBareCommandFile(const ScanContext& ctx, HKEY root, const QString& rootName, const QString& valueName,
                          QString data, const QString& sectionName, const QString& keyPath);

// What the rules ask of the machine. By default the real helpers answer;
// tests hand a fake file system in the scan's context.
struct RuleEnvironment {
    std::function<bool(const QString&)> fileExists;
    std::function<QString()> systemDir;
    std::function<QString()> windowsDir;
    std::function<QString()> programFilesDir;
    std::function<QString()> commonFilesDir;
    std::function<std::vector<platform::DriveInfo>()> drives;
    // An environment variable of the prefix by name, empty when unknown.
    std::function<QString(const QString&)> environmentVariable;
    // Folders (Windows paths) where Wine finds fonts besides the Windows
    // Fonts folder; unset: none.
    std::function<QStringList()> wineFontFolders;
};
// The real helpers' answers: what a context without an environment asks.
const RuleEnvironment& machineRuleEnvironment();

}  // namespace engine
