#pragma once
// Prefixes the scan benchmarks work on: a copy of a prefix's registry whose
// scanned keys and values are N times as many, or a plain copy. Either way
// the copy's drives are links to the original's, which is only read.
#include <QString>

namespace bench {

// Writes into `to` (an existing folder) the registry files of `from` with
// `scale` times the keys and values the sections scan. False, with `error`
// set, when a file cannot be read or written.
bool buildScaledPrefix(const QString& from, const QString& to, int scale, QString& error);

// The registry files and drive links of `from`, copied into `to`.
bool copyPrefix(const QString& from, const QString& to, QString& error);

}  // namespace bench
