#include "LinkTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "ipc/ConnectionChallenge.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "settings/AppLanguage.h"

namespace ventiq::linktest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ventiq-link-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void writeFile(const std::string& path, const std::string& content, bool executable) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    if (executable) ::chmod(path.c_str(), 0755);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void useEnglish() {
    static MapEnvironment environment(std::map<std::string, std::string>{{"VENTIQ_FORCE_LANG", "en"}});
    static InMemoryPreferenceStore store;
    AppLanguage::setEnvironment(&environment);
    AppLanguage::setStore(&store);
}

bool pumpUntil(ManualLoop& loop, const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        loop.runPending();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void pumpFor(ManualLoop& loop, std::chrono::milliseconds duration) {
    pumpUntil(loop, [] { return false; }, duration);
}

FakeHelperServer::FakeHelperServer(std::string socketPath, Responder responder)
    : path_(std::move(socketPath)), responder_(std::move(responder)) {
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
    ::unlink(path_.c_str());
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 16) != 0 || ::pipe2(wakeFd_, O_CLOEXEC) != 0) {
        throw std::runtime_error("fake helper cannot listen on " + path_);
    }
    thread_ = std::thread([this] { run(); });
}

FakeHelperServer::~FakeHelperServer() {
    const char byte = 'q';
    (void)!::write(wakeFd_[1], &byte, 1);
    thread_.join();
    ::close(listenFd_);
    ::close(wakeFd_[0]);
    ::close(wakeFd_[1]);
    ::unlink(path_.c_str());
}

FakeHelperServer::Responder FakeHelperServer::answeringVersion(std::string version) {
    return [version](const wire::Request& request) -> std::optional<std::vector<wire::Value>> {
        switch (request.method) {
            case HelperMethod::helperVersion: return std::vector<wire::Value>{version};
            case HelperMethod::heartbeat:
            case HelperMethod::keepFansOnDisconnect: return std::vector<wire::Value>{true};
            default: return std::vector<wire::Value>{true, std::string("ok")};
        }
    };
}

std::vector<std::string> FakeHelperServer::selectors() const {
    std::lock_guard lock(mutex_);
    return selectors_;
}

void FakeHelperServer::disconnectClients() {
    dropClients_ = true;
    const char byte = 'd';
    (void)!::write(wakeFd_[1], &byte, 1);
    while (dropClients_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void FakeHelperServer::run() {
    std::map<int, wire::FrameDecoder> clients;
    auto closeAll = [&] {
        for (auto& [fd, decoder] : clients) ::close(fd);
        clients.clear();
    };
    while (true) {
        std::vector<pollfd> fds{{wakeFd_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const auto& [fd, decoder] : clients) fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) {
            char byte = 0;
            (void)!::read(wakeFd_[0], &byte, 1);
            if (byte == 'q') break;
            closeAll();
            dropClients_ = false;
            continue;
        }
        if (fds[1].revents) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                clients.emplace(fd, wire::FrameDecoder());
                ++accepted_;
                // Opens like the helper does; the client's echo is not a request and is skipped below.
                const auto challenge = wire::encodeChallenge(std::string(wire::challengeTokenSize, 'c'));
                (void)!::send(fd, challenge.data(), challenge.size(), MSG_NOSIGNAL);
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            const int fd = fds[i].fd;
            uint8_t chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                ::close(fd);
                clients.erase(fd);
                continue;
            }
            auto& decoder = clients[fd];
            decoder.feed(std::span<const uint8_t>(chunk, static_cast<size_t>(n)));
            while (auto payload = decoder.next()) {
                auto decoded = wire::decodeRequest(*payload);
                if (!std::holds_alternative<wire::Request>(decoded)) continue;
                const auto& request = std::get<wire::Request>(decoded);
                {
                    std::lock_guard lock(mutex_);
                    selectors_.emplace_back(helperMethodInfo(request.method).selector);
                }
                auto values = responder_(request);
                if (!values) continue;
                auto frame = wire::encodeReply(wire::Reply{request.id, std::move(*values)});
                if (frame) (void)!::send(fd, frame->data(), frame->size(), MSG_NOSIGNAL);
            }
        }
    }
    closeAll();
}

}  // namespace ventiq::linktest
