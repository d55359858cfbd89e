#pragma once
// Serves a SimMachine on its two sockets (the SMC device and the platform
// services) and runs its physics in time with the wall clock.
#include <functional>
#include <memory>
#include <string>

namespace ventiq::sim {

class SimMachine;

class SimServer {
public:
    struct Options {
        std::string smcPath;
        std::string platformPath;
        double timeScale = 1.0;
        // Real time between physics updates, in milliseconds.
        int tickMilliseconds = 100;
    };

    // Creates both sockets (and their parent directories), replacing stale
    // socket files. Throws std::runtime_error when a path is taken by a live
    // server or by something that is not a socket.
    SimServer(SimMachine& machine, Options options);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Serves until stop() or SIGTERM/SIGINT (when handleSignals), then removes
    // the socket files. onReady runs once the signals are caught, before the
    // first request is served.
    void run(bool handleSignals, const std::function<void()>& onReady = {});
    // Safe from any thread.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ventiq::sim
