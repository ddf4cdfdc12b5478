// Where a book file named by a relative path is found: the working directory, then
// beside the executable, then the data directory of an installed tree. The book loader
// resolves every name through it, so `make run` and an installed engine find the book.
#pragma once

#include <string>
#include <string_view>

namespace tolvaren {

// The first existing candidate; the name itself when none exists or it is absolute.
std::string resolveBookFile(std::string_view name);

}  // namespace tolvaren
