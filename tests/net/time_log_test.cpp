#include "net/time_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_files.h"

namespace tolvaren {
namespace {

std::string fileText(const std::string& name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ZeitnetzEingabe_t input(int rootMoves) {
    Iterationsmerkmale_t r, p;
    r.rootMoves = rootMoves;
    return Zeitnetz_t::encodeInputs(r, p);
}

TEST(Zeitprotokoll, KeepsTheLastThreeIterationsAndAppendsThem) {
    test::TempDir dir;
    const std::string file = dir.path("time.log");

    Zeitprotokoll_t log;
    EXPECT_TRUE(log.append(file.c_str()));  // nothing to write: no file appears
    EXPECT_EQ(std::fopen(file.c_str(), "r"), nullptr);

    for (int i = 1; i <= 4; ++i) log.record(input(4 * i), 0.25 * i, i % 2, 1000 * i);
    log.record(input(99), 9.0, 1, 30000);  // past the logging limit: ignored
    ASSERT_EQ(log.lineCount(), 3);
    const std::string expected =
        "0 0 0 1 1 1 1 0 0 0.2 0 0 0 0 0 0 0.5 0\n"
        "0 0 0 1 1 1 1 0 0 0.3 0 0 0 0 0 0 0.75 1\n"
        "0 0 0 1 1 1 1 0 0 0.4 0 0 0 0 0 0 1 0\n";
    EXPECT_TRUE(log.append(file.c_str()));
    EXPECT_EQ(fileText(file), expected);
    EXPECT_TRUE(log.append(file.c_str()));
    EXPECT_EQ(fileText(file), expected + expected);

    EXPECT_TRUE(log.append("/dev/null"));
    EXPECT_FALSE(log.append(dir.path("missing/time.log").c_str()));

    log.clear();
    EXPECT_EQ(log.lineCount(), 0);
    log.record(input(40), 0.08, 1, 29999);
    EXPECT_STREQ(log.line(0), "0 0 0 1 1 1 1 0 0 1 0 0 0 0 0 0 0.08 1");
    EXPECT_STREQ(log.line(1), "");
}

}  // namespace
}  // namespace tolvaren
