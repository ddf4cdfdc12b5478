#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace tolvaren::test {

namespace {

using Clock = std::chrono::steady_clock;

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

EngineProcess::EngineProcess(const std::vector<std::string>& args) { start(TOLVAREN_ENGINE_PATH, args); }

EngineProcess::EngineProcess(const std::string& path, const std::vector<std::string>& args) { start(path, args); }

EngineProcess::~EngineProcess() {
    closeInput();
    kill();
    closeFd(out_.fd);
    closeFd(err_.fd);
}

void EngineProcess::start(const std::string& path, const std::vector<std::string>& args) {
    // A write to an engine that has exited must fail, not end the test process.
    ::signal(SIGPIPE, SIG_IGN);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
        return;
    }

    // Build argv before forking: the child may only call async-signal-safe functions.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(in[1]), ::close(out[0]), ::close(err[0]);
        return;
    }
    pid_ = pid;
    inFd_ = in[1];
    out_.fd = out[0];
    err_.fd = err[0];
    ::fcntl(inFd_, F_SETFL, ::fcntl(inFd_, F_GETFL) | O_NONBLOCK);
}

bool EngineProcess::sendRaw(std::string_view bytes) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(WriteTimeoutMs);
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
    std::string text(line);
    text += '\n';
    return sendRaw(text);
}

void EngineProcess::closeInput() { closeFd(inFd_); }

std::optional<std::string> EngineProcess::readLineFrom(Stream& s, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = s.buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = s.buffer.substr(0, end);
            s.buffer.erase(0, end + 1);
            return line;
        }
        if (s.ended || s.fd < 0) {
            if (s.buffer.empty()) return std::nullopt;
            std::string rest;
            rest.swap(s.buffer);
            return rest;
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

std::optional<std::string> EngineProcess::readLine(int timeoutMs) { return readLineFrom(out_, timeoutMs); }

std::optional<std::string> EngineProcess::readErrLine(int timeoutMs) { return readLineFrom(err_, timeoutMs); }

std::optional<std::string> EngineProcess::readUntil(std::string_view prefix, int timeoutMs,
                                                    std::vector<std::string>* skipped) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (auto line = readLine(remainingMs(deadline))) {
        if (line->compare(0, prefix.size(), prefix) == 0) return line;
        if (skipped) skipped->push_back(*line);
    }
    return std::nullopt;
}

std::vector<std::string> EngineProcess::readAllLines(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    while (auto line = readLine(remainingMs(deadline))) lines.push_back(std::move(*line));
    return lines;
}

std::vector<std::string> EngineProcess::readAllErrLines(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    while (auto line = readErrLine(remainingMs(deadline))) lines.push_back(std::move(*line));
    return lines;
}

std::optional<int> EngineProcess::waitExit(int timeoutMs) {
    if (exitStatus_) return exitStatus_;
    if (pid_ <= 0) return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            if (WIFEXITED(status))
                exitStatus_ = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                exitStatus_ = 128 + WTERMSIG(status);
            return exitStatus_;
        }
        if (r < 0 && errno != EINTR) {
            pid_ = -1;
            return std::nullopt;
        }
        if (Clock::now() >= deadline) {
            kill();
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
