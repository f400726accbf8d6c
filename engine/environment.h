#pragma once
// The environment variables a program started in the prefix sees, worked out
// from the prefix's registry as Wine does it.
#include <QString>

#include <functional>

namespace engine {

// The variable `name` (any case), its own %NAME% parts expanded; empty when
// unknown. Wine sets a few itself, whatever the Environment keys say:
// SystemRoot and SystemDrive from the Windows folder; ProgramData,
// ALLUSERSPROFILE and PUBLIC from the ProfileList key; ProgramFiles,
// ProgramFiles(x86), ProgramW6432, CommonProgramFiles,
// CommonProgramFiles(x86) and CommonProgramW6432 from the folders of
// Windows\CurrentVersion. Every other one comes from the user's volatile
// environment, else the user's Environment key, else the machine's; PATH
// is the machine's followed by the user's. A variable that names itself
// keeps that part as it stands.
//
// While a platform::LookupCacheScope lives (a scan), each variable is worked
// out once and kept; without one, every call reads the registry afresh.
QString PrefixEnvironmentVariable(const QString& name);

// `text` with its %NAME% parts replaced by lookup(name), as Windows expands
// them: a name without a value stays as it stands, and so does one whose
// value would make the text longer than an environment block holds.
QString ExpandPercentNames(const QString& text, const std::function<QString(const QString&)>& lookup);

// How many variables have been worked out from the registry (for the bench
// and tests; reset by assigning {}).
struct EnvironmentStats {
    long long variablesWorkedOut = 0;
};
EnvironmentStats& environmentStats();

}  // namespace engine
