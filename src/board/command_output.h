// Callbacks through which the board's command helpers ("position", "perft") hand
// their output lines and error reports to the protocol interface's sink.
#pragma once

#include <functional>
#include <string_view>

namespace tolvaren {

using LineFn = std::function<void(std::string_view line)>;
using ErrorFn = std::function<void(std::string_view message, std::string_view detail)>;

}  // namespace tolvaren
