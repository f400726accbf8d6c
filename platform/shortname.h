#pragma once
// File-name rules of the emulated system: 8.3 names, the short names Wine
// makes for long ones, and wildcard masks of a directory listing.
#include <QString>

namespace platform {

// True when `name` is already a legal 8.3 name (it then has no short name of
// its own): at most 8 + 1 + 3 characters, plain ASCII, no leading dot, at most
// one dot, none of the characters a short name cannot hold. Case is free.
bool isLegalShortName(const QString& name);

// The short name Wine gives a long name (a hash of the name, not "~1"), upper
// case. Empty for a name that is already a legal 8.3 name.
QString shortNameOf(const QString& name);

// True when `name` matches `mask` ("*" and "?") as a Windows listing matches
// it: without regard to case, and trailing "*", "?" and "." of the mask may
// match nothing once the name is used up (so "*.*" takes names without a dot).
// A "?" also takes a whole surrogate pair: a character the ANSI code page
// lacks reaches the program as one "?".
bool matchesMask(const QString& mask, const QString& name);

// True when the text holds "*" or "?".
bool hasWildcards(const QString& text);

// Case folding used for name comparison: simple upper case, one code unit
// for one, so a folded name keeps its length.
QString foldName(const QString& name);

}  // namespace platform
