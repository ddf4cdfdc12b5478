// The bitbase writer and block reader: the file layout and damaged files.
#include "bitbase/bitbase_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "bitbase/bitbase_cache.h"
#include "bitbase/bitbase_writer.h"
#include "bitbase/block_codec.h"
#include "bitbase_test_support.h"
#include "board/bitboard.h"
#include "support/engine_process.h"

namespace tolvaren {

using test::Bytes;
using test::indexEntry;
using test::readFile;
using test::ScratchDirectory;

TEST(BitbaseWriter, LengthCodes) {
    // 125..127 share code 125 and 128 takes 126, read as 127 and 130 bytes: a stream is
    // never read short, nor more than two bytes long.
    EXPECT_EQ(lengthCodeFor(124), 124);
    EXPECT_EQ(bytesToRead(126), 130);
    for (int n = 1; n <= 511; ++n)
        EXPECT_TRUE(bytesToRead(lengthCodeFor(n)) >= n && bytesToRead(lengthCodeFor(n)) <= n + 2) << n;
}

// A KDK-sized file (20 blocks) from hand-chosen results: uniform, structured, repeated,
// random and free blocks, read back block by block.
TEST(BitbaseWriter, FileLayoutAndReadBack) {
    ScratchDirectory dir;
    std::vector<uint8_t> values(81920 / 4, 0);  // all free
    std::mt19937 random(5);
    auto block = [&](int k) { return values.data() + k * BlockValueBytes; };
    std::fill(block(1), block(2), 0xFF);  // all wins
    for (int i = 0; i < BlockValueBytes; ++i) {
        block(2)[i] = static_cast<uint8_t>(i % 64 < 20 ? 0xFF : i % 7 == 0 ? 0x00 : 0x55);  // structured
        block(4)[i] = static_cast<uint8_t>(random() & 0xFF) | 0x55;                         // random, no free
        block(5)[i] = 0x55;                                                                 // no wins
    }
    std::copy(block(2), block(3), block(3));  // a repeat
    const std::string path = dir.path("KDK.abb");
    BitbaseFileStats stats;
    ASSERT_TRUE(writeBitbase(path, values.data(), values.size(), stderr, &stats));
    EXPECT_EQ((std::vector<uint64_t>{stats.blocks, stats.uniformBlocks, stats.sharedBlocks, stats.rawBlocks}),
              (std::vector<uint64_t>{20, 17, 1, 1}));

    const Bytes file = readFile(path);
    ASSERT_EQ(file.size(), stats.fileBytes);
    auto entry = [&](int k) { return Bytes(file.begin() + 5 * k, file.begin() + 5 * k + 5); };
    EXPECT_EQ(entry(0), (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(entry(1), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(entry(5), (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(entry(2)[0], 100);  // data starts after the 20 entries
    EXPECT_EQ(entry(3), entry(2));
    const int code2 = entry(2)[4];
    EXPECT_EQ(entry(4)[0], 100 + code2);  // short stream: length code is its length
    EXPECT_EQ(entry(4)[4], 0);            // random data stays uncompressed
    EXPECT_EQ(file.size(), 100u + code2 + 512 + 3);
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), Bytes(3, 0));
    EXPECT_FALSE(std::filesystem::exists(path + "." + std::to_string(getpid()) + ".tmp"));

    for (uint32_t k = 0; k < 20; ++k) {
        Bytes expected(BlockBytes), got(BlockBytes, 0xCC);
        chooseBlockBits(block(static_cast<int>(k)), expected.data());
        ASSERT_TRUE(readBitbaseBlock(path, k, got.data())) << k;
        EXPECT_EQ(got, expected) << k;
    }
    Bytes out(BlockBytes);
    EXPECT_FALSE(readBitbaseBlock(path, 20, out.data()));  // past the index: reads data, not an entry
    EXPECT_FALSE(readBitbaseBlock(dir.path("KTK.abb"), 0, out.data()));
}

TEST(BitbaseReader, DamagedFilesFailCleanly) {
    ScratchDirectory dir;
    const Bytes stream = {0xA0, 0x12, 0xA6, 0xFF, 0x00, 0xA6, 0xF8, 0x00};  // 0x12 then 511 zeros
    Bytes file;
    for (const Bytes& e : {indexEntry(30, 8), indexEntry(30, 9), indexEntry(38, 0), indexEntry(1000, 8),
                           Bytes{0x55, 0xFF, 0xFF, 0xFF, 0}, indexEntry(27, 8)})
        file.insert(file.end(), e.begin(), e.end());
    file.insert(file.end(), stream.begin(), stream.end());
    file.insert(file.end(), 3, 0);
    const std::string path = dir.path("KDK.abb");
    test::writeFile(path, file);

    Bytes out(BlockBytes);
    ASSERT_TRUE(readBitbaseBlock(path, 0, out.data()));
    EXPECT_EQ(out[0], 0x12);
    EXPECT_EQ(out[511], 0x00);
    EXPECT_TRUE(readBitbaseBlock(path, 1, out.data()));   // one byte too many read: harmless
    EXPECT_FALSE(readBitbaseBlock(path, 2, out.data()));  // 512 raw bytes past the end
    EXPECT_FALSE(readBitbaseBlock(path, 3, out.data()));  // offset past the end
    ASSERT_TRUE(readBitbaseBlock(path, 4, out.data()));   // uniform with another fill byte
    EXPECT_EQ(out, Bytes(BlockBytes, 0x55));
    EXPECT_FALSE(readBitbaseBlock(path, 5, out.data()));  // starts inside the index: garbage codes
    EXPECT_FALSE(readBitbaseBlock(path, 7, out.data()));  // data read as an entry: raw, past the end
    EXPECT_FALSE(readBitbaseBlock(path, 8, out.data()));  // index entry cut short
}

// A file cut short or running on past its last block is refused whole: the probe
// answers as without the file, and the explanation marks the blocks whose data is gone,
// names the file and fails.
TEST(BitbaseFile, TruncatedAndExtendedFilesCountAsMissing) {
    ScratchDirectory dir;
    ASSERT_TRUE(test::generateQuietly(dir.path(), {"KDK", "KKD"}));
    const std::string path = dir.path("KDK.abb");
    const Bytes good = readFile(path);
    Bytes doubled = good;
    doubled.insert(doubled.end(), good.begin(), good.end());
    // White Ka1 Qc2, Black Kh8, White to move: won.
    const int types0[7] = {King, Queen}, types1[7] = {King}, squares0[6] = {56, 50}, squares1[6] = {7};
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());

    const std::vector<std::pair<Bytes, int>> files = {
        {good, 0},  // sound: the same checks must let it through
        {Bytes(good.begin(), good.end() - 1), 0},
        {Bytes(good.begin(), good.end() - 4), 2},  // the last block's index line and dump
        {doubled, 0},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& [bytes, marks] = files[i];
        test::writeFile(path, bytes);
        BitbaseCache_t cache(1 << 20);
        cache.setPath(dir.path());
        int result = 5;
        EXPECT_EQ(cache.probe(types0, types1, squares0, squares1, 0, -1, false, result), i == 0) << i;
        EXPECT_EQ(result, i == 0 ? 1 : 5) << i;
        EXPECT_EQ(cache.pieceLimit(), i == 0 ? 6 : 2) << i;  // as for a missing KDK file

        test::EngineProcess explain({"--ExplainBitbase", "KDK"});
        EXPECT_EQ(explain.waitExit(20000), i == 0 ? 0 : 1) << i;
        const std::vector<std::string> err = explain.readAllErrLines(1000);
        if (i == 0)
            EXPECT_TRUE(err.empty()) << i;
        else
            EXPECT_TRUE(err.size() == 1 && err[0].rfind("damaged bitbase file: ./KDK.abb (", 0) == 0) << i;
        int fehler = 0;
        for (const std::string& line : test::fileLines("KDK.txt"))
            fehler += line.find("Fehler") != std::string::npos;
        EXPECT_EQ(fehler, marks) << i;
    }
    std::filesystem::current_path(home);
}

}  // namespace tolvaren
