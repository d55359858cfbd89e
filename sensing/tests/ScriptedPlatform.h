#pragma once
// A platform-services socket for tests: it answers every request line with
// the current scripted reply, so a test can change what the machine reports
// between calls.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace ventiq::testing {

class ScriptedPlatform {
public:
    ScriptedPlatform() {
        char pattern[] = "/tmp/ventiq-platform-XXXXXX";
        directory_ = ::mkdtemp(pattern);
        path_ = directory_ + "/platform.sock";
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 4) != 0)
            throw std::runtime_error("cannot listen on " + path_);
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedPlatform() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
        std::filesystem::remove_all(directory_);
    }

    void reply(std::string line) {
        std::lock_guard guard(mutex_);
        reply_ = std::move(line) + "\n";
    }
    const std::string& path() const { return path_; }

private:
    void serve() {
        while (!stopping_) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            char buffer[4096];
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
                for (ssize_t i = 0; i < n; ++i) {
                    if (buffer[i] != '\n') continue;
                    std::string out;
                    {
                        std::lock_guard guard(mutex_);
                        out = reply_;
                    }
                    if (::send(fd, out.data(), out.size(), MSG_NOSIGNAL) < 0) break;
                }
            }
            ::close(fd);
        }
    }

    std::string directory_;
    std::string path_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::string reply_ = R"({"error":"not scripted"})";
    std::thread thread_;
};

}  // namespace ventiq::testing
