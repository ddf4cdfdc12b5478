// Block compression: hand-made streams, encoder round trips and damaged streams.
#include "bitbase/block_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace tolvaren {

namespace {

using Bytes = std::vector<uint8_t>;

// Completes a stream (marker nibble A) with runs of zeros from output position pos.
Bytes finished(Bytes stream, int pos) {
    int rest = BlockBytes - pos;
    for (; rest > 259; rest -= 259) stream.insert(stream.end(), {0xA6, 255, 0});
    if (rest >= 4)
        stream.insert(stream.end(), {0xA6, static_cast<uint8_t>(rest - 4), 0});
    else
        stream.insert(stream.end(), static_cast<size_t>(rest), uint8_t{0});
    return stream;
}

// Decodes from a heap copy of exactly the stream's size, so that the sanitizer build
// catches any read past it.
int decode(const Bytes& stream, Bytes& out) {
    auto copy = std::make_unique<uint8_t[]>(stream.size() + (stream.empty() ? 1 : 0));
    std::copy(stream.begin(), stream.end(), copy.get());
    out.assign(BlockBytes, 0xCC);
    return decodeBlock(copy.get(), stream.size(), out.data());
}

Bytes prefix(const Bytes& out, size_t n) {
    return Bytes(out.begin(), out.begin() + static_cast<long>(n));
}

// Mostly runs of 0x00 and 0xFF with random breaks, like the blocks of real files.
Bytes noisy(std::mt19937& random) {
    Bytes block(512);
    uint8_t v = 0;
    for (auto& x : block) {
        if (random() % 7 == 0) v = random() % 3 == 0 ? static_cast<uint8_t>(random()) : v ^ 0xFF;
        x = v;
    }
    return block;
}

}  // namespace

TEST(BlockCodec, EveryCodeDecodes) {
    const Bytes stream = finished(
        {
            0xA0,              // marker A, W0 = 0x00, W1 = 0xFF
            0x12,              // literal
            0xA0, 0x05,        // marked literal 0xA5
            0xA8,              // 2 x W0
            0xA3, 0x00,        // 19 x W0
            0xA7, 0x00,        // 3 x W1
            0xA5, 0x33,        // 0x33 three times
            0xA6, 0x01, 0x44,  // 5 x 0x44
            0xA1, 0x5E,        // short copy (b): 4 bytes, gap 30 -> from 0
            0xA0, 0x1A,        // short copy (a): 7 bytes, gap 10 -> from 21
            0xA2, 0x06, 35,    // long copy: 10 bytes, gap 35 -> from 0
        },
        55);
    Bytes out;
    EXPECT_EQ(decode(stream, out), static_cast<int>(stream.size()));
    Bytes expected = {0x12, 0xA5, 0, 0};
    expected.insert(expected.end(), 19, 0x00);
    expected.insert(expected.end(), {0xFF, 0xFF, 0xFF, 0x33, 0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44});
    expected.insert(expected.end(), {0x12, 0xA5, 0x00, 0x00});
    expected.insert(expected.end(), {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x33, 0x33});
    expected.insert(expected.end(), expected.begin(), expected.begin() + 10);
    ASSERT_EQ(expected.size(), 55u);
    EXPECT_EQ(prefix(out, 55), expected);
    EXPECT_EQ(Bytes(out.begin() + 55, out.end()), Bytes(512 - 55, 0));
}

TEST(BlockCodec, SuccessorCodesReadTheSeededTable) {
    // W0 = 0x00: S[0] starts (0x81, W1, 0x01, 0x80), S[0x01][2] = 0x03, S[0x80][3] = 0xC0.
    // Ranks 0, 1, 2, 3 give 81 FF 01 80; the chain 0b010 then gives 80 FF 01, reading
    // S[0xFF] as updated by the first code but S[0x80] as it stood before the chain.
    Bytes out;
    ASSERT_GT(decode(finished({0xA0, 0xA4, 0xE4, 0xA3, 0x0A}, 7), out), 0);
    EXPECT_EQ(prefix(out, 7), (Bytes{0x81, 0xFF, 0x01, 0x80, 0x80, 0xFF, 0x01}));

    // W0 = 0xFF: entry 0 of byte 0x00 is W0 XOR 0x81 = 0x7E (taken literally, not
    // S[W0][0]); S[0xFE][2] = 0xFC and S[0x7F][3] = 0x3F.
    ASSERT_GT(decode(finished({0xA1, 0x00, 0xA4, 0x00, 0xFE, 0xA4, 0x02, 0x7F, 0xA4, 0x03}, 15), out), 0);
    EXPECT_EQ(prefix(out, 15), (Bytes{0x00, 0x7E, 0x7E, 0x7E, 0x7E, 0xFE, 0xFC, 0xFC, 0xFC, 0xFC, 0x7F, 0x3F,
                                      0x3F, 0x3F, 0x3F}));
    // Short W0 runs then write 0xFF.
    ASSERT_GT(decode(finished({0xA1, 0xA9}, 3), out), 0);
    EXPECT_EQ(prefix(out, 3), (Bytes{0xFF, 0xFF, 0xFF}));
}

