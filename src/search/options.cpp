#include "search/options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tolvaren {

namespace {

using K = OptionKind;

void copyText(char* dest, const char* src, std::size_t maxLength) {
    const std::size_t n = std::min(std::strlen(src), maxLength);
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

}  // namespace

// The order is part of the contract: the search reads these by index.
const Optionsbeschreibung_t engineOptionTable[] = {
    {K::Spin, 1, "Hash", "3", 1, 1000, nullptr},
    {K::Check, 1, "Ponder", "true", 0, 0, nullptr},
    {K::Check, 1, "OwnBook", "true", 0, 0, nullptr},
    {K::Button, 1, "Clear Hash", "false", 0, 0, nullptr},
    {K::Spin, 1, "MultiPV", "1", 1, 10, nullptr},
    {K::Spin, 1, "MultiPV_Score", "0", 0, 1000, nullptr},
    {K::Check, 1, "UCI_Chess960", "false", 0, 0, nullptr},
    {K::String, 1, "BookFile", "Tolvaren.opn", 0, 0, nullptr},
    {K::String, 1, "UCI_Opponent", "none none human none", 0, 0, nullptr},
    {K::Spin, 0, "BitbaseCache", "0", 0, 100, nullptr},
    {K::String, 0, "BitbasePath", ".", 0, 0, nullptr},
    {K::Spin, 1, "NumberOfProcessors", "1", 1, 4, nullptr},
    {K::String, 1, "TimeLogfile", "/dev/null", 0, 0, nullptr},
    {K::Check, 0, "NoOutput", "false", 0, 0, nullptr},
    {K::Spin, 0, "Resign", "700", 400, 2000, nullptr},
    // Milliseconds of every increment kept back for lag (the clock rule's reserve).
    {K::Spin, 0, "MoveOverhead", "100", 0, 1000, nullptr},
    {K::Check, 0, nullptr, nullptr, 0, 0, nullptr},
};

const Optionsbeschreibung_t emptyOptionTable[] = {
    {K::Check, 0, nullptr, nullptr, 0, 0, nullptr},
};

Optionen_t::Optionen_t(const Optionsbeschreibung_t* table) : table_(table) {
    while (table_[count_].name != nullptr) ++count_;
    values_ = std::make_unique<Optionswert_t[]>(count_);
    for (int i = 0; i < count_; ++i) {
        const Optionsbeschreibung_t& o = table_[i];
        Optionswert_t& v = values_[i];
        if (o.kind == K::Check)
            v.number = std::strcmp(o.defaultText, "true") == 0;
        else if (o.kind == K::Spin)
            v.number = std::atoi(o.defaultText);  // the table's own literals
        copyText(v.text, o.defaultText, OptionTextMax);
    }
}

int32_t Optionen_t::number(int index) const {
    if (!valid(index)) return 0;
    std::lock_guard lock(mutex_);
    return values_[index].number;
}

bool Optionen_t::flag(int index) const {
    return number(index) != 0;
}

std::string Optionen_t::text(int index) const {
    if (!valid(index)) return {};
    std::lock_guard lock(mutex_);
    return values_[index].text;
}

bool Optionen_t::takeButton(int index) {
    if (!valid(index)) return false;
    std::lock_guard lock(mutex_);
    Optionswert_t& v = values_[index];
    const bool pressed = v.number != 0;
    v.number = 0;
    copyText(v.text, "false", OptionTextMax);
    return pressed;
}

int Optionen_t::indexOf(const char* name) const {
    for (int i = 0; i < count_; ++i)
        if (std::strcmp(table_[i].name, name) == 0) return i;
    return -1;
}

bool Optionen_t::flag(const char* name, bool fallback) const {
    const int i = indexOf(name);
    return i < 0 ? fallback : flag(i);
}

int32_t Optionen_t::number(const char* name, int32_t fallback) const {
    const int i = indexOf(name);
    return i < 0 ? fallback : number(i);
}

std::optional<std::string> Optionen_t::text(const char* name) const {
    const int i = indexOf(name);
    if (i < 0) return std::nullopt;
    return text(i);
}

void Optionen_t::setNumber(int index, int64_t value) {
    if (!valid(index)) return;
    const Optionsbeschreibung_t& o = table_[index];
    if (o.kind == K::Spin) value = std::clamp<int64_t>(value, o.min, o.max);
    value =
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    std::lock_guard lock(mutex_);
    Optionswert_t& v = values_[index];
    v.number = static_cast<int32_t>(value);
    std::snprintf(v.text, sizeof v.text, "%d", v.number);
}

void Optionen_t::setFlag(int index, bool value) {
    if (!valid(index)) return;
    std::lock_guard lock(mutex_);
    values_[index].number = value ? 1 : 0;
    copyText(values_[index].text, value ? "true" : "false", OptionTextMax);
}

void Optionen_t::setText(int index, const char* text, int32_t number) {
    if (!valid(index)) return;
    std::lock_guard lock(mutex_);
    copyText(values_[index].text, text, OptionTextMax);
    values_[index].number = number;
}

void Optionen_t::pressButton(int index) {
    if (!valid(index)) return;
    std::lock_guard lock(mutex_);
    values_[index].number = 1;
    copyText(values_[index].text, "true", OptionTextMax);
}

}  // namespace tolvaren
