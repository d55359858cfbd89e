#pragma once
// A program started by a test: argv with extra environment entries, optional
// pipes to its standard input and from its standard output, optionally under
// another user. Whatever the test does, the destructor leaves no process behind.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ventiq::testing {

class ChildProcess {
public:
    struct Options {
        // argv[0] is the program's path; no search along PATH.
        std::vector<std::string> argv;
        // "NAME=value" entries added to this process's environment, replacing
        // an entry of the same name.
        std::vector<std::string> env;
        // A pipe to standard input and one from standard output; without them
        // the child shares the test's.
        bool pipes = false;
        // Runs the program as this user and the group of the same number (needs root).
        std::optional<uid_t> uid;
    };

    // Throws std::runtime_error when the program cannot be started, the
    // change of user included.
    explicit ChildProcess(Options options);
    // Closes the pipes, then kills and reaps the process if it is still there.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // False when the child no longer reads its input.
    bool writeLine(const std::string& line);
    // Ends the child's input, as a closed terminal would.
    void closeInput();
    // The next line of standard output; absent on time-out or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    void signal(int sig);
    // The exit status, or minus the signal that ended the process; absent
    // when it still runs after the time-out.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running() { return !wait(std::chrono::milliseconds(0)).has_value(); }
    // SIGTERM, and SIGKILL when it has not ended within the grace time; then
    // the status as wait gives it.
    int terminate(std::chrono::milliseconds grace);

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
    std::optional<int> status_;
};

}  // namespace ventiq::testing
