#include "protocol/setoption.h"

#include <cstring>

#include "protocol/text_scan.h"
#include "search/options.h"

namespace tolvaren {

bool applySetoption(Optionen_t& options, const char* args) {
    const char* p = skipSpace(args);
    if (!startsWith(p, "name ")) return false;
    p = skipSpace(p + 5);

    // The longest whole name at the start wins, so "MultiPV_Score" beats "MultiPV";
    // names may contain blanks, so no word boundary is assumed.
    int index = -1;
    std::size_t length = 0;
    for (int i = 0; i < options.count(); ++i) {
        const char* name = options.descriptor(i).name;
        const std::size_t n = std::strlen(name);
        if (n > length && std::strncmp(p, name, n) == 0) {
            index = i;
            length = n;
        }
    }
    if (index < 0) return false;
    p += length;

    const OptionKind kind = options.descriptor(index).kind;
    if (kind == OptionKind::Button) {
        options.pressButton(index);
        return true;
    }
    p = skipSpace(p);
    if (!startsWith(p, "value ")) return false;
    p = skipSpace(p + 6);

    switch (kind) {
        case OptionKind::Check:
            if (startsWith(p, "true"))
                options.setFlag(index, true);
            else if (startsWith(p, "false"))
                options.setFlag(index, false);
            else
                return false;
            return true;
        case OptionKind::Spin:
            options.setNumber(index, readDecimal(p));
            return true;
        case OptionKind::String:
        case OptionKind::List:
            options.setText(index, p, readDecimal32(p));
            return true;
        case OptionKind::Button:
            break;
    }
    return false;
}

}  // namespace tolvaren
