#include "protocol/xboard_interface.h"

#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "protocol/text_scan.h"
#include "protocol/xboard_arguments.h"
#include "protocol/xboard_options.h"
#include "protocol/xboard_output.h"
#include "search/options.h"
#include "search/time_control.h"

namespace tolvaren {

using xboard_arguments::trimRight;

namespace {

// The adapter compares its command words up to this length.
constexpr std::size_t CommandWordLength = 16;
constexpr std::size_t PingLength = 30;
constexpr int64_t MinimumClock = 150;
constexpr int64_t InitialClock = 300000;

}  // namespace

// Tested in this order; the first word of the line is compared exactly.
const XBoardInterface_t::Command XBoardInterface_t::commands[] = {
    {"xboard", &XBoardInterface_t::xboard},
    {"protover", &XBoardInterface_t::protover},
    {"accepted", &XBoardInterface_t::ignore},
    {"rejected", &XBoardInterface_t::ignore},
    {"new", &XBoardInterface_t::newGame},
    {"variant", &XBoardInterface_t::variant},
    {"quit", &XBoardInterface_t::quit},
    {"random", &XBoardInterface_t::ignore},
    {"force", &XBoardInterface_t::force},
    {"go", &XBoardInterface_t::go},
    {"playother", &XBoardInterface_t::playother},
    {"level", &XBoardInterface_t::level},
    {"st", &XBoardInterface_t::st},
    {"sd", &XBoardInterface_t::sd},
    {"time", &XBoardInterface_t::time},
    {"otim", &XBoardInterface_t::ignore},
    {"usermove", &XBoardInterface_t::usermove},
    {"?", &XBoardInterface_t::moveNow},
    {"ping", &XBoardInterface_t::ping},
    {"draw", &XBoardInterface_t::draw},
    {"result", &XBoardInterface_t::result},
    {"setboard", &XBoardInterface_t::setboard},
    {"hint", &XBoardInterface_t::hint},
    {"bk", &XBoardInterface_t::bk},
    {"undo", &XBoardInterface_t::undo},
    {"remove", &XBoardInterface_t::remove},
    {"hard", &XBoardInterface_t::hard},
    {"easy", &XBoardInterface_t::easy},
    {"post", &XBoardInterface_t::postOn},
    {"nopost", &XBoardInterface_t::postOff},
    {"analyze", &XBoardInterface_t::analyze},
    {"name", &XBoardInterface_t::name},
    {"rating", &XBoardInterface_t::ignore},
    {"computer", &XBoardInterface_t::ignore},
    {"exit", &XBoardInterface_t::exitAnalysis},
    {".", &XBoardInterface_t::status},
    {"memory", &XBoardInterface_t::memory},
    {"cores", &XBoardInterface_t::cores},
    {"option", &XBoardInterface_t::option},
};

XBoardInterface_t::XBoardInterface_t(Eingabe_t& uci, const Optionen_t& options, XBoardAusgabe_t& output,
                                     const char* iniPath)
    : options_(options),
      output_(output),
      iniPath_(iniPath),
      // Runs on the worker after the ini file's "setoption" lines, so the dialog shows their values.
      queue_(uci, output, [this](const char*) {
          announceXboardOptions(options_, [this](const char* l) { output_.line(l); });
      }) {
    resetGame();
}

XBoardInterface_t::~XBoardInterface_t() {
    // The sink must not reach into an adapter that is going away.
    output_.connect(nullptr, nullptr);
    std::lock_guard lock(commandMutex_);
    shuttingDown_ = true;
}

void XBoardInterface_t::post(XboardUciQueue_t::Kind kind, std::string_view text, std::string_view detail) {
    if (shuttingDown_) return;
    queue_.post(kind, text, detail);
}

void XBoardInterface_t::handleLine(const char* line) {
    bool drain = false;
    {
        std::lock_guard lock(commandMutex_);
        const char* p = skipSpace(line);
        char word[CommandWordLength + 1];
        std::size_t n = 0;
        while (n < CommandWordLength && p[n] != '\0' && !isBlankChar(p[n])) {
            word[n] = p[n];
            ++n;
        }
        word[n] = '\0';
        if (n == 0) return;
        const char* args = p + n;

        if (protocolVersion_ < 2 && std::strcmp(word, "xboard") != 0 && std::strcmp(word, "protover") != 0) {
            post(XboardUciQueue_t::Error, "protocol version 2 required", line);
            postCommand("quit");
            waitForQueue_ = true;
        } else {
            const Command* command = nullptr;
            for (const Command& c : commands)
                if (std::strcmp(word, c.word) == 0) {
                    command = &c;
                    break;
                }
            if (command != nullptr)
                (this->*command->run)(line, args);
            else
                post(XboardUciQueue_t::Error, "unknown command", line);
        }
        drain = waitForQueue_;
        waitForQueue_ = false;
    }
    // Waiting under the command lock could deadlock with a best-move report that
    // needs the lock while the worker waits for that search to end.
    if (drain) queue_.waitUntilDrained();
}

// ---- game and searches ----------------------------------------------------------

void XBoardInterface_t::resetGame() {
    game_.reset();
    expectedReply_ = 0;
    control_ = XboardTimeControl::initial();
    ownClock_ = InitialClock;
    fixedMoveTime_ = -1;
    fixedDepth_ = -1;
    forceMode_ = false;
    verdict_.reset();
}

void XBoardInterface_t::stopSilently() {
    // The muted bracket swallows the best move of the interrupted search.
    postCommand("setoption name NoOutput value true");
    postCommand("stop");
    postCommand("setoption name NoOutput value false");
    output_.setPonderMove("");
    output_.abandonSearch();
    pondering_ = false;
    thinking_ = false;
}

void XBoardInterface_t::postPosition(const char* ponderMove) {
    std::string command = "position " + game_.startText();
    if (!game_.moveText().empty() || ponderMove != nullptr) {
        command += " moves ";
        command += game_.moveText();
        if (ponderMove != nullptr) command += ponderMove;
    }
    trimRight(command);
    postCommand(command);
}

void XBoardInterface_t::startThinking(Zug_t ponderMove) {
    char ponderText[8] = {};
    std::string ponderField;
    if (ponderMove != 0) {
        writeCoordinate(game_.position(), ponderMove, ponderText);
        ponderField = XBoardGame_t::moveField(ponderText);
    } else {
        thinking_ = true;
    }
    postPosition(ponderMove != 0 ? ponderField.c_str() : nullptr);
    uint64_t rootKey = game_.state().hashKey;
    if (ponderMove != 0) {
        Stellung_t after = game_.position();
        Zustand_t next;
        Rueckzug_t undo;
        rootKey = playMove(after, ponderMove, game_.state(), next, undo) ? next.hashKey : 0;
    }
    output_.beginSearch(countLegalMoves(game_.position(), game_.state()), rootKey);

    GoRequest request;
    request.fixedDepth = fixedDepth_;
    request.fixedMoveTime = fixedMoveTime_;
    request.ownClock = ownClock_;
    request.halfMovesPlayed = game_.halfMovesPlayed();
    request.ponder = ponderMove != 0;
    TextLine go;
    formatGoLine(go, control_, request);
    output_.setPonderMove(ponderText);
    postCommand(go.c_str());
}

void XBoardInterface_t::startAnalysis() {
    analyzeMode_ = true;
    postPosition(nullptr);
    output_.beginAnalysis(countLegalMoves(game_.position(), game_.state()), nowMillis(),
                          game_.state().hashKey);
    postCommand("go infinite");
}

bool XBoardInterface_t::gameEnded() {
    const char* result = game_.result();
    if (result == nullptr) return false;
    printInOrder(result);
    return true;
}

void XBoardInterface_t::flushDeferredPong() {
    if (deferredPong_.empty()) return;
    post(XboardUciQueue_t::Line, deferredPong_);
    deferredPong_.clear();
}

void XBoardInterface_t::engineMoved(Zug_t best, Zug_t ponder) {
    std::lock_guard lock(commandMutex_);
    // A report that arrives after the adapter stopped waiting for it (force, new,
    // result ... while it waited for the lock) belongs to no game any more.
    if (!thinking_ || output_.muted() || shuttingDown_) return;
    if (best == 0 || !isLegal(game_.position(), best, game_.state())) {
        char text[8];
        post(XboardUciQueue_t::Error, "engine move not legal", writeCoordinate(game_.position(), best, text));
        thinking_ = false;
        flushDeferredPong();
        return;
    }

    // The offer goes with the move, judged on the position the engine moved in.
    const int legalMoves = countLegalMoves(game_.position(), game_.state());
    if (verdict_.offerDraw(game_.position().side, legalMoves, output_.lastScore(), game_.halfMovesPlayed()))
        output_.line("offer draw");
    char text[8];
    TextLine move;
    move.appendf("move %s", writeCoordinate(game_.position(), best, text));
    output_.line(move.c_str());

    ownClock_ -= nowMillis() - thinkStart_;
    const int64_t fullMoves = game_.halfMovesPlayed() / 2;
    ownClock_ += static_cast<int64_t>(incrementDue(control_, fullMoves));
    if (ownClock_ < MinimumClock) ownClock_ = MinimumClock;

    game_.play(best);
    thinking_ = false;
    pondering_ = false;
    expectedReply_ = 0;
    if (gameEnded()) {
        flushDeferredPong();
        return;
    }
    if (verdict_.resign(options_.number("Resign", XBoardVerdict_t::ResignAbsent))) {
        output_.line("resign");
        flushDeferredPong();
        return;
    }
    flushDeferredPong();

    // A ponder move the search got wrong is dropped rather than sent on.
    expectedReply_ = ponder != 0 && isLegal(game_.position(), ponder, game_.state()) ? ponder : 0;
    if (ponderEnabled_ && expectedReply_ != 0 && fixedDepth_ <= 0 && fixedMoveTime_ < 0) {
        pondering_ = true;
        startThinking(expectedReply_);
    }
}

// ---- commands -------------------------------------------------------------------

void XBoardInterface_t::printInOrder(const char* text) {
    post(XboardUciQueue_t::Line, text);
}

void XBoardInterface_t::xboard(const char*, const char*) {
    printInOrder("");
}

void XBoardInterface_t::ignore(const char*, const char*) {}

void XBoardInterface_t::newGame(const char*, const char*) {
    stopSilently();
    postCommand("position startpos");
    postCommand("setoption name UCI_Chess960 value false");
    postCommand("setoption name Clear Hash value true");
    postCommand("ucinewgame");
    resetGame();
    if (analyzeMode_) startAnalysis();
}

void XBoardInterface_t::quit(const char*, const char*) {
    postCommand("setoption name NoOutput value true");
    postCommand("quit");
    waitForQueue_ = true;
}

void XBoardInterface_t::force(const char*, const char*) {
    stopSilently();
    forceMode_ = true;
}

void XBoardInterface_t::go(const char*, const char*) {
    forceMode_ = false;
    thinkStart_ = nowMillis();
    startThinking(0);
}

void XBoardInterface_t::playother(const char*, const char*) {
    forceMode_ = false;
}

void XBoardInterface_t::usermove(const char*, const char* args) {
    thinkStart_ = nowMillis();
    const char* p = skipSpace(args);
    char text[XBoardGame_t::MoveFieldWidth + 1] = {};
    std::size_t n = 0;
    while (n < XBoardGame_t::MoveFieldWidth && p[n] != '\0' && !isBlankChar(p[n])) {
        text[n] = p[n];
        ++n;
    }
    const std::string field = XBoardGame_t::moveField(text);
    const Zug_t move = n > 0 ? readCoordinate(game_.position(), field) : 0;
    if (move == 0 || !isLegal(game_.position(), move, game_.state())) {
        post(XboardUciQueue_t::Line, std::string("Illegal move: ") + text);
        return;
    }
    game_.play(move);
    if (gameEnded()) {
        if (analyzeMode_ || pondering_) stopSilently();
        return;
    }
    if (analyzeMode_) {
        stopSilently();
        startAnalysis();
        return;
    }
    if (forceMode_) return;
    if (pondering_ && move == expectedReply_) {
        // The running search goes on as the search for the engine's own move.
        postCommand("ponderhit");
        pondering_ = false;
        thinking_ = true;
        output_.setPonderMove("");
        return;
    }
    if (pondering_) stopSilently();
    startThinking(0);
}

void XBoardInterface_t::moveNow(const char*, const char*) {
    if (!(ponderEnabled_ && pondering_)) postCommand("stop");
}

void XBoardInterface_t::ping(const char* line, const char*) {
    std::string pong(skipSpace(line), 0, PingLength);
    if (pong.size() >= 2) pong[1] = 'o';
    if (thinking_ && !pondering_)
        deferredPong_ = pong;
    else
        post(XboardUciQueue_t::Line, pong);
}

void XBoardInterface_t::draw(const char*, const char*) {
    verdict_.opponentOffers();
}

void XBoardInterface_t::result(const char*, const char*) {
    stopSilently();
}

void XBoardInterface_t::setboard(const char*, const char* args) {
    stopSilently();
    std::string fen(skipSpace(args));
    trimRight(fen);
    if (!game_.setUp(fen)) post(XboardUciQueue_t::Error, "Illegal position", fen);
    expectedReply_ = 0;
    if (analyzeMode_) startAnalysis();
}

void XBoardInterface_t::hint(const char*, const char*) {
    if (output_.analyzing()) {
        TextLine line;
        if (output_.formatAnalysisHint(line)) printInOrder(line.c_str());
        return;
    }
    if (expectedReply_ == 0) return;
    char text[8];
    post(XboardUciQueue_t::Line,
         std::string("Hint: ") + writeCoordinate(game_.position(), expectedReply_, text));
}

void XBoardInterface_t::bk(const char*, const char*) {
    printInOrder("");
}

void XBoardInterface_t::undo(const char*, const char*) {
    verdict_.reset();
    if (!forceMode_ && !analyzeMode_) return;
    game_.takeBack(1);
    if (analyzeMode_) {
        stopSilently();
        startAnalysis();
    }
}

void XBoardInterface_t::remove(const char*, const char*) {
    if (pondering_) {
        stopSilently();
        expectedReply_ = 0;
    }
    game_.takeBack(2);
    verdict_.reset();
}

void XBoardInterface_t::analyze(const char*, const char*) {
    stopSilently();
    startAnalysis();
}

void XBoardInterface_t::exitAnalysis(const char*, const char*) {
    if (!analyzeMode_) return;
    stopSilently();
    output_.setPonderMove("");
    analyzeMode_ = false;
    output_.endAnalysis();
    postCommand("setoption name Clear Hash value true");
}

void XBoardInterface_t::status(const char*, const char*) {
    if (!analyzeMode_ || !output_.analyzing()) return;
    TextLine line;
    output_.formatAnalysisStatus(line, nowMillis());
    printInOrder(line.c_str());
}

// ---- views ----------------------------------------------------------------------

std::string XBoardInterface_t::moveText() const {
    std::lock_guard lock(commandMutex_);
    return game_.moveText();
}

int64_t XBoardInterface_t::ownClock() const {
    std::lock_guard lock(commandMutex_);
    return ownClock_;
}

int32_t XBoardInterface_t::protocolVersion() const {
    std::lock_guard lock(commandMutex_);
    return protocolVersion_;
}

XboardTimeControl XBoardInterface_t::timeControl() const {
    std::lock_guard lock(commandMutex_);
    return control_;
}

bool XBoardInterface_t::thinking() const {
    std::lock_guard lock(commandMutex_);
    return thinking_;
}

bool XBoardInterface_t::pondering() const {
    std::lock_guard lock(commandMutex_);
    return pondering_;
}

}  // namespace tolvaren
