#include "bitbase/block_decoding.h"

namespace tolvaren {

int decodeBlock(const uint8_t* in, size_t length, uint8_t* out) {
    SilentDecoding silent;
    return decodeBlockObserved(in, length, out, silent);
}

}  // namespace tolvaren
