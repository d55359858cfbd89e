#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/FanHelper.h"
#include "ipc/HelperProtocol.h"

namespace ventiq {

class Environment;
class HelperConnection;
class MainLoop;
class NotificationCenter;

// The application's single link to the privileged helper: whether it is
// installed, reachable and of the right version, the fan requests, the two
// blocking calls used while quitting, and installing and removing it.
//
// Lives on the main loop's thread. The connection runs on its own thread and
// every reply and handler result is handed to the main loop, so status
// changes and completions always happen there.
class HelperClient final : public FanHelper {
public:
    class Status {
    public:
        enum class Kind { ready, unreachable, unknown, notInstalled, checking, installing };

        Status() = default;
        static Status ready(std::string version) { return Status(Kind::ready, std::move(version)); }
        static Status unreachable(std::string message) { return Status(Kind::unreachable, std::move(message)); }
        static Status unknown() { return Status(Kind::unknown); }
        static Status notInstalled() { return Status(Kind::notInstalled); }
        static Status checking() { return Status(Kind::checking); }
        static Status installing() { return Status(Kind::installing); }

        Kind kind() const { return kind_; }
        // The version of ready, the message of unreachable; empty otherwise.
        const std::string& payload() const { return payload_; }
        // The text shown for this status, in the interface language.
        std::string text() const;

        bool operator==(const Status&) const = default;

    private:
        explicit Status(Kind kind, std::string payload = {}) : kind_(kind), payload_(std::move(payload)) {}

        Kind kind_ = Kind::unknown;
        std::string payload_;
    };

    // Where the client finds everything it touches.
    struct Config {
        // The helper's listening socket.
        std::string socketPath;
        // A file here means the helper is installed.
        std::string installPath;
        // This application's own executable; absent when it cannot be told.
        std::function<std::optional<std::string>()> executablePath;
        // The bundle's resources, where install_helper.sh and
        // uninstall_helper.sh live.
        std::string resourcesDirectory;
        // The program and leading arguments that run "/bin/bash SCRIPT" as
        // root. Its exit status 126 means the user dismissed the dialog.
        std::vector<std::string> elevator;

        // The installed application: $VENTIQ_HELPER_SOCKET (else the default
        // socket), the fixed install path, /proc/self/exe, the Resources
        // folder of the bundle that holds that executable, and pkexec.
        static Config production(const Environment& environment);
    };

    // The loop and the notification centre must outlive the client.
    HelperClient(Config config, MainLoop& loop, NotificationCenter& notifications);
    // Waits for a running administrator script to end.
    ~HelperClient() override;
    HelperClient(const HelperClient&) = delete;
    HelperClient& operator=(const HelperClient&) = delete;

    // The application's client, which the application builds with the
    // production configuration over its own loop and centre and installs
    // with setShared(). Throws std::logic_error while none is installed.
    static HelperClient& shared();
    // Not owned; nullptr uninstalls.
    static void setShared(HelperClient* client);

    const Status& status() const { return status_; }
    // Whether this application runs from a path the helper admits; false
    // when its own path cannot be told. The main window checks this before
    // it offers to install.
    bool runsFromAllowedPath() const;
    const Config& config() const { return config_; }

    bool isReady() const override { return status_.kind() == Status::Kind::ready; }
    bool isInstalling() const override { return status_.kind() == Status::Kind::installing; }
    std::string statusText() const override { return status_.text(); }

    void refreshState() override;
    void setFanTarget(int fan, int rpm, Completion completion) override;
    void releaseFan(int fan, Completion completion) override;
    void releaseAll(Completion completion) override;
    bool releaseAllBlocking(double timeout) override;
    bool keepFansOnQuitBlocking(double timeout) override;
    void heartbeat() override;
    void install(Completion completion) override;
    void uninstall(Completion completion) override;

    // The answer of a request sent while no connection can be made at all.
    static constexpr const char* noProxyText = "no helper proxy";

private:
    // The connection, created on first need; null when the socket path
    // cannot name a socket.
    HelperConnection* proxy();
    void dropConnection();
    void setStatus(Status status);
    bool blockingCall(HelperMethod method, double timeout);
    void runAdmin(const std::string& script, bool installing, Completion completion);

    Config config_;
    MainLoop& loop_;
    NotificationCenter& notifications_;
    Status status_;
    std::unique_ptr<HelperConnection> connection_;
    // Results of an earlier connection carry an older number and change
    // nothing, so a late reply of a dropped connection cannot undo a later
    // decision.
    uint64_t connectionNumber_ = 0;
    std::thread adminThread_;
    // Posted tasks hold the client only through this.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
