// The bitbase explanation: a text file that lists a bitbase file's block index and
// dumps each stored block code by code, for inspecting files and the compressor.
// Started from the command line; the engine never reads the output.
#pragma once

#include <cstdio>
#include <string>

namespace tolvaren {

// Reads <directory>/<name>.abb and writes <directory>/<name>.txt (ISO 8859-1 text).
// A missing or unreadable file, a name that is no material, or a text file that cannot
// be written leave no output at all. A damaged block ends only its own dump; entries
// whose data lies outside the file's blocks are marked "Fehler". Returns 1, with the
// file named on err, when the file is damaged; otherwise 0.
int explainBitbase(const char* materialName, const std::string& directory = ".", std::FILE* err = stderr);

}  // namespace tolvaren
