#include "match/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <thread>
#include <vector>

extern char** environ;

namespace tolvaren::match {

bool EngineProcess::start(const EngineSetup& setup) {
    kill();
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]), close(toChild[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv{const_cast<char*>(setup.cmd.c_str())};
    for (const std::string& a : setup.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int error = posix_spawnp(&pid_, setup.cmd.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(toChild[0]), close(fromChild[1]);
    in_ = toChild[1], out_ = fromChild[0];
    if (error != 0) {
        pid_ = -1;
        kill();
        return false;
    }
    bool ok = send("uci") && waitFor("uciok", 10000);
    for (const auto& [name, value] : setup.options)
        ok = ok && send("setoption name " + name + " value " + value);
    if (!(ok && isReady(10000))) kill();
    return alive();
}

bool EngineProcess::send(const std::string& line) {
    if (in_ < 0) return false;
    const std::string text = line + "\n";
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(in_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

EngineProcess::Read EngineProcess::readLine(std::string& line, Clock::time_point deadline) {
    for (;;) {
        if (const size_t nl = buffer_.find('\n'); nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            buffer_.erase(0, nl + 1);
            return Read::Line;
        }
        if (out_ < 0) return Read::Closed;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return Read::Timeout;
        pollfd p{out_, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
        if (r < 0 && errno != EINTR) return Read::Closed;
        if (r <= 0) continue;
        char chunk[4096];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Read::Closed;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool EngineProcess::waitFor(const std::string& word, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    while (readLine(line, deadline) == Read::Line)
        if (line == word || line.rfind(word + " ", 0) == 0) return true;
    return false;
}

void EngineProcess::quit() {
    if (!alive()) return;
    send("quit");
    for (int i = 0; i < 100 && alive(); ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_)
            pid_ = -1;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill();
}

void EngineProcess::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
    in_ = out_ = -1;
    buffer_.clear();
}

}  // namespace tolvaren::match
