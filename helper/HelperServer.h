#pragma once
// The helper's main loop: accepts and admits clients, reads their frames,
// hands requests to the fan service and writes its replies back, and ends
// the process on SIGTERM / SIGINT (fans handed back) or when idle. One epoll
// loop on the main thread, not Asio: see HelperServer.cpp for why.
#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

namespace ventiq {

class FanService;

class HelperServer {
public:
    struct Options {
        // Judges the connecting process's executable path.
        std::function<bool(std::string_view)> admits;
        std::chrono::milliseconds idleExitDelay{8000};
        // A connection that has not sent one well-formed request by then is dropped.
        std::chrono::milliseconds firstRequestTimeout{5000};
        size_t maxConnections = 64;
        // Of those, what one user may hold; silent connections of one user
        // must leave room for everyone else's client.
        size_t maxConnectionsPerUser = 8;
        // Requests of one connection waiting for the service before its reading pauses.
        size_t maxPendingRequests = 32;
        // Replies a client does not read, beyond which it is dropped.
        size_t maxUnsentBytes = 1 << 20;
    };

    // Takes ownership of listenFd. SIGTERM and SIGINT must be blocked in every
    // thread of the process before it is constructed.
    HelperServer(FanService& service, int listenFd, Options options);
    ~HelperServer();
    HelperServer(const HelperServer&) = delete;
    HelperServer& operator=(const HelperServer&) = delete;

    // Runs until a signal or the idle exit (0), or a failure of the loop
    // itself (1); returns the process's exit status.
    int run();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ventiq
