#include "testing/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/PlatformServicesClient.h"

extern char** environ;

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
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    stdoutFd_ = fds[0];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + exe + ": " + std::to_string(rc));
    }

    const auto deadline = std::chrono::steady_clock::now() + options.startTimeout;
    std::string output;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("ventiq-smcsim did not report ready: " + output);
        pollfd p{stdoutFd_, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) continue;
        char buffer[512];
        const ssize_t got = ::read(stdoutFd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("ventiq-smcsim exited before it was ready: " + output);
        output.append(buffer, static_cast<size_t>(got));
        if (const auto nl = output.find('\n'); nl != std::string::npos) {
            readyLine_ = output.substr(0, nl);
            if (readyLine_.find(" ready ") == std::string::npos)
                throw std::runtime_error("unexpected first line from ventiq-smcsim: " + readyLine_);
            break;
        }
    }
    client_ = std::make_unique<PlatformServicesClient>(platformPath_);
}

bool SimProcess::running() {
    if (pid_ < 0 || exitStatus_) return false;
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        exitStatus_ = status;
        return false;
    }
    return r == 0;
}

bool SimProcess::terminate() {
    if (pid_ < 0) return false;
    if (!exitStatus_) {
        ::kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!exitStatus_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            exitStatus_ = status;
        }
    }
    return WIFEXITED(*exitStatus_) && WEXITSTATUS(*exitStatus_) == 0;
}

void SimProcess::stop() {
    client_.reset();
    if (pid_ >= 0) terminate();
    if (stdoutFd_ >= 0) ::close(stdoutFd_);
    stdoutFd_ = -1;
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
