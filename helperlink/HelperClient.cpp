#include "helperlink/HelperClient.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "helperlink/AdminProcess.h"
#include "helperlink/HelperConnection.h"
#include "ipc/WireCodec.h"
#include "platform/Environment.h"
#include "platform/MainLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/L10n.h"
#include "smc/Utf8.h"

namespace ventiq {

namespace {

std::atomic<HelperClient*> installedShared{nullptr};

std::optional<std::string> ownExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

// 'text' for a POSIX shell, a ' inside written as '\''.
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char ch : text) {
        if (ch == '\'') {
            out += "'\\''";
        } else {
            out += ch;
        }
    }
    return out + "'";
}

std::string trimmed(const std::string& text) {
    constexpr const char* space = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

std::string noResponseText(const std::string& error) {
    return L10n::tr("helperNoResponse") + "（" + error + "）";
}

// Sends one fan request whose reply is (ok, message) and hands the outcome to
// the main loop.
void sendForwarded(HelperConnection* connection, MainLoop& loop, HelperMethod method,
                   std::vector<wire::Value> arguments, FanHelper::Completion completion) {
    if (!completion) completion = [](bool, const std::string&) {};
    if (!connection) {
        completion(false, HelperClient::noProxyText);
        return;
    }
    auto shared = std::make_shared<FanHelper::Completion>(std::move(completion));
    connection->send(
        method, std::move(arguments),
        [&loop, shared](const std::vector<wire::Value>& values) {
            const bool ok = std::get<bool>(values[0]);
            std::string message = std::get<std::string>(values[1]);
            loop.post([shared, ok, message = std::move(message)] { (*shared)(ok, message); });
        },
        [&loop, shared](const std::string& error) { loop.post([shared, error] { (*shared)(false, error); }); });
}

}  // namespace

std::string HelperClient::Status::text() const {
    switch (kind_) {
        case Kind::ready: return L10n::tr("helperReady") + " v" + payload_;
        case Kind::unreachable: return payload_;
        case Kind::unknown:
        case Kind::checking: return L10n::tr("helperChecking");
        case Kind::notInstalled: return L10n::tr("helperNotInstalled");
        case Kind::installing: return L10n::tr("helperInstalling");
    }
    return {};
}

HelperClient::Config HelperClient::Config::production(const Environment& environment) {
    Config config;
    const auto socket = environment.get("VENTIQ_HELPER_SOCKET");
    config.socketPath = socket && !socket->empty() ? *socket : std::string(ventiqHelperDefaultSocketPath);
    config.installPath = std::string(ventiqHelperInstallPath);
    config.executablePath = ownExecutablePath;
    // Contents/MacOS/Ventiq → Contents/Resources
    if (const auto exe = ownExecutablePath()) {
        config.resourcesDirectory = (std::filesystem::path(*exe).parent_path().parent_path() / "Resources").string();
    }
    // Already root (the main job in a container): the scripts need no
    // prompt, and there may be no polkit authority to ask anyway.
    if (::geteuid() != 0) config.elevator = {"/usr/bin/pkexec"};
    return config;
}

HelperClient::HelperClient(Config config, MainLoop& loop, NotificationCenter& notifications)
    : config_(std::move(config)), loop_(loop), notifications_(notifications) {}

HelperClient::~HelperClient() {
    alive_.reset();
    connection_.reset();
    if (adminThread_.joinable()) adminThread_.join();
}

HelperClient& HelperClient::shared() {
    HelperClient* client = installedShared.load();
    if (!client) throw std::logic_error("HelperClient::shared() used before setShared()");
    return *client;
}

void HelperClient::setShared(HelperClient* client) { installedShared.store(client); }

void HelperClient::setStatus(Status status) {
    if (status == status_) return;
    status_ = std::move(status);
    notifications_.post(Notifications::dataUpdated);
}

HelperConnection* HelperClient::proxy() {
    if (connection_) return connection_.get();
    if (!HelperConnection::usablePath(config_.socketPath)) return nullptr;

    const uint64_t number = ++connectionNumber_;
    std::weak_ptr<int> alive = alive_;
    HelperConnection::Handlers handlers;
    handlers.interrupted = [this, alive, number] {
        loop_.post([this, alive, number] {
            if (alive.expired() || number != connectionNumber_) return;
            if (isReady()) setStatus(Status::unreachable(L10n::tr("helperLost")));
        });
    };
    handlers.invalidated = [this, alive, number] {
        loop_.post([this, alive, number] {
            if (alive.expired() || number != connectionNumber_) return;
            dropConnection();
            if (isReady()) setStatus(Status::unreachable(L10n::tr("helperLost")));
        });
    };
    connection_ = std::make_unique<HelperConnection>(config_.socketPath, std::move(handlers));
    return connection_.get();
}

void HelperClient::dropConnection() {
    ++connectionNumber_;
    connection_.reset();
}

bool HelperClient::runsFromAllowedPath() const {
    const auto exe = config_.executablePath ? config_.executablePath() : std::nullopt;
    return exe && ventiqIsAllowedClientPath(*exe);
}

