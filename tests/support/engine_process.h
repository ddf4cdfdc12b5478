// Runs the built engine as a child process for protocol tests: writes lines to its
// standard input and reads its standard output and standard error line by line,
// every wait bounded by a timeout. Free of test assertions so any test can use it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaren::test {

class EngineProcess {
   public:
    // Starts the engine built with the tests, given these arguments after its name.
    explicit EngineProcess(const std::vector<std::string>& args = {});
    // Starts another executable in the given working directory (empty: this one's).
    EngineProcess(const std::string& path, const std::vector<std::string>& args,
                  const std::string& workingDirectory);
    ~EngineProcess();  // kills the child if it still runs
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    bool running() const { return pid_ > 0; }

    // Writes the line and a line feed; false if the engine no longer reads.
    bool send(std::string_view line);
    // Writes bytes as they are (no line feed added).
    bool sendRaw(std::string_view bytes);
    // Ends the engine's standard input.
    void closeInput();

    // The next complete line without its line feed; nullopt on timeout or end of output.
    // A last line without a line feed is returned once the stream ends.
    std::optional<std::string> readLine(int timeoutMs) { return readLineFrom(out_, timeoutMs); }
    // Reads lines until one starts with prefix and returns it; the lines before it are
    // appended to skipped when given.
    std::optional<std::string> readUntil(std::string_view prefix, int timeoutMs,
                                         std::vector<std::string>* skipped = nullptr);
    // Every standard-output line until the stream ends (or the timeout passes).
    std::vector<std::string> readAllLines(int timeoutMs) { return readAllFrom(out_, timeoutMs); }
    std::vector<std::string> readAllErrLines(int timeoutMs) { return readAllFrom(err_, timeoutMs); }

    // Waits for the engine to exit and returns its exit status (128 + signal number
    // when a signal ended it). On timeout the engine is killed and nullopt returned.
    std::optional<int> waitExit(int timeoutMs);
    void kill();

   private:
    struct Stream {
        int fd = -1;
        std::string buffer;
        bool ended = false;
    };
    std::optional<std::string> readLineFrom(Stream& stream, int timeoutMs);
    std::vector<std::string> readAllFrom(Stream& stream, int timeoutMs);
    void start(const std::string& path, const std::vector<std::string>& args,
               const std::string& workingDirectory = {});

    pid_t pid_ = -1;
    int inFd_ = -1;
    Stream out_;
    Stream err_;
    std::optional<int> exitStatus_;
};

}  // namespace tolvaren::test
