// Files for tests that check what was written: a private temporary directory removed
// afterwards, the lines of a file, and a stream target whose lines can be read back.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tolvaren::test {

class TempDir {
   public:
    TempDir() {
        char pattern[] = "/tmp/tolvaren-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        if (!path_.empty()) std::filesystem::remove_all(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string path(const std::string& name) const { return path_ + "/" + name; }

   private:
    std::string path_;
};

// Files of a test program live in one directory, removed when the program ends.
inline std::string tempPath(const std::string& name) {
    static TempDir dir;
    return dir.path(name);
}

// Writes `text` to the file `name` of that directory and returns its path.
inline std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::vector<std::string> fileLines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A temporary file for sinks that print; lines() returns the lines written since its last call.
class CapturedFile {
   public:
    CapturedFile() : file_(std::tmpfile()) {}
    ~CapturedFile() { std::fclose(file_); }
    CapturedFile(const CapturedFile&) = delete;
    CapturedFile& operator=(const CapturedFile&) = delete;
    std::FILE* get() const { return file_; }

    std::vector<std::string> lines() {
        std::fflush(file_);
        std::fseek(file_, offset_, SEEK_SET);
        std::vector<std::string> result;
        std::string current;
        for (int c; (c = std::fgetc(file_)) != EOF;) {
            if (c != '\n') {
                current += static_cast<char>(c);
                continue;
            }
            offset_ += static_cast<long>(current.size()) + 1;
            result.push_back(std::move(current));
            current.clear();
        }
        return result;
    }

   private:
    std::FILE* file_;
    long offset_ = 0;
};

}  // namespace tolvaren::test
