#pragma once
// Starts the simulated machine (ventiq-smcsim) for an integration test, on
// sockets in a private temporary directory, and stops it again.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace ventiq {
class PlatformServicesClient;
}

namespace ventiq::testing {

class ChildProcess;

class SimProcess {
public:
    struct Options {
        // A built-in machine name (m5max, m5, mac17-5, generic, onefan, fanless)
        // or a path to a profile file.
        std::string machine = "m5max";
        std::optional<double> timeScale;
        std::optional<uint64_t> seed;
        // Used when $VENTIQ_BIN_DIR does not hold ventiq-smcsim.
        std::string executable;
        std::vector<std::string> extraArgs;
        std::chrono::milliseconds startTimeout{10000};
    };

    // Throws std::runtime_error when the simulator cannot be found, does not
    // start, or does not report ready within the time-out.
    SimProcess();
    explicit SimProcess(Options options);
    // Terminates and reaps the process and removes the temporary directory.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& smcPath() const { return smcPath_; }
    const std::string& platformPath() const { return platformPath_; }
    const std::string& directory() const { return directory_; }
    const std::string& readyLine() const { return readyLine_; }
    pid_t pid() const;

    // Points VENTIQ_SMC_DEVICE and VENTIQ_PLATFORM_SOCKET of this process (and
    // of every child it starts later) at this simulator.
    void exportEnvironment() const;

    PlatformServicesClient& platform() const { return *client_; }
    // One request on the platform socket; absent on error replies.
    std::optional<nlohmann::json> request(const nlohmann::json& message) const;
    std::optional<nlohmann::json> state() const;
    bool setLoad(double load) const;
    bool setAmbient(double celsius) const;
    // mode: "missing", "nan" or "value" (with value).
    bool faultKey(const std::string& key, const std::string& mode, std::optional<double> value = std::nullopt) const;
    // mode: "stuck" or "ignore-target".
    bool faultFan(int fan, const std::string& mode) const;
    bool clear() const;

    // Sends SIGTERM and waits; true when it exited with status 0.
    bool terminate();
    // Whether the process is still running (reaps it if it has ended).
    bool running();

    // $VENTIQ_BIN_DIR/ventiq-smcsim, else the fallback, else empty.
    static std::string findExecutable(const std::string& fallback = {});

private:
    void start(const Options& options);
    void stop();

    std::string directory_;
    std::string smcPath_;
    std::string platformPath_;
    std::string readyLine_;
    std::unique_ptr<ChildProcess> process_;
    std::unique_ptr<PlatformServicesClient> client_;
};

}  // namespace ventiq::testing
