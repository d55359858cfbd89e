#pragma once
// A program started for an end-to-end test, with a pipe to its standard
// input and one from its standard output; standard error stays the test's.
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ventiq::testing {

class ChildProcess {
public:
    // env entries are added to (or replace) this process's environment.
    ChildProcess(std::vector<std::string> argv, const std::map<std::string, std::string>& env);
    // Kills and reaps the process if it is still there.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    void writeLine(const std::string& line);
    // The next line of standard output; absent on time-out or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    void signal(int sig);
    // The exit status (or 128 + signal) once the process has ended; absent
    // when it is still running after the time-out.
    std::optional<int> wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
    std::optional<int> status_;
};

}  // namespace ventiq::testing
