#include "platform/PlatformServicesClient.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

namespace ventiq {

namespace {
constexpr int timeoutSeconds = 2;
constexpr size_t maxReplyBytes = 1 << 20;
}  // namespace

std::string PlatformServicesClient::defaultSocketPath() {
    const char* env = std::getenv("VENTIQ_PLATFORM_SOCKET");
    return env && *env ? env : "/run/ventiq/platform.sock";
}

PlatformServicesClient::PlatformServicesClient(std::string socketPath) : path_(std::move(socketPath)) {}

PlatformServicesClient::~PlatformServicesClient() { disconnect(); }

void PlatformServicesClient::disconnect() const {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool PlatformServicesClient::ensureConnected() const {
    if (fd_ >= 0) return true;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    timeval tv{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

std::optional<nlohmann::json> PlatformServicesClient::request(const nlohmann::json& message) const {
    std::lock_guard guard(mutex_);
    // One retry: the simulated machine may have been restarted since the last call.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!ensureConnected()) return std::nullopt;
        const std::string line = message.dump() + "\n";
        size_t sent = 0;
        bool ok = true;
        while (ok && sent < line.size()) {
            const ssize_t n = ::send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ok = false;
            else sent += static_cast<size_t>(n);
        }
        size_t newline = std::string::npos;
        while (ok && (newline = pending_.find('\n')) == std::string::npos) {
            char buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || pending_.size() + static_cast<size_t>(n) > maxReplyBytes) ok = false;
            else pending_.append(buffer, static_cast<size_t>(n));
        }
        if (!ok) {
            disconnect();
            continue;
        }
        const std::string reply = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        auto parsed = nlohmann::json::parse(reply, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object() || parsed.contains("error")) return std::nullopt;
        return parsed;
    }
    return std::nullopt;
}

}  // namespace ventiq
