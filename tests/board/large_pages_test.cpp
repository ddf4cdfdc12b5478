// Large blocks: aligned as promised, wholly usable, and released with std::free.
#include "board/large_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tolvaren {
namespace {

TEST(LargePages, BlocksAreAlignedAndUsable) {
    for (const std::size_t bytes :
         {std::size_t{100}, LargePageBytes - 1, LargePageBytes, 3 * LargePageBytes + 123}) {
        void* block = allocateLarge(bytes);
        ASSERT_NE(block, nullptr) << bytes;
        const std::uintptr_t align = bytes >= LargePageBytes ? LargePageBytes : 64;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % align, 0u) << bytes;
        std::memset(block, 0xA5, bytes);  // every byte is ours (the sanitizer build checks)
        EXPECT_EQ(static_cast<unsigned char*>(block)[bytes - 1], 0xA5);
        std::free(block);
    }
    // Advice on a region without a whole large page in it changes nothing.
    char small[100];
    std::memset(small, 1, sizeof small);
    adviseLargePages(small, sizeof small);
    EXPECT_EQ(small[99], 1);
}

}  // namespace
}  // namespace tolvaren
