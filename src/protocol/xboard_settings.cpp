// The XBoard adapter's handshake and the commands that only change settings: the
// clock and search limits, pondering and thinking output, and the engine's options.
// The command table and the game's commands are in xboard_interface.cpp.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "protocol/text_scan.h"
#include "protocol/xboard_arguments.h"
#include "protocol/xboard_interface.h"
#include "protocol/xboard_options.h"
#include "protocol/xboard_output.h"

namespace tolvaren {

using xboard_arguments::readInteger;
using xboard_arguments::readReal;
using xboard_arguments::trimRight;

namespace {

const char* const FeatureLines[] = {
    "feature done=0",      "feature myname=\"Tolvaren 2017-01-01\"",
    "feature ping=1",      "feature setboard=1",
    "feature playother=1", "feature usermove=1",
    "feature sigint=0",    "feature variants=\"normal,fischerandom\"",
    "feature colors=0",    "feature ics=0",
    "feature name=1",      "feature memory=1",
    "feature smp=1",
};

}  // namespace

void XBoardInterface_t::protover(const char*, const char* args) {
    int64_t version = 0;
    readInteger(args, version);
    protocolVersion_ = static_cast<int32_t>(std::clamp<int64_t>(version, INT32_MIN, INT32_MAX));
    if (protocolVersion_ < 2) {
        post(XboardUciQueue_t::Error, "protocol version 2 required", skipSpace(args));
        postCommand("quit");
        waitForQueue_ = true;
        return;
    }
    postCommand("debug on");
    for (const char* feature : FeatureLines) post(XboardUciQueue_t::Line, feature);

    std::ifstream ini(iniPath_);
    if (!ini) {
        post(XboardUciQueue_t::Error, "file 'Tolvaren.ini' not found", "protover");
        post(XboardUciQueue_t::Deferred, "options");
        post(XboardUciQueue_t::Line, "feature done=1");
        return;
    }
    std::string entry;
    while (std::getline(ini, entry)) {
        trimRight(entry);
        if (entry.rfind("setoption ", 0) == 0) postCommand(entry);
    }
    game_.restartBoard();
    post(XboardUciQueue_t::Deferred, "options");
    post(XboardUciQueue_t::Line, "feature done=1");
}

void XBoardInterface_t::variant(const char* line, const char*) {
    postCommand(std::strstr(line, "fischerandom") != nullptr ? "setoption name UCI_Chess960 value true"
                                                             : "setoption name UCI_Chess960 value false");
}

void XBoardInterface_t::level(const char* line, const char* args) {
    XboardTimeControl control;
    // A malformed line keeps the time control that was in force.
    if (!parseLevel(args, control)) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    control_ = control;
    ownClock_ = static_cast<int64_t>(control_.periods[0].base);
    fixedMoveTime_ = -1;
    fixedDepth_ = -1;
}

void XBoardInterface_t::st(const char* line, const char* args) {
    double seconds = 0.0;
    if (!readReal(args, seconds) || seconds < 0.0 || seconds > 1e12) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    fixedMoveTime_ = static_cast<int64_t>(seconds * 1000.0);
    fixedDepth_ = -1;
}

void XBoardInterface_t::sd(const char* line, const char* args) {
    int64_t depth = 0;
    if (!readInteger(args, depth)) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    fixedDepth_ = static_cast<int32_t>(std::clamp<int64_t>(depth, -1, INT32_MAX));
    fixedMoveTime_ = -1;
}

void XBoardInterface_t::time(const char* line, const char* args) {
    int64_t centis = 0;
    if (!readInteger(args, centis)) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    ownClock_ = std::clamp<int64_t>(centis, -INT64_MAX / 10, INT64_MAX / 10) * 10;
}

void XBoardInterface_t::hard(const char*, const char*) {
    ponderEnabled_ = true;
}

void XBoardInterface_t::easy(const char*, const char*) {
    if (pondering_) stopSilently();
    ponderEnabled_ = false;
}

void XBoardInterface_t::postOn(const char*, const char*) {
    output_.setThinkingOutput(true);
}

void XBoardInterface_t::postOff(const char*, const char*) {
    output_.setThinkingOutput(false);
}

void XBoardInterface_t::name(const char* line, const char*) {
    const char* rest = std::strstr(line, "name ");
    postCommand(std::string("setoption name Opponent value ") + (rest != nullptr ? rest + 5 : ""));
}

void XBoardInterface_t::memory(const char* line, const char* args) {
    int64_t megabytes = 0;
    if (!readInteger(args, megabytes)) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    char command[64];
    std::snprintf(command, sizeof command, "setoption name Hash value %ld",
                  static_cast<long>(std::clamp<int64_t>(megabytes - 4, 1, INT32_MAX)));
    postCommand(command);
}

void XBoardInterface_t::cores(const char* line, const char* args) {
    int64_t count = 0;
    if (!readInteger(args, count)) {
        post(XboardUciQueue_t::Error, "bad parameters", line);
        return;
    }
    char command[64];
    std::snprintf(command, sizeof command, "setoption name NumberOfProcessors value %d",
                  static_cast<int>(std::clamp<int64_t>(count, 1, INT32_MAX)));
    postCommand(command);
}

// The settings dialog's "option NAME=VALUE".
void XBoardInterface_t::option(const char* line, const char* args) {
    std::string setoption;
    switch (translateXboardOption(options_, args, setoption)) {
        case XboardOptionResult::Set:
            postCommand(setoption);
            break;
        case XboardOptionResult::UnknownName:
            post(XboardUciQueue_t::Error, "unknown option", line);
            break;
        case XboardOptionResult::BadValue:
            post(XboardUciQueue_t::Error, "bad parameters", line);
            break;
    }
}

}  // namespace tolvaren