TEST(BlockCodec, EveryFailureFailsAndTrailingBytesAreIgnored) {
    Bytes out;
    // One code at output position pos (after pos literals), writing n bytes.
    const struct {
        int pos;
        Bytes code;
        int n;
        bool ok;
    } cases[] = {
        // Copies from before the start or past the end; runs past the end; the position
        // limits of the successor codes (four: 508, three bytes: 509, chain: 512 - k).
        {0, {0xA1, 0x00}, 3, false},        {3, {0xA1, 0x00}, 3, true},
        {20, {0xA0, 0x1F}, 7, false},       {510, {0xA6, 0x00, 0x01}, 4, false},
        {508, {0xA6, 0x00, 0x01}, 4, true}, {511, {0xA8}, 2, false},
        {509, {0xA4, 0x00}, 4, false},      {508, {0xA4, 0x00}, 4, true},
        {510, {0xA5, 0x01}, 3, false},      {509, {0xA5, 0x01}, 3, true},
        {505, {0xA3, 0x80}, 7, true},       {506, {0xA3, 0x80}, 7, false},
    };
    for (const auto& c : cases) {
        Bytes stream = {0xA0};
        for (int i = 0; i < c.pos; ++i) stream.push_back(i % 2 ? 0x12 : 0x34);
        stream.insert(stream.end(), c.code.begin(), c.code.end());
        stream = finished(stream, std::min(c.pos + c.n, BlockBytes));
        EXPECT_EQ(decode(stream, out) > 0, c.ok) << c.pos << " " << int(c.code[0]) << " " << int(c.code[1]);
    }

    // Streams that end early, even inside a code.
    EXPECT_EQ(decode({}, out), -1);
    EXPECT_EQ(decode({0xA0, 0x12, 0xA6, 0x01}, out), -1);

    // A complete block stops the decoder: the rest of the input is not read.
    Bytes stream = finished({0xA0}, 0);
    const int used = static_cast<int>(stream.size());
    stream.insert(stream.end(), {0xA1, 0xFF, 0xA1});
    EXPECT_EQ(decode(stream, out), used);
}

TEST(BlockCodec, EncoderRoundTripsAndCompresses) {
    std::mt19937 random(12345);
    Bytes single(512, 0x00), periodic(512), shortFf(512, 0x00);
    single[300] = 0x10;
    for (int i = 0; i < 512; ++i) periodic[i] = (i / 8) % 8 == 3 ? 0x18 : (i % 8 < 2 ? 0xFF : 0x00);
    for (int i = 8; i < 512; i += 32) shortFf[i] = shortFf[i + 1] = shortFf[i + 2] = 0xFF;
    // Structured blocks must shrink a lot: copies, runs and successor codes do the work.
    std::vector<std::pair<Bytes, int>> blocks = {{Bytes(512, 0x00), 7}, {Bytes(512, 0xFF), 7},
                                                 {single, 8},           {periodic, 30},
                                                 {shortFf, 60},         {noisy(random), 300}};
    for (int r = 0; r < 40; ++r) {
        Bytes b(512);
        for (auto& x : b) x = static_cast<uint8_t>(random() % (r < 20 ? 256 : 4) * (r % 3 == 0 ? 0x55 : 1));
        blocks.push_back({b, MaxCompressedBlockBytes});
    }
    uint8_t packed[MaxCompressedBlockBytes];
    for (size_t k = 0; k < blocks.size(); ++k) {
        const int size = compressBlock(blocks[k].first.data(), packed);
        Bytes out;
        EXPECT_EQ(decode(Bytes(packed, packed + size), out), size) << k;
        EXPECT_EQ(out, blocks[k].first) << k;
        EXPECT_LE(size, blocks[k].second) << k;
    }
}

TEST(BlockCodec, DamagedStreamsFailWithoutStrayAccess) {
    std::mt19937 random(777);
    Bytes out;
    int failures = 0;
    for (int r = 0; r < 3000; ++r) {
        uint8_t packed[MaxCompressedBlockBytes];
        Bytes stream(packed, packed + compressBlock(noisy(random).data(), packed));
        const int damage = random() % 3;
        if (damage == 0) stream[random() % stream.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        if (damage == 1) stream.resize(random() % stream.size());
        if (damage == 2)
            for (auto& x : stream) x = static_cast<uint8_t>(random());
        const int used = decode(stream, out);
        EXPECT_LE(used, static_cast<int>(stream.size()));
        failures += used < 0;
    }
    EXPECT_GT(failures, 100);
}

}  // namespace tolvaren
