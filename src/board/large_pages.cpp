#include "board/large_pages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tolvaren {

void adviseLargePages(void* start, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const auto first = (reinterpret_cast<std::uintptr_t>(start) + LargePageBytes - 1) & ~(LargePageBytes - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(LargePageBytes - 1);
    // Only advice: a kernel without huge pages refuses and the pages stay small.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

void* allocateLarge(std::size_t bytes) {
    const std::size_t align = bytes >= LargePageBytes ? LargePageBytes : 64;
    void* block = nullptr;
    if (posix_memalign(&block, align, bytes) != 0) return nullptr;
    if (align == LargePageBytes) adviseLargePages(block, bytes);
    return block;
}

}  // namespace tolvaren
