// The bitbase explanation: a hand-assembled file with every kind of code and a damaged
// block dumped line by line.
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

// One stream with every kind of code (marker A, W0 = 0x00), 62 bytes of output, then
// two runs of zeros to 512.
const Bytes EveryCode = {0xA0, 0x12, 0xA0, 0x05, 0xA8, 0xA3, 0x00, 0xA7, 0x00, 0xA5, 0x33,
                         0xA6, 0x01, 0x44, 0xA1, 0x5E, 0xA0, 0x1A, 0xA2, 0x06, 0x23, 0xA4,
                         0xE4, 0xA3, 0x0A, 0xA6, 0xFF, 0x00, 0xA6, 0xBB, 0x00};

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
    const uint32_t first = 100, damaged = first + 31;
    std::vector<Bytes> entries(20, Bytes{0x00, 0xFF, 0xFF, 0xFF, 0x00});
    entries[1] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    entries[2] = entries[3] = testing::indexEntry(first, 31);
    entries[4] = testing::indexEntry(damaged, 3);
    Bytes file;
    for (const Bytes& e : entries) file.insert(file.end(), e.begin(), e.end());
    file.insert(file.end(), EveryCode.begin(), EveryCode.end());
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
                      "       2: 64 00 00 00 1f Position 00000064 31 Bytes",
                      "       3: 64 00 00 00 1f Position 00000064 31 Bytes Wiederholung",
                      "       4: 83 00 00 00 03 Position 00000083 3 Bytes"};
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
                    "   2: a8       Wiederholung 0a (0x00), L\xe4nge 2",
                    "   4: a3 00    Wiederholung 0b (0x00), L\xe4nge 19",
                    "  23: a7 00    Wiederholung 1 (0xff), L\xe4nge 3",
                    "  26: a5 33    genau 3 Zeichen Wiederholung (0x33)",
                    "  29: a6 01 44 Wiederholung (0x44), L\xe4nge 5",
                    "  34: a1 5e    kurze Kopie (b): 4 Zeichen ab Position 0",
                    "  38: a0 1a    kurze Kopie (a): 7 Zeichen ab Position 21",
                    "  45: a2 06 23 lange Kopie: 10 Zeichen ab Position 0",
                    "  55: a4 e4    letzte 4 Nachfolger",
                    "  59: a3 0a    letzte/vorletzte Nachfolger (0x0a), L\xe4nge 3",
                    "  62: a6 ff 00 Wiederholung (0x00), L\xe4nge 259",
                    " 321: a6 bb 00 Wiederholung (0x00), L\xe4nge 191",
                    " 512: komprimiert zu 31 Bytes",
                });
    appendBlock(expected, 4,  // the failing code's line, then the failure
                {"   0: a0       Markierung a0..af; Wdh0=0x00, Wdh1=0xff",
                 "   0: a1 00    kurze Kopie (b): 3 Zeichen ab Position -3", "   0: Fehler"});

    const Lines got = fileLines(dir.path("KDK.txt"));
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i;
}

}  // namespace tolvaren
