#pragma once
// A session bus of the test's own, on a socket in a private directory that
// is also the bus's runtime directory, so that services it starts on demand
// (the accessibility bus among them) put their sockets there too. They end
// with the bus.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "testing/ChildProcess.h"

namespace ventiq::apptest {

class PrivateBus {
public:
    PrivateBus()
        : dir_(std::filesystem::temp_directory_path() /
               ("ventiq-bus-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))) {
        using namespace std::chrono_literals;
        std::filesystem::create_directories(dir_);
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        daemon_ = std::make_unique<testing::ChildProcess>(testing::ChildProcess::Options{
            {"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address",
             "--address=unix:path=" + (dir_ / "bus").string()},
            {"XDG_RUNTIME_DIR=" + dir_.string()},
            true,
            {}});
        if (auto line = daemon_->readLine(5s)) address_ = *line;
    }
    ~PrivateBus() {
        using namespace std::chrono_literals;
        daemon_.reset();
        // Services the bus started end with it and remove their sockets from
        // the directory meanwhile, so one pass may meet a vanishing entry.
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::error_code error;
            std::filesystem::remove_all(dir_, error);
            if (!error && !std::filesystem::exists(dir_, error)) break;
            std::this_thread::sleep_for(20ms);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }
    const std::filesystem::path& directory() const { return dir_; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path dir_;
    std::unique_ptr<testing::ChildProcess> daemon_;
    std::string address_;
};

}  // namespace ventiq::apptest