void HelperClient::refreshState() {
    if (isInstalling()) return;
    std::error_code ec;
    if (!std::filesystem::exists(config_.installPath, ec)) {
        setStatus(Status::notInstalled());
        return;
    }
    if (!runsFromAllowedPath()) {
        setStatus(Status::unreachable(L10n::tr("helperWrongPlace")));
        return;
    }
    if (!isReady()) setStatus(Status::checking());

    HelperConnection* connection = proxy();
    if (!connection) {
        // Without this the status would say "checking" for ever.
        setStatus(Status::unreachable(noResponseText(noProxyText)));
        return;
    }
    const uint64_t number = connectionNumber_;
    std::weak_ptr<int> alive = alive_;
    // A reply that arrives after the connection was replaced, or while a
    // script runs, no longer describes the helper that is there now.
    auto current = [this, alive, number] {
        return !alive.expired() && number == connectionNumber_ && !isInstalling();
    };
    connection->send(
        HelperMethod::helperVersion, {},
        [this, current](const std::vector<wire::Value>& values) {
            std::string version = std::get<std::string>(values[0]);
            loop_.post([this, current, version = std::move(version)] {
                if (!current()) return;
                setStatus(version == ventiqHelperVersion ? Status::ready(version)
                                                         : Status::unreachable(L10n::tr("helperOutdated")));
            });
        },
        [this, current](const std::string& error) {
            loop_.post([this, current, error] {
                if (!current()) return;
                dropConnection();
                setStatus(Status::unreachable(noResponseText(error)));
            });
        });
}

void HelperClient::setFanTarget(int fan, int rpm, Completion completion) {
    sendForwarded(proxy(), loop_, HelperMethod::setFanTarget, {int64_t{fan}, static_cast<double>(rpm)},
                  std::move(completion));
}

void HelperClient::releaseFan(int fan, Completion completion) {
    sendForwarded(proxy(), loop_, HelperMethod::releaseFan, {int64_t{fan}}, std::move(completion));
}

void HelperClient::releaseAll(Completion completion) {
    sendForwarded(proxy(), loop_, HelperMethod::releaseAllFans, {}, std::move(completion));
}

bool HelperClient::releaseAllBlocking(double timeout) { return blockingCall(HelperMethod::releaseAllFans, timeout); }

bool HelperClient::keepFansOnQuitBlocking(double timeout) {
    return blockingCall(HelperMethod::keepFansOnDisconnect, timeout);
}

bool HelperClient::blockingCall(HelperMethod method, double timeout) {
    if (!isReady()) return false;
    // The reply is read on the connection's thread; waiting there would
    // wait for ourselves.
    if (connection_ && connection_->isIOThread()) return false;
    HelperConnection* connection = proxy();
    if (!connection) return false;

    struct Waiter {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool ok = false;
    };
    auto waiter = std::make_shared<Waiter>();
    auto finish = [waiter](bool ok) {
        std::lock_guard lock(waiter->mutex);
        waiter->finished = true;
        waiter->ok = ok;
        waiter->done.notify_all();
    };
    connection->send(
        method, {}, [finish](const std::vector<wire::Value>& values) { finish(std::get<bool>(values[0])); },
        [finish](const std::string&) { finish(false); });

    const double bounded = timeout > 0 ? timeout : 0.0;
    std::unique_lock lock(waiter->mutex);
    waiter->done.wait_for(lock, std::chrono::duration<double>(bounded), [&] { return waiter->finished; });
    return waiter->finished && waiter->ok;
}

void HelperClient::heartbeat() {
    HelperConnection* connection = proxy();
    if (!connection) return;
    connection->send(HelperMethod::heartbeat, {}, [](const std::vector<wire::Value>&) {}, [](const std::string&) {});
}

void HelperClient::install(Completion completion) { runAdmin("install_helper", true, std::move(completion)); }

void HelperClient::uninstall(Completion completion) { runAdmin("uninstall_helper", true, std::move(completion)); }

void HelperClient::runAdmin(const std::string& script, bool installing, Completion completion) {
    if (isInstalling()) return;
    if (!completion) completion = [](bool, const std::string&) {};
    const std::string fileName = script + ".sh";
    const std::filesystem::path path = std::filesystem::path(config_.resourcesDirectory) / fileName;
    std::error_code ec;
    if (config_.resourcesDirectory.empty() || !std::filesystem::is_regular_file(path, ec)) {
        completion(false, "包里缺少 " + fileName);
        return;
    }
    if (installing) setStatus(Status::installing());

    // The script path is one argument of its own, never part of a shell
    // string, so quotes and spaces in the bundle's path need no escaping.
    std::vector<std::string> argv = config_.elevator;
    argv.push_back("/bin/bash");
    argv.push_back(path.string());

    if (adminThread_.joinable()) adminThread_.join();
    std::weak_ptr<int> alive = alive_;
    adminThread_ = std::thread([this, alive, argv = std::move(argv), completion = std::move(completion)] {
        const AdminProcessResult result = runAdminProcess(argv);
        bool ok = false;
        std::string message;
        bool canceled = false;
        bool noAuthority = false;
        if (result.startError) {
            message = std::filesystem::path(argv.front()).filename().string() + "：" + *result.startError;
        } else {
            const std::string out = utf8::isWellFormed(result.standardOutput) ? result.standardOutput : std::string();
            const std::string err = utf8::isWellFormed(result.standardError) ? result.standardError : std::string();
            ok = result.exitStatus == 0;
            message = trimmed(ok || err.empty() ? out : err);
            canceled = result.exitStatus == 126;
            // pkexec without a polkit daemon to ask (no system bus, say).
            noAuthority = argv.size() > 2 && result.exitStatus == 127 &&
                          err.find("Error getting authority") != std::string::npos;
        }
        loop_.post([this, alive, ok, canceled, noAuthority, script = argv.back(), message = std::move(message),
                    completion] {
            if (!alive.expired()) {
                // Whatever the script left installed is reached through a
                // fresh connection.
                dropConnection();
                setStatus(Status::unknown());
                refreshState();
            }
            if (noAuthority) {
                completion(false, L10n::tr("helperNoAuthority", {{"command", "sudo /bin/bash " + shellQuoted(script)}}));
                return;
            }
            completion(ok, canceled ? L10n::tr("helperCanceled") : message);
        });
    });
}

}  // namespace ventiq
