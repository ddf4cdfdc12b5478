#include "book/book_path.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

#ifndef TOLVAREN_DATADIR
#define TOLVAREN_DATADIR "/usr/local/share/tolvaren"
#endif

namespace tolvaren {

namespace {

bool readable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// The folder of the running executable, with a trailing "/"; empty when unknown.
std::string executableFolder() {
    std::vector<char> path(4096);
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return {};
    std::string text(path.data(), static_cast<size_t>(n));
    const size_t slash = text.rfind('/');
    return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

}  // namespace

std::string resolveBookFile(std::string_view name) {
    std::string given(name);
    if (given.empty() || given.front() == '/' || readable(given)) return given;
    const std::string folder = executableFolder();
    // Beside the executable (a build folder), then its installed tree's data folder,
    // which also finds the book in a tree staged with DESTDIR, then the configured one.
    std::vector<std::string> candidates;
    if (!folder.empty()) {
        candidates.push_back(folder + given);
        candidates.push_back(folder + "../share/tolvaren/" + given);
    }
    candidates.push_back(std::string(TOLVAREN_DATADIR) + "/" + given);
    for (const std::string& c : candidates)
        if (readable(c)) return c;
    return given;
}

}  // namespace tolvaren
