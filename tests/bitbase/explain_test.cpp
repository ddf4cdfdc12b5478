// The bitbase explanation: a hand-assembled file with shared, uniform and damaged blocks
// dumped line by line.
#include "bitbase/explain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitbase_test_support.h"

namespace tolvaren {

namespace {

using test::fileLines;
using testing::Bytes;
using testing::ScratchDirectory;

using Lines = std::vector<std::string>;

// A literal, a marked literal, a short run, then runs of zeros to 512 (marker A, W0 = 0x00).
const Bytes Stream = {0xA0, 0x12, 0xA0, 0x05, 0xA5, 0x33, 0xA6, 0xFF, 0x00, 0xA6, 0xF4, 0x00};

// Appends block k's section: its title, then the lines of its body.
void appendBlock(Lines& to, int k, const Lines& body) {
    char title[64];
    std::snprintf(title, sizeof title, "###   Block %-8d   ###", k);
    to.insert(to.end(), {"", "##########################", title, "##########################", ""});
    to.insert(to.end(), body.begin(), body.end());
}

}  // namespace

TEST(ExplainBitbase, HandMadeFileLineByLine) {
    ScratchDirectory dir;
    // Twenty entries, uniform zero blocks unless set here; the data starts at offset 100.
    const uint32_t first = 100, damaged = first + 12;
    std::vector<Bytes> entries(20, Bytes{0x00, 0xFF, 0xFF, 0xFF, 0x00});
    entries[1] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    entries[2] = entries[3] = testing::indexEntry(first, 12);
    entries[4] = testing::indexEntry(damaged, 3);
    Bytes file;
    for (const Bytes& e : entries) file.insert(file.end(), e.begin(), e.end());
    file.insert(file.end(), Stream.begin(), Stream.end());
    file.insert(file.end(), {0xA0, 0xA1, 0x00});  // a copy from before the start
    file.insert(file.end(), 3, 0);
    testing::writeFile(dir.path("KDK.abb"), file);

    explainBitbase("KDK", dir.path());

    Lines expected = {"#################",
                      "###   Index   ###",
                      "#################",
                      "",
                      "       0: 00 ff ff ff 00 00 .. 00",
                      "       1: ff ff ff ff 00 ff .. ff",
                      "       2: 64 00 00 00 0c Position 00000064 12 Bytes",
                      "       3: 64 00 00 00 0c Position 00000064 12 Bytes Wiederholung",
                      "       4: 70 00 00 00 03 Position 00000070 3 Bytes"};
    for (int k = 5; k < 20; ++k) {
        char line[64];
        std::snprintf(line, sizeof line, "%8d: 00 ff ff ff 00 00 .. 00", k);
        expected.push_back(line);
    }
    appendBlock(expected, 2,
                {
                    "   0: a0       Markierung a0..af; Wdh0=0x00, Wdh1=0xff",
                    "   0: 12",
                    "   1: a0 05    Markiertes Zeichen 0xa5",
                    "   2: a5 33    genau 3 Zeichen Wiederholung (0x33)",
                    "   5: a6 ff 00 Wiederholung (0x00), L\xe4nge 259",
                    " 264: a6 f4 00 Wiederholung (0x00), L\xe4nge 248",
                    " 512: komprimiert zu 12 Bytes",
                });
    appendBlock(expected, 4,  // the failing code's line, then the failure
                {"   0: a0       Markierung a0..af; Wdh0=0x00, Wdh1=0xff",
                 "   0: a1 00    kurze Kopie (b): 3 Zeichen ab Position -3", "   0: Fehler"});

    const Lines got = fileLines(dir.path("KDK.txt"));
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i;
}

}  // namespace tolvaren
