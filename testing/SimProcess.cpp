#include "testing/SimProcess.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "platform/PlatformServicesClient.h"
#include "testing/ChildProcess.h"

namespace ventiq::testing {

namespace {

std::string formatNumber(double value) {
    std::ostringstream out;
    out.precision(17);
    out << value;
    return out.str();
}

bool isExecutable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

}  // namespace

std::string SimProcess::findExecutable(const std::string& fallback) {
    if (const char* dir = std::getenv("VENTIQ_BIN_DIR"); dir && *dir) {
        const std::string candidate = std::string(dir) + "/ventiq-smcsim";
        if (isExecutable(candidate)) return candidate;
    }
    return isExecutable(fallback) ? fallback : std::string{};
}

SimProcess::SimProcess() : SimProcess(Options{}) {}

SimProcess::SimProcess(Options options) {
    try {
        start(options);
    } catch (...) {
        stop();
        throw;
    }
}

SimProcess::~SimProcess() { stop(); }

void SimProcess::start(const Options& options) {
    const std::string exe = findExecutable(options.executable);
    if (exe.empty()) throw std::runtime_error("ventiq-smcsim not found (set VENTIQ_BIN_DIR)");

    // Short paths: a Unix socket path must fit in 108 bytes.
    char dirTemplate[] = "/tmp/ventiq-sim-XXXXXX";
    if (!::mkdtemp(dirTemplate)) throw std::runtime_error("cannot create a temporary directory");
    directory_ = dirTemplate;
    smcPath_ = directory_ + "/smc.sock";
    platformPath_ = directory_ + "/platform.sock";

    std::vector<std::string> args{exe, "--machine", options.machine, "--smc", smcPath_, "--platform", platformPath_};
    if (options.timeScale) {
        args.push_back("--time-scale");
        args.push_back(formatNumber(*options.timeScale));
    }
    if (options.seed) {
        args.push_back("--seed");
        args.push_back(std::to_string(*options.seed));
    }
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    process_ = std::make_unique<ChildProcess>(ChildProcess::Options{args, {}, true, {}});

    const auto line = process_->readLine(options.startTimeout);
    if (!line) {
        throw std::runtime_error(process_->wait(std::chrono::seconds(1)) ? "ventiq-smcsim exited before it was ready"
                                                                        : "ventiq-smcsim did not report ready");
    }
    readyLine_ = *line;
    if (readyLine_.find(" ready ") == std::string::npos)
        throw std::runtime_error("unexpected first line from ventiq-smcsim: " + readyLine_);
    client_ = std::make_unique<PlatformServicesClient>(platformPath_);
}

pid_t SimProcess::pid() const { return process_ ? process_->pid() : -1; }

bool SimProcess::running() { return process_ && process_->running(); }

bool SimProcess::terminate() { return process_ && process_->terminate(std::chrono::seconds(3)) == 0; }

void SimProcess::stop() {
    client_.reset();
    if (process_) process_->terminate(std::chrono::seconds(3));
    process_.reset();
    if (!directory_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(directory_, ec);
    }
}

void SimProcess::exportEnvironment() const {
    ::setenv("VENTIQ_SMC_DEVICE", smcPath_.c_str(), 1);
    ::setenv("VENTIQ_PLATFORM_SOCKET", platformPath_.c_str(), 1);
}

std::optional<nlohmann::json> SimProcess::request(const nlohmann::json& message) const {
    return client_->request(message);
}

std::optional<nlohmann::json> SimProcess::state() const { return request({{"op", "state"}}); }

bool SimProcess::setLoad(double load) const { return request({{"op", "set"}, {"load", load}}).has_value(); }

bool SimProcess::setAmbient(double celsius) const {
    return request({{"op", "set"}, {"ambient", celsius}}).has_value();
}

bool SimProcess::faultKey(const std::string& key, const std::string& mode, std::optional<double> value) const {
    nlohmann::json message{{"op", "fault"}, {"key", key}, {"mode", mode}};
    if (value) message["value"] = *value;
    return request(message).has_value();
}

bool SimProcess::faultFan(int fan, const std::string& mode) const {
    return request({{"op", "fault"}, {"fan", fan}, {"mode", mode}}).has_value();
}

bool SimProcess::clear() const { return request({{"op", "clear"}}).has_value(); }

}  // namespace ventiq::testing
