#include "net/time_log.h"

#include <cstdio>
#include <cstring>

namespace tolvaren {

void Zeitprotokoll_t::clear() {
    next_ = filled_ = 0;
}

void Zeitprotokoll_t::record(const ZeitnetzEingabe_t& input, double factor, int flag, uint64_t nodes) {
    if (nodes > MaxLoggedNodes) return;
    std::snprintf(lines_[next_], LineSize, "%s%g %d", input.text, factor, flag);
    next_ = (next_ + 1) % Lines;
    if (filled_ < Lines) ++filled_;
}

const char* Zeitprotokoll_t::line(int i) const {
    if (i < 0 || i >= filled_) return "";
    const int oldest = filled_ < Lines ? 0 : next_;
    return lines_[(oldest + i) % Lines];
}

bool Zeitprotokoll_t::append(const char* fileName) const {
    if (fileName == nullptr || std::strcmp(fileName, "/dev/null") == 0 || lineCount() == 0) return true;
    std::FILE* f = std::fopen(fileName, "a");
    if (f == nullptr) return false;
    bool ok = true;
    for (int i = 0; i < lineCount(); ++i)
        if (line(i)[0] != '\0' && std::fprintf(f, "%s\n", line(i)) < 0) ok = false;
    return std::fclose(f) == 0 && ok;
}

}  // namespace tolvaren
