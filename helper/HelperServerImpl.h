#pragma once
// The server's shared state, private to the helper library. The event loop
// (HelperServer.cpp), connection I/O (ServerConnectionIO.cpp), request
// dispatch (ServerDispatch.cpp) and the admission, first-request and idle
// policies (ServerPolicies.cpp) each work on it through Impl.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "helper/HelperServer.h"
#include "helper/PeerIdentity.h"
#include "helper/RefusalLog.h"
#include "ipc/WireCodec.h"

namespace ventiq {

class FanService;

namespace server {

using Clock = std::chrono::steady_clock;

// Replies produced on the service's executor, waiting for the main loop.
// Shared with the reply callbacks so that a late reply never outlives it.
class Completions {
public:
    Completions();
    ~Completions();
    Completions(const Completions&) = delete;
    Completions& operator=(const Completions&) = delete;
    int fd() const { return fd_; }

    void push(uint64_t connection, std::vector<uint8_t> frame);
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> take();

private:
    int fd_;
    std::mutex mutex_;
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> items_;
};

struct Connection {
    Connection(uint64_t k, int f, uid_t u, PeerProcess p, std::string token, Clock::time_point deadline)
        : key(k), fd(f), uid(u), peer(std::move(p)), challenge(std::move(token)), firstRequestDeadline(deadline) {}

    uint64_t key;
    int fd;
    uid_t uid;
    PeerProcess peer;
    // Sent on admission; nothing the client sends counts until it has echoed it.
    std::string challenge;
    bool verified = false;
    wire::FrameDecoder decoder;
    std::vector<uint8_t> out;
    size_t outOffset = 0;
    size_t pending = 0;
    bool readPaused = false;
    bool served = false;
    Clock::time_point firstRequestDeadline;
};

}  // namespace server

struct HelperServer::Impl {
    using Clock = server::Clock;
    using Connection = server::Connection;

    Impl(FanService& s, int listen, Options o);
    ~Impl();

    FanService& service;
    int listenFd;
    Options options;
    int epollFd = -1;
    int signalFd = -1;
    std::shared_ptr<server::Completions> completions = std::make_shared<server::Completions>();
    std::unordered_map<uint64_t, std::unique_ptr<Connection>> connections;
    uint64_t nextKey;
    std::vector<Clock::time_point> idleChecks;
    std::optional<Clock::time_point> listenerPausedUntil;
    RefusalLog refusals;

    // Event loop.
    int run();
    void acceptAll();
    int timeoutMs() const;
    bool watch(int fd, uint64_t key, uint32_t events, int op);
    void updateEvents(Connection& c);

    // Connection I/O.
    void readFrom(Connection& c);
    bool drainFrames(Connection& c);
    void send(Connection& c, std::vector<uint8_t> frame);
    void flush(Connection& c);
    void drop(Connection& c, const std::string& reason);
    void close(Connection& c);

    // Request dispatch.
    bool handlePayload(Connection& c, const std::vector<uint8_t>& payload);
    void deliverCompletions();

    // Policies.
    void admit(int fd);
    void refuse(int fd, uid_t uid, Clock::time_point now, const std::string& line);
    size_t connectionsOf(uid_t uid) const;
    // Writes the summaries of refusals not logged one by one, those whose
    // minute is over by now.
    void logRefusalSummaries(Clock::time_point now);
    void dropSilentConnections(Clock::time_point now);
    void connectionsEmptied(Clock::time_point now);
    bool idleExitDue(Clock::time_point now);
    std::optional<Clock::time_point> nextPolicyDeadline() const;
};

}  // namespace ventiq
