#include "board/data_path.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#ifndef TOLVAREN_DATADIR
#define TOLVAREN_DATADIR "/usr/local/share/tolvaren"
#endif

namespace tolvaren {

namespace fs = std::filesystem;

namespace {

bool readable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// The folder of the running executable; empty when unknown.
fs::path executableFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : exe.parent_path();
}

// "a/b/." and "bin/../share" are shown and compared in their plain form.
std::string joined(const fs::path& folder, std::string_view name) {
    std::string text = (folder / fs::path(name)).lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace

std::vector<std::string> dataCandidates(std::string_view name, std::string_view installedFolder) {
    std::vector<std::string> candidates{std::string(name)};
    if (name.empty() || name.front() == '/') return candidates;
    const fs::path exe = executableFolder();
    if (!exe.empty()) {
        candidates.push_back(joined(exe, name));
        candidates.push_back(joined(exe / "../share/tolvaren" / installedFolder, name));
    }
    candidates.push_back(joined(fs::path(TOLVAREN_DATADIR) / installedFolder, name));
    return candidates;
}

std::string resolveDataFile(std::string_view name) {
    for (const std::string& c : dataCandidates(name))
        if (readable(c)) return c;
    return std::string(name);
}

std::string resolveDataFolders(std::string_view list, std::string_view installedFolder) {
    std::string result;
    std::set<std::string> seen;  // real folders already listed
    const auto add = [&result](const std::string& folder) {
        if (!result.empty()) result += ':';
        result += folder;
    };
    for (std::size_t start = 0;;) {
        const std::size_t colon = list.find(':', start);
        const std::string_view entry =
            list.substr(start, colon == std::string_view::npos ? colon : colon - start);
        bool any = false;
        for (const std::string& c : dataCandidates(entry, installedFolder)) {
            std::error_code error;
            if (!fs::is_directory(c, error)) continue;
            const std::string real = fs::canonical(c, error).string();
            if (error || !seen.insert(real).second) {
                any = any || !error;
                continue;
            }
            add(c);
            any = true;
        }
        if (!any) add(std::string(entry));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return result;
}

}  // namespace tolvaren
