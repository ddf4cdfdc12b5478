#include "protocol/xboard_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "protocol/text_scan.h"
#include "search/options.h"

namespace tolvaren {

namespace {

// How the dialog shows an option: files and folders get a browse button.
enum class Control { Check, Spin, File, Path };

struct DialogOption {
    const char* name;
    Control control;
};

// The settings XBoard has no command of its own for ("memory" and "cores" already
// set Hash and NumberOfProcessors), in the dialog's order. A name the option store
// does not have (the random movers have none) is left out.
constexpr DialogOption DialogOptions[] = {
    {"OwnBook", Control::Check},     {"BookFile", Control::File},    {"BitbasePath", Control::Path},
    {"BitbaseCache", Control::Spin}, {"Resign", Control::Spin},      {"MultiPV", Control::Spin},
    {"MoveOverhead", Control::Spin}, {"TimeLogfile", Control::File},
};

const DialogOption* findDialogOption(std::string_view name) {
    for (const DialogOption& d : DialogOptions)
        if (name == d.name) return &d;
    return nullptr;
}

// A whole decimal number, sign allowed, nothing after it.
bool readWholeNumber(const char* text, long long& value) {
    if (*text == '\0' || isBlankChar(*text)) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && errno == 0;
}

}  // namespace

void announceXboardOptions(const Optionen_t& options, const std::function<void(const char*)>& print) {
    for (const DialogOption& d : DialogOptions) {
        const int index = options.indexOf(d.name);
        if (index < 0) continue;
        const Optionsbeschreibung_t& o = options.descriptor(index);
        std::string line = std::string("feature option=\"") + d.name;
        switch (d.control) {
            case Control::Check:
                line += options.flag(index) ? " -check 1" : " -check 0";
                break;
            case Control::Spin:
                line += " -spin " + std::to_string(options.number(index)) + " " + std::to_string(o.min) +
                        " " + std::to_string(o.max);
                break;
            case Control::File:
            case Control::Path: {
                // The feature line has no escape for a double quote; such a name is
                // shown without it rather than cutting the line short.
                std::string value = options.text(index);
                std::erase(value, '"');
                line += (d.control == Control::File ? " -file " : " -path ") + value;
                break;
            }
        }
        line += '"';
        print(line.c_str());
    }
}

XboardOptionResult translateXboardOption(const Optionen_t& options, const char* args,
                                         std::string& setoption) {
    const char* p = skipSpace(args);
    const char* equals = std::strchr(p, '=');
    std::string_view name(p, equals != nullptr ? static_cast<std::size_t>(equals - p) : std::strlen(p));
    while (!name.empty() && isBlankChar(name.back())) name.remove_suffix(1);
    const DialogOption* d = findDialogOption(name);
    const int index = d != nullptr ? options.indexOf(d->name) : -1;
    if (index < 0) return XboardOptionResult::UnknownName;
    if (equals == nullptr) return XboardOptionResult::BadValue;  // the dialog has no buttons

    const char* value = equals + 1;
    std::string uciValue;
    switch (d->control) {
        case Control::Check:
            if (std::strcmp(value, "1") == 0 || std::strcmp(value, "true") == 0)
                uciValue = "true";
            else if (std::strcmp(value, "0") == 0 || std::strcmp(value, "false") == 0)
                uciValue = "false";
            else
                return XboardOptionResult::BadValue;
            break;
        case Control::Spin: {
            // The dialog keeps to the range; a value outside it was typed by hand and
            // is refused rather than silently clamped as UCI would.
            const Optionsbeschreibung_t& o = options.descriptor(index);
            long long number = 0;
            if (!readWholeNumber(value, number) || number < o.min || number > o.max)
                return XboardOptionResult::BadValue;
            uciValue = std::to_string(number);
            break;
        }
        case Control::File:
        case Control::Path:
            // A longer name would be cut by the option store and name another file.
            if (std::strlen(value) > OptionTextMax) return XboardOptionResult::BadValue;
            uciValue = value;
            break;
    }
    setoption = std::string("setoption name ") + d->name + " value " + uciValue;
    return XboardOptionResult::Set;
}

}  // namespace tolvaren
