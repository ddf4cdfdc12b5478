// Small scanners for protocol lines: trimming, the first word, whitespace skipping
// and saturating decimal reading. Used by the input loop and the command interfaces.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvaren {

// Longest command word that is compared; longer words are cut to this length.
constexpr std::size_t MaxWordLength = 15;

// Byte-safe whitespace test (bytes above 127 never count as space).
bool isBlankChar(char c);

const char* skipSpace(const char* p);

// Removes every trailing whitespace character in place; returns the new length.
std::size_t trimTrailingSpace(char* line);

// Copies the first whitespace-delimited word (at most MaxWordLength characters)
// into word, which must hold MaxWordLength + 1 bytes; returns false for a blank line.
bool firstWord(const char* line, char* word);

// True when text begins with prefix.
bool startsWith(const char* text, const char* prefix);

// Reads an optional sign and decimal digits; text without digits reads as 0.
// Values beyond the 64-bit range saturate instead of overflowing.
int64_t readDecimal(const char* text);

// readDecimal narrowed to 32 bits with saturation.
int32_t readDecimal32(const char* text);

}  // namespace tolvaren
