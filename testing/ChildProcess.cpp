#include "testing/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ventiq::testing {

namespace {

using Clock = std::chrono::steady_clock;

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// In the child between fork and exec only async-signal-safe calls are allowed
// (the test process has threads), so this reports a failure and ends.
[[noreturn]] void failInChild(int reportFd) {
    const int err = errno;
    [[maybe_unused]] ssize_t n = ::write(reportFd, &err, sizeof err);
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(Options options) {
    if (options.argv.empty()) throw std::runtime_error("no program to start");

    // Everything execve needs is built before the fork.
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& extra : options.env) replaced = replaced || nameOf(extra) == nameOf(entry);
        if (!replaced) entries.push_back(entry);
    }
    entries.insert(entries.end(), options.env.begin(), options.env.end());
    std::vector<char*> args, envp;
    for (auto& a : options.argv) args.push_back(a.data());
    args.push_back(nullptr);
    for (auto& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, report[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int* pair : {in, out, report}) {
            closeFd(pair[0]);
            closeFd(pair[1]);
        }
    };
    // The report pipe closes on a successful exec, so reading it tells a
    // started program from one that could not be run.
    if (::pipe2(report, O_CLOEXEC) != 0 ||
        (options.pipes && (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0))) {
        closeAll();
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    if (options.pipes) {
        // A write to a child that has gone must fail, not end the test.
        ::signal(SIGPIPE, SIG_IGN);
    }

    pid_ = ::fork();
    if (pid_ < 0) {
        closeAll();
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        // A program starts as from a shell: the test's ignored SIGPIPE and
        // blocked signals are inherited through exec otherwise.
        struct sigaction defaultAction {};
        defaultAction.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &defaultAction, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (options.pipes && (::dup2(in[0], STDIN_FILENO) < 0 || ::dup2(out[1], STDOUT_FILENO) < 0))
            failInChild(report[1]);
        if (options.uid && (::setgid(*options.uid) != 0 || ::setuid(*options.uid) != 0)) failInChild(report[1]);
        ::execve(args[0], args.data(), envp.data());
        failInChild(report[1]);
    }

    closeFd(report[1]);
    int err = 0;
    ssize_t got;
    while ((got = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    closeFd(report[0]);
    if (got > 0) {
        closeAll();
        wait(std::chrono::seconds(5));
        throw std::runtime_error("cannot start " + options.argv[0] + ": " + std::strerror(err));
    }
    closeFd(in[0]);
    closeFd(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
}

ChildProcess::~ChildProcess() {
    closeFd(toChild_);
    closeFd(fromChild_);
    if (!status_) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ChildProcess::writeLine(const std::string& line) {
    const std::string data = line + "\n";
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(toChild_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void ChildProcess::closeInput() { closeFd(toChild_); }

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || fromChild_ < 0) return std::nullopt;
        pollfd p{fromChild_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) return std::nullopt;
        if (ready <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

void ChildProcess::signal(int sig) {
    if (!status_) ::kill(pid_, sig);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!status_) {
        int raw = 0;
        const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
            break;
        }
        if (r < 0 && errno != EINTR) throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

int ChildProcess::terminate(std::chrono::milliseconds grace) {
    signal(SIGTERM);
    if (const auto status = wait(grace)) return *status;
    signal(SIGKILL);
    return *wait(std::chrono::hours(1));
}

}  // namespace ventiq::testing
