#pragma once
// The helper's listening socket: the one systemd passes by socket activation
// (LISTEN_FDS / LISTEN_PID, fd 3), else one bound at the given path.
#include <string>

namespace ventiq {

struct ListenSocket {
    int fd = -1;
    bool activated = false;  // passed by the service manager
    std::string path;        // bound path, empty when activated
    std::string error;       // why there is none (fd -1)
};

// Takes an activated socket when LISTEN_PID names this process and it is a
// listening Unix stream socket; clears the LISTEN_* variables either way so
// children do not inherit them. Otherwise binds path with mode 0666, replacing
// a stale socket file but nothing else.
ListenSocket openListenSocket(const std::string& path);

}  // namespace ventiq
