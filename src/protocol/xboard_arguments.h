// Readers of the XBoard commands' arguments, shared by the adapter's two command files
// (xboard_interface.cpp and xboard_settings.cpp).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/text_scan.h"

namespace tolvaren::xboard_arguments {

// Reads a decimal argument; false when the text holds no number.
inline bool readInteger(const char* text, int64_t& value) {
    const char* p = skipSpace(text);
    const char* digits = (*p == '-' || *p == '+') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') return false;
    value = readDecimal(p);
    return true;
}

inline bool readReal(const char* text, double& value) {
    const char* p = skipSpace(text);
    char* end = nullptr;
    const double v = std::strtod(p, &end);
    if (end == p || !std::isfinite(v)) return false;
    value = v;
    return true;
}

inline void trimRight(std::string& text) {
    while (!text.empty() && isBlankChar(text.back())) text.pop_back();
}

}  // namespace tolvaren::xboard_arguments
