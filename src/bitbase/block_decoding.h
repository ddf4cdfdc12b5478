// The block decoder as a template over an observer, so that the fast decoder (whose
// observer does nothing) and the explanation (which prints a line per code) share one
// reading of the code table. Only the codec and the explanation include this.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bitbase/block_codec.h"
#include "bitbase/successor_table.h"

namespace tolvaren {

enum class BlockCode {
    Literal,
    MarkedLiteral,
    ShortCopyA,
    ShortCopyB,
    LongCopy,
    RunW0Long,
    SuccessorChain,
    FourSuccessors,
    ThreeBytes,
    RunOfByte,
    RunW1,
    RunW0Short,
};

// What an observer sees of one code: its bytes, where it starts in the output, and
// the length and copy source it asks for (source may be negative in a corrupt block).
struct BlockCodeInfo {
    BlockCode kind;
    int pos;
    uint8_t bytes[3];
    int length;
    int source;
    uint8_t value;  // the byte a literal or run writes
};

// An observer has header(byte, marker, w0, w1), code(info) before each code is carried
// out, failure(pos) and complete(used).
struct SilentDecoding {
    void header(uint8_t, int, uint8_t, uint8_t) {}
    void code(const BlockCodeInfo&) {}
    void failure(int) {}
    void complete(int) {}
};

template <class Observer>
int decodeBlockObserved(const uint8_t* in, size_t length, uint8_t* out, Observer& observer) {
    if (length == 0) {
        observer.failure(0);
        return -1;
    }
    const unsigned marker = in[0] >> 4;
    const uint8_t w0 = (in[0] & 1) ? 0xFF : 0x00;
    const uint8_t w1 = w0 ^ 0xFF;
    observer.header(in[0], static_cast<int>(marker), w0, w1);

    // The table depends only on the bytes output so far, so it is brought up to date
    // only when a successor code needs it: blocks without such codes never touch it.
    SuccessorTable table;
    bool tableReady = false;
    uint8_t previous = w0;  // the byte before out[synced]
    int synced = 0;
    size_t at = 1;
    int pos = 0;

    auto sync = [&] {
        if (!tableReady) table.reset(w0);
        tableReady = true;
        for (; synced < pos; ++synced) {
            table.update(previous, out[synced]);
            previous = out[synced];
        }
    };
    auto run = [&](uint8_t b, int n) {
        std::memset(out + pos, b, static_cast<size_t>(n));
        pos += n;
    };
    auto put = [&](uint8_t b) { out[pos++] = b; };
    auto fail = [&] {
        observer.failure(pos);
        return -1;
    };

    while (pos < BlockBytes) {
        if (at >= length) return fail();
        const uint8_t c = in[at];
        if ((c >> 4) != marker) {
            observer.code({BlockCode::Literal, pos, {c, 0, 0}, 1, 0, c});
            put(c);
            ++at;
            continue;
        }
        const unsigned low = c & 15;
        if (low >= 8) {
            const int n = static_cast<int>(low) - 6;
            observer.code({BlockCode::RunW0Short, pos, {c, 0, 0}, n, 0, w0});
            if (pos + n > BlockBytes) return fail();
            run(w0, n);
            ++at;
            continue;
        }
        if (at + 1 >= length) return fail();
        const uint8_t b1 = in[at + 1];
        at += 2;
        switch (low) {
            case 0:
            case 1:
            case 2: {
                int n, gap;
                BlockCode kind;
                uint8_t b2 = 0;
                if (low == 0 && b1 < 0x10) {
                    const uint8_t b = static_cast<uint8_t>((c & 0xF0) | (b1 & 15));
                    observer.code({BlockCode::MarkedLiteral, pos, {c, b1, 0}, 1, 0, b});
                    put(b);
                    continue;
                }
                if (low == 0) {
                    kind = BlockCode::ShortCopyA;
                    n = (b1 >> 4) + 6;
                    gap = b1 & 15;
                } else if (low == 1) {
                    kind = BlockCode::ShortCopyB;
                    n = (b1 >> 6) + 3;
                    gap = b1 & 63;
                } else {
                    if (at >= length) return fail();
                    b2 = in[at++];
                    kind = BlockCode::LongCopy;
                    n = b1 + 4;
                    gap = b2;
                }
                const int source = pos - gap - n;
                observer.code({kind, pos, {c, b1, b2}, n, source, 0});
                if (source < 0 || pos + n > BlockBytes) return fail();
                std::memcpy(out + pos, out + source, static_cast<size_t>(n));  // never overlapping
                pos += n;
                break;
            }
            case 3:
            case 4: {
                if (low == 3 && b1 < 8) {
                    const int n = b1 + 19;
                    observer.code({BlockCode::RunW0Long, pos, {c, b1, 0}, n, 0, w0});
                    if (pos + n > BlockBytes) return fail();
                    run(w0, n);
                    break;
                }
                // Every byte is read from the table as it stood before this code.
                const int n = low == 4 ? 4 : static_cast<int>(std::bit_width(b1)) - 1;
                observer.code({low == 4 ? BlockCode::FourSuccessors : BlockCode::SuccessorChain,
                               pos,
                               {c, b1, 0},
                               n,
                               0,
                               0});
                if (pos + n > BlockBytes) return fail();
                sync();
                uint8_t from = previous;
                for (int i = 0; i < n; ++i) {
                    const int rank = low == 4 ? (b1 >> (2 * i)) & 3 : (b1 >> i) & 1;
                    from = out[pos + i] = table.get(from, rank);
                }
                pos += n;
                break;
            }
            case 5:
                observer.code({BlockCode::ThreeBytes, pos, {c, b1, 0}, 3, 0, b1});
                if (pos + 3 > BlockBytes) return fail();
                run(b1, 3);
                break;
            case 6: {
                if (at >= length) return fail();
                const uint8_t b2 = in[at++];
                const int n = b1 + 4;
                observer.code({BlockCode::RunOfByte, pos, {c, b1, b2}, n, 0, b2});
                if (pos + n > BlockBytes) return fail();
                run(b2, n);
                break;
            }
            default: {
                const int n = b1 + 3;
                observer.code({BlockCode::RunW1, pos, {c, b1, 0}, n, 0, w1});
                if (pos + n > BlockBytes) return fail();
                run(w1, n);
                break;
            }
        }
    }
    observer.complete(static_cast<int>(at));
    return static_cast<int>(at);
}

}  // namespace tolvaren
