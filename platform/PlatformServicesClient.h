#pragma once
// Client of the machine's platform-services socket: one JSON object per line
// in each direction. It answers what sysctl, the HID event system and the
// block-storage registry answer on the real machine.
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace ventiq {

class PlatformServicesClient {
public:
    // $VENTIQ_PLATFORM_SOCKET, else /run/ventiq/platform.sock.
    static std::string defaultSocketPath();

    explicit PlatformServicesClient(std::string socketPath = defaultSocketPath());
    ~PlatformServicesClient();
    PlatformServicesClient(const PlatformServicesClient&) = delete;
    PlatformServicesClient& operator=(const PlatformServicesClient&) = delete;

    // Sends one request and waits for its reply line. Absent when the socket
    // is missing or broken, or the reply is not a JSON object or carries "error".
    std::optional<nlohmann::json> request(const nlohmann::json& message) const;

    const std::string& socketPath() const { return path_; }

private:
    bool ensureConnected() const;
    void disconnect() const;

    std::string path_;
    mutable std::mutex mutex_;
    mutable int fd_ = -1;
    mutable std::string pending_;
};

}  // namespace ventiq
