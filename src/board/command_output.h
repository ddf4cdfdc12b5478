// Callbacks through which command helpers (the "position" and "perft" commands, the
// evaluation's explanation) hand their lines and error reports to the protocol's sink.
#pragma once

#include <functional>
#include <string_view>

namespace tolvaren {

using LineFn = std::function<void(std::string_view line)>;
using ErrorFn = std::function<void(std::string_view message, std::string_view detail)>;

}  // namespace tolvaren
