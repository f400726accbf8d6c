#pragma once
// The problem rules: each judges one registry value of its section and adds a
// ProblemRow to lvwErrors() when the value names a file that is not on disk.
//
// Every rule has one shape: (root key, root name, value name, data, section
// name, key path). The data is the rule's own copy.
#include "platform/winfile.h"
#include "platform/wintypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace engine {

// Files and folders.
void ScanActiveXValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                      const QString& sectionName, const QString& keyPath);
void ScanAppPathValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                      const QString& sectionName, const QString& keyPath);
void ScanFontValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                   const QString& sectionName, const QString& keyPath);
void ScanHelpFileValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                       const QString& sectionName, const QString& keyPath);
void ScanSharedFileValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                         const QString& sectionName, const QString& keyPath);
void CheckExpandedPath(HKEY root, const QString& rootName, const QString& valueName, QString data,
                       const QString& sectionName, const QString& keyPath);
bool IsOnFixedDrive(const QString& path);

// Command lines.
void ScanUninstallValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                        const QString& sectionName, const QString& keyPath);
void ScanCommandLineValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                          const QString& sectionName, const QString& keyPath);
void ScanQuietUninstallValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                             const QString& sectionName, const QString& keyPath);
void ScanInstallPathValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                          const QString& sectionName, const QString& keyPath);
void ScanHistoryPathValue(HKEY root, const QString& rootName, const QString& valueName, QString data,
                          const QString& sectionName, const QString& keyPath);
void CheckFullCommandPath(HKEY root, const QString& rootName, const QString& valueName, QString data,
                          const QString& sectionName, const QString& keyPath);
void CheckBareCommandFile(HKEY root, const QString& rootName, const QString& valueName, QString data,
                          const QString& sectionName, const QString& keyPath);

// What the rules ask of the machine. By default the real helpers answer;
// tests put a fake file system in their place.
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
// nullptr: back to the real helpers. The environment must outlive its use.
void setRuleEnvironment(const RuleEnvironment* environment);

}  // namespace engine
