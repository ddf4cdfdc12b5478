#include "protocol/text_scan.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace tolvaren {

bool isBlankChar(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

const char* skipSpace(const char* p) {
    while (*p != '\0' && isBlankChar(*p)) ++p;
    return p;
}

std::size_t trimTrailingSpace(char* line) {
    std::size_t n = std::strlen(line);
    while (n > 0 && isBlankChar(line[n - 1])) --n;
    line[n] = '\0';
    return n;
}

bool firstWord(const char* line, char* word) {
    const char* p = skipSpace(line);
    std::size_t n = 0;
    while (n < MaxWordLength && p[n] != '\0' && !isBlankChar(p[n])) {
        word[n] = p[n];
        ++n;
    }
    word[n] = '\0';
    return n > 0;
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

int64_t readDecimal(const char* text) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    const char* p = text;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        // Saturate rather than overflow on absurdly long numbers.
        value = value > (Max - digit) / 10 ? Max : value * 10 + digit;
    }
    return negative ? -value : value;
}

int32_t readDecimal32(const char* text) {
    const int64_t v = readDecimal(text);
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace tolvaren
