#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace tolvaren::test {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// How long a single write may wait for the engine to take the bytes.
constexpr int WriteTimeoutMs = 20000;

}  // namespace

EngineProcess::EngineProcess(const std::vector<std::string>& args) {
    start(TOLVAREN_ENGINE_PATH, args);
}

EngineProcess::EngineProcess(const std::string& path, const std::vector<std::string>& args,
                             const std::string& workingDirectory) {
    start(path, args, workingDirectory);
}

EngineProcess::~EngineProcess() {
    closeInput();
    kill();
    closeFd(out_.fd);
    closeFd(err_.fd);
}

void EngineProcess::start(const std::string& path, const std::vector<std::string>& args,
                          const std::string& workingDirectory) {
    // A write to an engine that has exited must fail, not end the test process.
    ::signal(SIGPIPE, SIG_IGN);

    int pipes[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};  // the child's input, output and error
    bool piped = true;
    for (auto& p : pipes) piped = piped && ::pipe2(p, O_CLOEXEC) == 0;
    // Build argv before forking: the child may only call async-signal-safe functions.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = piped ? ::fork() : -1;
    if (pid == 0) {
        ::dup2(pipes[0][0], 0);
        ::dup2(pipes[1][1], 1);
        ::dup2(pipes[2][1], 2);
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) ::_exit(126);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    closeFd(pipes[0][0]);
    closeFd(pipes[1][1]);
    closeFd(pipes[2][1]);
    if (pid < 0) {
        closeFd(pipes[0][1]);
        closeFd(pipes[1][0]);
        closeFd(pipes[2][0]);
        return;
    }
    pid_ = pid;
    inFd_ = pipes[0][1];
    out_.fd = pipes[1][0];
    err_.fd = pipes[2][0];
    ::fcntl(inFd_, F_SETFL, ::fcntl(inFd_, F_GETFL) | O_NONBLOCK);
}

bool EngineProcess::sendRaw(std::string_view bytes) {
    const auto deadline = after(WriteTimeoutMs);
    while (!bytes.empty()) {
        if (inFd_ < 0) return false;
        const ssize_t n = ::write(inFd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{inFd_, POLLOUT, 0};
        if (::poll(&p, 1, remainingMs(deadline)) <= 0 && Clock::now() >= deadline) return false;
    }
    return true;
}

bool EngineProcess::send(std::string_view line) {
    return sendRaw(std::string(line) + '\n');
}

void EngineProcess::closeInput() {
    closeFd(inFd_);
}

std::optional<std::string> EngineProcess::readLineFrom(Stream& s, int timeoutMs) {
    const auto deadline = after(timeoutMs);
    for (;;) {
        const std::size_t end = s.buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = s.buffer.substr(0, end);
            s.buffer.erase(0, end + 1);
            return line;
        }
        if (s.ended || s.fd < 0) {
            if (s.buffer.empty()) return std::nullopt;
            return std::exchange(s.buffer, {});
        }
        pollfd p{s.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char chunk[4096];
        const ssize_t n = ::read(s.fd, chunk, sizeof chunk);
        if (n > 0)
            s.buffer.append(chunk, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            s.ended = true;
    }
}

std::vector<std::string> EngineProcess::readAllFrom(Stream& s, int timeoutMs) {
    const auto deadline = after(timeoutMs);
    std::vector<std::string> lines;
    while (auto line = readLineFrom(s, remainingMs(deadline))) lines.push_back(std::move(*line));
    return lines;
}

std::optional<std::string> EngineProcess::readUntil(std::string_view prefix, int timeoutMs,
                                                    std::vector<std::string>* skipped) {
    const auto deadline = after(timeoutMs);
    while (auto line = readLine(remainingMs(deadline))) {
        if (line->compare(0, prefix.size(), prefix) == 0) return line;
        if (skipped) skipped->push_back(*line);
    }
    return std::nullopt;
}

std::optional<int> EngineProcess::waitExit(int timeoutMs) {
    const auto deadline = after(timeoutMs);
    while (pid_ > 0) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            exitStatus_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        } else if (r < 0 && errno != EINTR) {
            pid_ = -1;
        } else if (Clock::now() >= deadline) {
            kill();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return exitStatus_;
}

void EngineProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace tolvaren::test
