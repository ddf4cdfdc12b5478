#include "match/pgn_writer.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace tolvaren::match {

std::string pgnDate(std::time_t when) {
    char date[16];
    std::tm tm{};
    gmtime_r(&when, &tm);
    std::strftime(date, sizeof date, "%Y.%m.%d", &tm);
    return date;
}

std::string gamePgn(const PgnHeader& header, const Opening& opening, const GameRecord& g) {
    const std::string result = resultText(g.result);
    const std::vector<std::string>& san = g.san;
    std::string p;
    auto tag = [&](const char* name, const std::string& value) {
        std::string escaped;
        for (const char c : value) {
            if (c == '"' || c == '\\') escaped += '\\';
            escaped += c;
        }
        p += std::string("[") + name + " \"" + escaped + "\"]\n";
    };
    tag("Event", "tolvaren-match");
    tag("Site", "?");
    tag("Date", header.date);
    tag("Round", std::to_string(header.round));
    tag("White", header.white);
    tag("Black", header.black);
    tag("Result", result);
    if (!opening.fen.empty()) tag("SetUp", "1"), tag("FEN", opening.fen);
    tag("TimeControl", header.timeControl);
    tag("Termination", g.termination);
    if (!opening.name.empty()) tag("Opening", opening.name);
    tag("PlyCount", std::to_string(san.size()));
    p += "\n";
    // Move numbers count from the FEN's own number where there is one.
    int fullMove = 1;
    if (!opening.fen.empty()) {
        std::istringstream fields(opening.fen);
        std::string field;
        for (int i = 0; i < 6 && fields >> field; ++i)
            if (i == 5) fullMove = std::max(1, std::atoi(field.c_str()));
    }
    std::string lineText;
    auto word = [&](const std::string& w) {
        if (!lineText.empty() && lineText.size() + 1 + w.size() > 79) p += lineText + "\n", lineText.clear();
        lineText += (lineText.empty() ? "" : " ") + w;
    };
    for (size_t i = 0; i < san.size(); ++i) {
        const int at = static_cast<int>(i) + (opening.start.side == Black ? 1 : 0);
        if (at % 2 == 0)
            word(std::to_string(fullMove + at / 2) + ". " + san[i]);
        else
            word(i == 0 ? std::to_string(fullMove) + "... " + san[i] : san[i]);
    }
    word("{" + g.reason + "}");
    word(result);
    p += lineText + "\n\n";
    return p;
}

}  // namespace tolvaren::match
