#pragma once
// Shared pieces of the helper-link tests: a temporary directory, a loop pump
// with a real-time deadline, English texts, and a small helper stand-in that
// speaks the wire format on a real socket.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ipc/WireCodec.h"
#include "platform/ManualLoop.h"

namespace ventiq::linktest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& content, bool executable = false);
std::string readFile(const std::string& path);

// Every shown text in English, whatever the test machine's locale says.
void useEnglish();

// Drains the loop until pred holds or the real-time deadline passes; the
// connection thread's results only reach the client when the loop runs.
bool pumpUntil(ManualLoop& loop, const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Drains the loop for a while, for checks that something does not happen.
void pumpFor(ManualLoop& loop, std::chrono::milliseconds duration);

// A helper stand-in on a Unix socket. The responder returns the reply values
// for a request, or nothing to leave it unanswered for ever.
class FakeHelperServer {
public:
    using Responder = std::function<std::optional<std::vector<wire::Value>>(const wire::Request&)>;

    FakeHelperServer(std::string socketPath, Responder responder);
    ~FakeHelperServer();
    FakeHelperServer(const FakeHelperServer&) = delete;
    FakeHelperServer& operator=(const FakeHelperServer&) = delete;

    // Answers the version request with version and every fan request with
    // (true, "ok"), like a helper of that version.
    static Responder answeringVersion(std::string version);

    int connectionsAccepted() const { return accepted_.load(); }
    std::vector<std::string> selectors() const;
    // Drops every open client connection, as a helper that exits does.
    void disconnectClients();

private:
    void run();

    std::string path_;
    Responder responder_;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    std::atomic<int> accepted_{0};
    std::atomic<bool> dropClients_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> selectors_;
    std::thread thread_;
};

}  // namespace ventiq::linktest
