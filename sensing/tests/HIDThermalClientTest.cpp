#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "sensing/HIDThermalClient.h"

namespace ventiq {
namespace {

// A platform socket that answers every request line with the current reply,
// so a test can change what the HID services report between reads.
class ScriptedPlatform {
public:
    ScriptedPlatform() {
        char pattern[] = "/tmp/ventiq-hid-XXXXXX";
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

TEST(HIDThermalClient, ServicesAreFixedWhenBuiltAndReadEveryCall) {
    ScriptedPlatform platform;
    platform.reply(R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"PMU tdie1","temp":57},)"
                   R"({"product":"gas gauge battery","temp":37.5}]})");
    HIDThermalClient hid(platform.path());
    ASSERT_EQ(hid.serviceCount(), 3);
    EXPECT_EQ(hid.readAllHID(),
              (std::vector<HIDReading>{{"gas gauge battery", 36}, {"PMU tdie1", 57}, {"gas gauge battery", 37.5}}));

    const struct {
        const char* name;
        const char* reply;
        std::vector<HIDReading> expected;
    } cases[] = {
        {"new readings, untrusted ones absent",
         R"({"services":[{"product":"gas gauge battery","temp":-9201},{"product":"PMU tdie1","temp":null},)"
         R"({"product":"gas gauge battery","temp":125}]})",
         {{"gas gauge battery", std::nullopt}, {"PMU tdie1", std::nullopt}, {"gas gauge battery", std::nullopt}}},
        {"a service that appeared later is not reported",
         R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"NAND CH0 temp","temp":41},)"
         R"({"product":"PMU tdie1","temp":58},{"product":"gas gauge battery","temp":38}]})",
         {{"gas gauge battery", 36}, {"PMU tdie1", 58}, {"gas gauge battery", 38}}},
        {"a vanished service is skipped without shifting the others",
         R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"gas gauge battery","temp":38}]})",
         {{"gas gauge battery", 36}, {"gas gauge battery", 38}}},
        {"a malformed reply reads as nothing", R"({"services":"none"})", {}},
        {"an error reply reads as nothing", R"({"error":"busy"})", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform.reply(c.reply);
        EXPECT_EQ(hid.readAllHID(), c.expected);
        EXPECT_EQ(hid.serviceCount(), 3);
    }
}

TEST(HIDThermalClient, WithoutTheSocketThereAreNoServices) {
    HIDThermalClient hid("/nonexistent/ventiq-platform.sock");
    EXPECT_EQ(hid.serviceCount(), 0);
    EXPECT_TRUE(hid.readAllHID().empty());
}

}  // namespace
}  // namespace ventiq
