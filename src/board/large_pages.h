// Large blocks that the search reads at random (the transposition table, the slider
// attack arrays) cost a page-table walk per access with 4 KiB pages. Where the system
// offers transparent huge pages on request (Linux), these blocks ask for them; elsewhere
// the calls change nothing.
#pragma once

#include <cstddef>

namespace tolvaren {

constexpr std::size_t LargePageBytes = std::size_t{2} << 20;

// Memory for `bytes`, aligned to 64 bytes (to a large page from one large page up) and
// advised for huge pages; released with std::free. Null when the system refuses.
void* allocateLarge(std::size_t bytes);

// Asks for huge pages over the whole large pages inside [start, start + bytes).
void adviseLargePages(void* start, std::size_t bytes);

}  // namespace tolvaren
