// Files of the command-line tools: an owning handle and the one way they report a
// file they cannot use, on standard error, before giving up with a failure status.
#pragma once

#include <cstdio>
#include <memory>

namespace tolvaren {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ToolFile = std::unique_ptr<std::FILE, FileCloser>;

// "error <what> file: <name>", e.g. what = "opening".
inline void reportFileError(std::FILE* err, const char* what, const char* name) {
    std::fprintf(err, "error %s file: %s\n", what, name);
    std::fflush(err);
}

}  // namespace tolvaren
