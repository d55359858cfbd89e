#pragma once
// The application's end-to-end set-up shared by the process tests: the
// simulated machine, the test build of the helper and `Ventiq --headless
// --json` on private sockets, with the outcome read from the simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "testing/ChildProcess.h"
#include "testing/SimProcess.h"

namespace ventiq::apptest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;
using testing::ChildProcess;
using testing::SimProcess;
using Clock = std::chrono::steady_clock;

inline std::string binDir() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return dir ? dir : "";
}

constexpr int leftMax = 5349;
constexpr int rightMax = 5777;

// The three programs on one private directory. The application ticks every
// second so that each step takes a second or two. Its session bus is the
// given address; without one, an address where no bus listens, so that the
// application never meets a bus of whoever runs the tests.
class Stack {
public:
    explicit Stack(double timeScale = 1, std::string busAddress = {})
        : sim_(options(timeScale)), busAddress_(std::move(busAddress)) {
        if (busAddress_.empty()) busAddress_ = "unix:path=" + (dir() / "no-bus").string();
        fs::create_directories(configDir() / "com.quillmoor.ventiq");
        std::ofstream(dir() / "helper-installed") << "test helper\n";
        startHelper();
    }

    fs::path dir() const { return sim_.directory(); }
    fs::path configDir() const { return dir() / "config"; }
    SimProcess& sim() { return sim_; }
    ChildProcess& app() { return *app_; }

    void startHelper() {
        helper_ = std::make_unique<ChildProcess>(
            ChildProcess::Options{{binDir() + "/com.quillmoor.ventiq.helper-test"}, environment(), true, {}});
        // The helper binds its socket itself when not started by an activator.
        for (int i = 0; i < 200 && !fs::exists(dir() / "helper.sock"); ++i) std::this_thread::sleep_for(10ms);
    }

    // Starts the application with these stored settings (on top of a
    // one-second tick, Auto and a completed first start).
    void startApp(json preferences = json::object()) {
        preferences["VentiqRefreshSeconds"] = 1;
        preferences["VentiqRealControlV1"] = true;
        if (!preferences.contains("VentiqPreset")) preferences["VentiqPreset"] = 0;
        std::ofstream(configDir() / "com.quillmoor.ventiq" / "preferences.json") << preferences.dump();
        relaunchApp();
    }

    // Starts the application with its views on the display the extra
    // environment names, with these stored settings on top of a completed
    // first start; nothing is read from it.
    void startDesktopApp(json preferences, const std::vector<std::string>& extraEnvironment) {
        preferences["VentiqRealControlV1"] = true;
        std::ofstream(configDir() / "com.quillmoor.ventiq" / "preferences.json") << preferences.dump();
        std::vector<std::string> env = environment();
        env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
        app_ = std::make_unique<ChildProcess>(ChildProcess::Options{{binDir() + "/Ventiq"}, env, true, {}});
    }

    // Starts the application over the settings the last run left behind.
    void relaunchApp() {
        app_ = std::make_unique<ChildProcess>(
            ChildProcess::Options{{binDir() + "/Ventiq", "--headless", "--json"}, environment(), true, {}});
        waitLine([](const json& s) { return s["helperReady"] == true && s["fans"].size() == 2; }, 10s,
                 "helper ready with two fans");
    }

    // The first state line that satisfies the predicate; fails the test and
    // returns null when none comes in time.
    json waitLine(const std::function<bool(const json&)>& pred, std::chrono::milliseconds timeout,
                  const std::string& what) {
        const auto deadline = Clock::now() + timeout;
        json last;
        while (Clock::now() < deadline) {
            auto line = app_->readLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!line) break;
            last = json::parse(*line);
            lines_.push_back(last);
            if (pred(last)) return last;
        }
        ADD_FAILURE() << "no state line with " << what << "; last: " << last.dump();
        return nullptr;
    }

    // Waits until the simulator's fans satisfy the predicate; true when they did.
    bool waitFans(const std::function<bool(const json& fans)>& pred, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        do {
            if (auto state = sim_.state(); state && pred((*state)["fans"])) return true;
            std::this_thread::sleep_for(20ms);
        } while (Clock::now() < deadline);
        return false;
    }

    json fans() { return (*sim_.state())["fans"]; }
    const std::vector<json>& lines() const { return lines_; }

    std::vector<std::string> environment() const {
        return {
            "VENTIQ_SMC_DEVICE=" + sim_.smcPath(),
            "VENTIQ_PLATFORM_SOCKET=" + sim_.platformPath(),
            "VENTIQ_HELPER_SOCKET=" + (dir() / "helper.sock").string(),
            "VENTIQ_HELPER_LOG=" + (dir() / "helper.log").string(),
            "VENTIQ_TEST_HELPER_INSTALL_PATH=" + (dir() / "helper-installed").string(),
            "VENTIQ_TEST_CLIENT_PATH=/Applications/Tavrinel.app/Contents/MacOS/Ventiq",
            "XDG_CONFIG_HOME=" + configDir().string(),
            "VENTIQ_FORCE_LANG=en",
            "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
        };
    }

private:
    static SimProcess::Options options(double timeScale) {
        SimProcess::Options o;
        o.timeScale = timeScale;
        return o;
    }

    SimProcess sim_;
    std::string busAddress_;
    std::unique_ptr<ChildProcess> helper_;
    std::unique_ptr<ChildProcess> app_;
    std::vector<json> lines_;
};

inline bool bothForcedAtMax(const json& fans) {
    return fans[0]["mode"] == 1 && fans[1]["mode"] == 1 && std::lround(fans[0]["target"].get<double>()) == leftMax &&
           std::lround(fans[1]["target"].get<double>()) == rightMax;
}
inline bool bothAutomatic(const json& fans) { return fans[0]["mode"] == 0 && fans[1]["mode"] == 0; }
inline auto stateIs(const char* name) {
    return [name](const json& s) { return s["controlState"] == name; };
}

}  // namespace ventiq::apptest
