#include "bitbase/explain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bitbase_test_support.h"

namespace tolvaren {

TEST(ExplainBitbase, HandMadeFileLineByLine) {
    using test::Bytes;
    using Lines = std::vector<std::string>;
    test::ScratchDirectory dir;
    // Twenty entries, uniform zero blocks unless set here; the data starts at offset 100:
    // a literal, a marked literal, a short run, runs of zeros to 512 (marker A, W0 = 0x00),
    // then a copy from before the start.
    std::vector<Bytes> entries(20, Bytes{0x00, 0xFF, 0xFF, 0xFF, 0x00});
    entries[1] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    entries[2] = entries[3] = test::indexEntry(100, 12);
    entries[4] = test::indexEntry(112, 3);
    Bytes file;
    for (const Bytes& e : entries) file.insert(file.end(), e.begin(), e.end());
    file.insert(file.end(), {0xA0, 0x12, 0xA0, 0x05, 0xA5, 0x33, 0xA6, 0xFF, 0x00, 0xA6, 0xF4, 0x00});
    file.insert(file.end(), {0xA0, 0xA1, 0x00, 0, 0, 0});
    test::writeFile(dir.path("KDK.abb"), file);

    // Block 4 does not decode: the file is damaged, and said to be.
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(explainBitbase("KDK", dir.path(), err), 1);
    std::fclose(err);

    const std::string bar(26, '#'), header = "   0: a0       Markierung a0..af; Wdh0=0x00, Wdh1=0xff";
    Lines expected = {std::string(17, '#'),
                      "###   Index   ###",
                      std::string(17, '#'),
                      "",
                      "       0: 00 ff ff ff 00 00 .. 00",
                      "       1: ff ff ff ff 00 ff .. ff",
                      "       2: 64 00 00 00 0c Position 00000064 12 Bytes",
                      "       3: 64 00 00 00 0c Position 00000064 12 Bytes Wiederholung",
                      "       4: 70 00 00 00 03 Position 00000070 3 Bytes"};
    for (int k = 5; k < 20; ++k)
        expected.push_back(std::string(k > 9 ? 6 : 7, ' ') + std::to_string(k) + ": 00 ff ff ff 00 00 .. 00");
    const Lines rest = {"", bar, "###   Block 2          ###", bar, "", header, "   0: 12",
                        "   1: a0 05    Markiertes Zeichen 0xa5",
                        "   2: a5 33    genau 3 Zeichen Wiederholung (0x33)",
                        "   5: a6 ff 00 Wiederholung (0x00), L\xe4nge 259",
                        " 264: a6 f4 00 Wiederholung (0x00), L\xe4nge 248", " 512: komprimiert zu 12 Bytes",
                        // The failing code's line, then the failure.
                        "", bar, "###   Block 4          ###", bar, "", header,
                        "   0: a1 00    kurze Kopie (b): 3 Zeichen ab Position -3", "   0: Fehler"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    const Lines got = test::fileLines(dir.path("KDK.txt"));
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i;
}

}  // namespace tolvaren
