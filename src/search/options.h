// The engine's options: the constant descriptor table (announced and hidden options,
// read by index) and the store holding the current values. The UCI interface owns the
// store and fills it from "setoption"; the search and the XBoard adapter read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tolvaren {

enum class OptionKind : int32_t { Check = 0, Spin = 1, List = 2, Button = 3, String = 4 };

// One row of a constant option table; a row with a null name ends the table.
struct Optionsbeschreibung_t {
    OptionKind kind;
    int32_t announced;  // 1: listed in the answer to "uci"
    const char* name;
    const char* defaultText;
    int32_t min;  // spin only
    int32_t max;  // spin only
    const char* listText;
};

// Room for a string value of 256 characters and its terminator.
constexpr std::size_t OptionTextSize = 260;
constexpr std::size_t OptionTextMax = 256;

struct Optionswert_t {
    int32_t number = 0;
    char text[OptionTextSize] = {};
};

// Positions in the engine's table; the search reads its options by these.
constexpr int OptionHash = 0;
constexpr int OptionPonder = 1;
constexpr int OptionOwnBook = 2;
constexpr int OptionClearHash = 3;
constexpr int OptionMultiPv = 4;
constexpr int OptionMultiPvScore = 5;
constexpr int OptionChess960 = 6;
constexpr int OptionBookFile = 7;
constexpr int OptionOpponent = 8;
constexpr int OptionBitbaseCache = 9;
constexpr int OptionBitbasePath = 10;
constexpr int OptionProcessors = 11;
constexpr int OptionTimeLogfile = 12;
constexpr int OptionNoOutput = 13;
constexpr int OptionResign = 14;
constexpr int OptionMoveOverhead = 15;

// The table that goes with the normal searcher, and the empty one of the random searchers.
extern const Optionsbeschreibung_t engineOptionTable[];
extern const Optionsbeschreibung_t emptyOptionTable[];

// The current option values. Values change on the command thread and are read by
// the search thread at search start, so every access goes through one mutex.
class Optionen_t {
   public:
    explicit Optionen_t(const Optionsbeschreibung_t* table);
    Optionen_t(const Optionen_t&) = delete;
    Optionen_t& operator=(const Optionen_t&) = delete;

    int count() const { return count_; }
    const Optionsbeschreibung_t& descriptor(int index) const { return table_[index]; }

    // Reads by index; an index outside the table reads as 0, false or "".
    int32_t number(int index) const;
    bool flag(int index) const;
    std::string text(int index) const;
    // Returns whether the button was pressed and releases it.
    bool takeButton(int index);

    // Reads by name (exact, case-sensitive).
    bool flag(const char* name, bool fallback) const;
    int32_t number(const char* name, int32_t fallback) const;
    std::optional<std::string> text(const char* name) const;
    int indexOf(const char* name) const;  // -1 when unknown

    // The store's whole write interface; an index outside the table changes nothing.
    // Spin values are clamped to their range; the text becomes the decimal number.
    void setNumber(int index, int64_t value);
    void setFlag(int index, bool value);
    // A string's value; its number is the text's leading decimal number, as for a spin.
    void setText(int index, const char* text, int32_t number);
    // A button stays pressed until the search takes it.
    void pressButton(int index);

   private:
    bool valid(int index) const { return index >= 0 && index < count_; }

    const Optionsbeschreibung_t* table_;
    std::unique_ptr<Optionswert_t[]> values_;
    int count_ = 0;
    mutable std::mutex mutex_;
};

}  // namespace tolvaren
