#pragma once
// Small helpers for talking to a running simulator without the product's
// client code in between.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "smc/SMCKeyDataT.h"
#include "testing/SimProcess.h"

namespace ventiq::simtest {

class RawSocket {
public:
    explicit RawSocket(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        timeval tv{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot connect to " + path);
        }
    }
    ~RawSocket() { ::close(fd_); }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    bool send(const void* data, size_t size) {
        return ::send(fd_, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
    }
    bool send(const std::string& text) { return send(text.data(), text.size()); }
    // Reads exactly size bytes; false on end of stream, error or time-out.
    bool receive(void* data, size_t size) {
        auto* p = static_cast<char*>(data);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::recv(fd_, p + done, size - done, 0);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    std::optional<std::string> receiveLine() {
        std::string line;
        char c;
        while (receive(&c, 1)) {
            if (c == '\n') return line;
            line += c;
        }
        return std::nullopt;
    }
    std::optional<SMCKeyDataT> call(const SMCKeyDataT& in) {
        SMCKeyDataT out;
        if (!send(&in, sizeof in) || !receive(&out, sizeof out)) return std::nullopt;
        return out;
    }

private:
    int fd_ = -1;
};

inline double stateTime(const testing::SimProcess& sim) {
    const auto state = sim.state();
    if (!state) throw std::runtime_error("no state from the simulator");
    return (*state)["time"].get<double>();
}

// Waits (in real time) until the simulator's clock has passed simulated seconds from now.
inline nlohmann::json runFor(const testing::SimProcess& sim, double seconds) {
    const double until = stateTime(sim) + seconds;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        auto state = sim.state();
        if (!state) throw std::runtime_error("no state from the simulator");
        if ((*state)["time"].get<double>() >= until) return *state;
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("simulated time does not advance");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

inline testing::SimProcess::Options machine(const std::string& name, double timeScale = 1.0) {
    testing::SimProcess::Options o;
    o.machine = name;
    o.timeScale = timeScale;
    o.seed = 7;
    return o;
}

}  // namespace ventiq::simtest
