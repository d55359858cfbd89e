#pragma once
#include <optional>
#include <string>
#include <vector>

namespace ventiq {

// What a finished child process left behind.
struct AdminProcessResult {
    // Set when the program could not be started at all.
    std::optional<std::string> startError;
    // The exit status; 128 + the signal number when a signal ended it.
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
};

// Runs argv[0] (searched on PATH when it has no slash) with the arguments
// exactly as given, never through a shell, standard input from /dev/null,
// and waits for it while reading both output streams to the end. Blocks the
// calling thread for as long as the program runs.
AdminProcessResult runAdminProcess(const std::vector<std::string>& argv);

}  // namespace ventiq
