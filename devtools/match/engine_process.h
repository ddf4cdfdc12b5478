// One UCI engine as a child process of the match manager, in its own process group (so
// that Ctrl-C reaches only the manager), talked to through pipes; every read has a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

#include "match/command_line.h"

namespace tolvaren::match {

using Clock = std::chrono::steady_clock;

class EngineProcess {
   public:
    enum class Read { Line, Timeout, Closed };

    ~EngineProcess() { kill(); }

    // Starts the engine and runs the handshake; false (engine killed) on any failure.
    bool start(const EngineSetup& setup);

    bool alive() const { return pid_ > 0; }

    bool send(const std::string& line);
    Read readLine(std::string& line, Clock::time_point deadline);
    // Reads until a line that is `word` or starts with it and a blank.
    bool waitFor(const std::string& word, int ms);
    bool isReady(int ms) { return send("isready") && waitFor("readyok", ms); }

    // Asks the engine to quit, and kills it if it has not within a second.
    void quit();
    void kill();

   private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buffer_;
};

}  // namespace tolvaren::match
