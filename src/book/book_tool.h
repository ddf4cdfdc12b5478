// The "--book" command-line tool: builds opening books outside the engine. It keeps
// the learned statistics in the work file "Buchberechnung.bin" (the previous state in
// "Buchberechnung.bin.bak"), imports games and positions into it and writes books.
#pragma once

#include <cstdio>

namespace tolvaren {

constexpr const char* BookWorkFile = "Buchberechnung.bin";

// argv[1] is "--book". Returns 0 on success, 1 when a file fails, and -1 (after
// "Parameter error" on err) when the arguments are wrong.
int runBookTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace tolvaren
