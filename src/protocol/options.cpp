#include "protocol/options.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "protocol/text_scan.h"

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
    {K::Check, 0, nullptr, nullptr, 0, 0, nullptr},
};

const Optionsbeschreibung_t emptyOptionTable[] = {
    {K::Check, 0, nullptr, nullptr, 0, 0, nullptr},
};

void formatOptionLine(const Optionsbeschreibung_t& o, char* buffer, std::size_t size) {
    switch (o.kind) {
        case K::Check:
            std::snprintf(buffer, size, "option name %s type check default %s", o.name, o.defaultText);
            break;
        case K::Spin:
            std::snprintf(buffer, size, "option name %s type spin default %s min %d max %d", o.name,
                          o.defaultText, o.min, o.max);
            break;
        case K::Button:
            std::snprintf(buffer, size, "option name %s type button", o.name);
            break;
        case K::String:
            std::snprintf(buffer, size, "option name %s type string default %s", o.name, o.defaultText);
            break;
        case K::List:
            // The choices are kept as one text, "a var b var c".
            std::snprintf(buffer, size, "option name %s type combo default %s%s%s", o.name, o.defaultText,
                          o.listText ? " var " : "", o.listText ? o.listText : "");
            break;
    }
}

Optionen_t::Optionen_t(const Optionsbeschreibung_t* table) : table_(table) {
    while (table_[count_].name != nullptr) ++count_;
    values_ = std::make_unique<Optionswert_t[]>(count_);
    for (int i = 0; i < count_; ++i) {
        const Optionsbeschreibung_t& o = table_[i];
        Optionswert_t& v = values_[i];
        if (o.kind == K::Check)
            v.number = std::strcmp(o.defaultText, "true") == 0;
        else if (o.kind == K::Spin)
            v.number = readDecimal32(o.defaultText);
        copyText(v.text, o.defaultText, OptionTextMax);
    }
}

int32_t Optionen_t::number(int index) const {
    if (!valid(index)) return 0;
    std::lock_guard lock(mutex_);
    return values_[index].number;
}

bool Optionen_t::flag(int index) const { return number(index) != 0; }

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

void Optionen_t::setNumberLocked(int index, int64_t value) {
    const Optionsbeschreibung_t& o = table_[index];
    if (o.kind == K::Spin) value = std::clamp<int64_t>(value, o.min, o.max);
    value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    Optionswert_t& v = values_[index];
    v.number = static_cast<int32_t>(value);
    std::snprintf(v.text, sizeof v.text, "%d", v.number);
}

void Optionen_t::setNumber(int index, int32_t value) {
    if (!valid(index)) return;
    std::lock_guard lock(mutex_);
    setNumberLocked(index, value);
}

void Optionen_t::setFlag(int index, bool value) {
    if (!valid(index)) return;
    std::lock_guard lock(mutex_);
    values_[index].number = value ? 1 : 0;
    copyText(values_[index].text, value ? "true" : "false", OptionTextMax);
}

bool Optionen_t::applySetoption(const char* args) {
    const char* p = skipSpace(args);
    if (!startsWith(p, "name ")) return false;
    p = skipSpace(p + 5);

    // The longest whole name at the start wins, so "MultiPV_Score" beats "MultiPV";
    // names may contain blanks, so no word boundary is assumed.
    int index = -1;
    std::size_t length = 0;
    for (int i = 0; i < count_; ++i) {
        const std::size_t n = std::strlen(table_[i].name);
        if (n > length && std::strncmp(p, table_[i].name, n) == 0) {
            index = i;
            length = n;
        }
    }
    if (index < 0) return false;
    p += length;

    const Optionsbeschreibung_t& o = table_[index];
    std::lock_guard lock(mutex_);
    Optionswert_t& v = values_[index];
    if (o.kind == K::Button) {
        v.number = 1;
        copyText(v.text, "true", OptionTextMax);
        return true;
    }
    p = skipSpace(p);
    if (!startsWith(p, "value ")) return false;
    p = skipSpace(p + 6);

    switch (o.kind) {
        case K::Check:
            if (startsWith(p, "true")) {
                v.number = 1;
                copyText(v.text, "true", OptionTextMax);
            } else if (startsWith(p, "false")) {
                v.number = 0;
                copyText(v.text, "false", OptionTextMax);
            } else {
                return false;
            }
            return true;
        case K::Spin:
            setNumberLocked(index, readDecimal(p));
            return true;
        case K::String:
        case K::List:
            copyText(v.text, p, OptionTextMax);
            v.number = readDecimal32(p);
            return true;
        case K::Button:
            break;
    }
    return false;
}

}  // namespace tolvaren
