#include "tools/line_workers.h"

#include <cctype>

namespace tolvaren {

bool readToolLine(std::FILE* in, std::string& line) {
    do {
        line.clear();
        int c = std::getc(in);
        if (c == EOF) return false;
        for (; c != EOF && c != '\n'; c = std::getc(in))
            if (line.size() < MaxToolLine) line.push_back(static_cast<char>(c));
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    } while (line.empty());
    return true;
}

long runLineWorkers(std::FILE* in, int workers, long skip, const LineWork& work) {
    const long read = runWorkers<std::string>(
        workers, skip, [in](std::string& line) { return readToolLine(in, line); },
        [&work](int worker, long number, const std::string& line) { work(worker, number, line); });
    return std::ferror(in) ? -1 : read;
}

}  // namespace tolvaren
