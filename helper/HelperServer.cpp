#include "helper/HelperServer.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/PeerIdentity.h"
#include "ipc/HelperProtocol.h"
#include "ipc/WireCodec.h"

namespace ventiq {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t listenerKey = 1;
constexpr uint64_t signalKey = 2;
constexpr uint64_t wakeKey = 3;
constexpr uint64_t firstConnectionKey = 16;

// Replies produced on the service's executor, waiting for the main loop.
// Shared with the reply callbacks so that a late reply never outlives it.
class Completions {
public:
    Completions() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Completions() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }

    void push(uint64_t connection, std::vector<uint8_t> frame) {
        {
            std::lock_guard lock(mutex_);
            items_.emplace_back(connection, std::move(frame));
        }
        const uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(fd_, &one, sizeof one);
    }
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> take() {
        uint64_t count;
        [[maybe_unused]] auto n = ::read(fd_, &count, sizeof count);
        std::lock_guard lock(mutex_);
        return std::exchange(items_, {});
    }

private:
    int fd_;
    std::mutex mutex_;
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> items_;
};

// Texts are capped on the wire; a long joined failure list is cut at a
// character boundary rather than lost with its reply.
std::string fitText(std::string text) {
    if (text.size() <= wire::maxTextSize) return text;
    size_t end = wire::maxTextSize;
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::vector<uint8_t> replyFrame(int64_t id, std::vector<wire::Value> values) {
    for (auto& v : values) {
        if (auto* s = std::get_if<std::string>(&v)) *s = fitText(std::move(*s));
    }
    return wire::encodeReply({id, std::move(values)}).value_or(std::vector<uint8_t>{});
}

struct Connection {
    uint64_t key;
    int fd;
    PeerProcess peer;
    wire::FrameDecoder decoder;
    std::vector<uint8_t> out;
    size_t outOffset = 0;
    size_t pending = 0;
    bool readPaused = false;
    bool served = false;
    Clock::time_point firstRequestDeadline;
};

}  // namespace

struct HelperServer::Impl {
    Impl(FanService& s, int listen, Options o) : service(s), listenFd(listen), options(std::move(o)) {}

    ~Impl() {
        for (auto& [key, c] : connections) ::close(c->fd);
        if (listenFd >= 0) ::close(listenFd);
        if (signalFd >= 0) ::close(signalFd);
        if (epollFd >= 0) ::close(epollFd);
    }

    FanService& service;
    int listenFd;
    Options options;
    int epollFd = -1;
    int signalFd = -1;
    std::shared_ptr<Completions> completions = std::make_shared<Completions>();
    std::unordered_map<uint64_t, std::unique_ptr<Connection>> connections;
    uint64_t nextKey = firstConnectionKey;
    std::vector<Clock::time_point> idleChecks;
    std::optional<Clock::time_point> listenerPausedUntil;

    bool watch(int fd, uint64_t key, uint32_t events, int op = EPOLL_CTL_ADD) {
        epoll_event ev{};
        ev.events = events;
        ev.data.u64 = key;
        return ::epoll_ctl(epollFd, op, fd, &ev) == 0;
    }

    void updateEvents(Connection& c) {
        uint32_t events = 0;
        if (!c.readPaused) events |= EPOLLIN;
        if (c.outOffset < c.out.size()) events |= EPOLLOUT;
        watch(c.fd, c.key, events, EPOLL_CTL_MOD);
    }

    int run();
    void acceptAll();
    void admit(int fd);
    void readFrom(Connection& c);
    bool handlePayload(Connection& c, const std::vector<uint8_t>& payload);
    bool drainFrames(Connection& c);
    void send(Connection& c, std::vector<uint8_t> frame);
    void flush(Connection& c);
    void deliverCompletions();
    void drop(Connection& c, const std::string& reason);
    void close(Connection& c);
    int timeoutMs() const;
};

HelperServer::HelperServer(FanService& service, int listenFd, Options options)
    : impl_(std::make_unique<Impl>(service, listenFd, std::move(options))) {}

HelperServer::~HelperServer() = default;

int HelperServer::run() { return impl_->run(); }

int HelperServer::Impl::run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    signalFd = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    if (signalFd < 0 || epollFd < 0 || completions->fd() < 0 || !watch(listenFd, listenerKey, EPOLLIN) ||
        !watch(signalFd, signalKey, EPOLLIN) || !watch(completions->fd(), wakeKey, EPOLLIN)) {
        hlog(std::string("主循环无法启动：") + std::strerror(errno));
        return 1;
    }

    std::vector<epoll_event> events(64);
    for (;;) {
        const int n = ::epoll_wait(epollFd, events.data(), static_cast<int>(events.size()), timeoutMs());
        if (n < 0) {
            if (errno == EINTR) continue;
            hlog(std::string("主循环出错：") + std::strerror(errno));
            return 1;
        }
        for (int i = 0; i < n; ++i) {
            const uint64_t key = events[i].data.u64;
            if (key == signalKey) {
                signalfd_siginfo info{};
                if (::read(signalFd, &info, sizeof info) == sizeof info) {
                    // Waits for any request already running on the service's queue.
                    service.releaseAllSync("收到信号 " + std::to_string(info.ssi_signo));
                    return 0;
                }
                continue;
            }
            if (key == listenerKey) {
                acceptAll();
                continue;
            }
            if (key == wakeKey) {
                deliverCompletions();
                continue;
            }
            auto it = connections.find(key);
            if (it == connections.end()) continue;
            Connection& c = *it->second;
            if (events[i].events & EPOLLOUT) flush(c);
            if (!connections.count(key)) continue;
            if (c.readPaused && (events[i].events & (EPOLLHUP | EPOLLERR))) {
                // Gone while its requests wait; reading is paused, so do not spin on the hang-up.
                close(c);
            } else if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                readFrom(c);
            }
        }

        const auto now = Clock::now();
        if (listenerPausedUntil && *listenerPausedUntil <= now) {
            listenerPausedUntil.reset();
            watch(listenFd, listenerKey, EPOLLIN, EPOLL_CTL_MOD);
        }
        std::vector<Connection*> silent;
        for (auto& [key, c] : connections) {
            if (!c->served && c->firstRequestDeadline <= now) silent.push_back(c.get());
        }
        for (Connection* c : silent) drop(*c, "没有在时限内发来有效请求");

        // Each drop to zero scheduled its own check; any of them that finds
        // nobody connected ends the process.
        const auto due = std::partition(idleChecks.begin(), idleChecks.end(), [&](auto t) { return t > now; });
        const bool idleDue = due != idleChecks.end();
        idleChecks.erase(due, idleChecks.end());
        if (idleDue && connections.empty()) {
            hlog("空闲 8 秒，退出（launchd 有人再连时会重新拉起）");
            return 0;
        }
    }
}

int HelperServer::Impl::timeoutMs() const {
    std::optional<Clock::time_point> next = listenerPausedUntil;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) next = t;
    };
    for (auto t : idleChecks) consider(t);
    for (const auto& [key, c] : connections) {
        if (!c->served) consider(c->firstRequestDeadline);
    }
    if (!next) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 60000));
}

void HelperServer::Impl::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            admit(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors: stop listening briefly instead of spinning.
            hlog(std::string("accept 失败：") + std::strerror(errno));
            watch(listenFd, listenerKey, 0, EPOLL_CTL_MOD);
            listenerPausedUntil = Clock::now() + std::chrono::milliseconds(200);
        }
        return;
    }
}

void HelperServer::Impl::admit(int fd) {
    auto peer = identifyPeer(fd);
    if (!peer || !options.admits(peer->executable())) {
        const pid_t pid = peer ? peer->pid() : peerPid(fd);
        hlog("拒绝连接：pid=" + std::to_string(pid) + " 不是 " + std::string(ventiqAllowedClientPath) + "（也不是旧路径 " +
             std::string(ventiqLegacyClientPath) + " / " + std::string(ventiqLegacyClientPath2) + "）");
        ::close(fd);
        return;
    }
    if (connections.size() >= options.maxConnections) {
        hlog("拒绝连接：pid=" + std::to_string(peer->pid()) + "，连接数已达上限 " +
             std::to_string(options.maxConnections));
        ::close(fd);
        return;
    }
    // Every message must then carry its sender's credentials, so a socket
    // handed to another process is caught at its first message.
    const int one = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &one, sizeof one) != 0) {
        hlog("拒绝连接：pid=" + std::to_string(peer->pid()) + "，无法核对消息来源");
        ::close(fd);
        return;
    }
    const uint64_t key = nextKey++;
    auto c = std::make_unique<Connection>(Connection{key, fd, std::move(*peer), {}, {}, 0, 0, false, false,
                                                      Clock::now() + options.firstRequestTimeout});
    if (!watch(fd, key, EPOLLIN)) {
        ::close(fd);
        return;
    }
    const pid_t pid = c->peer.pid();
    connections.emplace(key, std::move(c));
    service.clientConnected();
    hlog("接受连接 pid=" + std::to_string(pid) + "，当前连接数 " + std::to_string(connections.size()));
}

void HelperServer::Impl::readFrom(Connection& c) {
    static thread_local std::vector<uint8_t> buffer(64 * 1024);
    // Room for the credentials and a few descriptors; more sets MSG_CTRUNC.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(sizeof(int) * 8)];
    for (int round = 0; round < 16 && !c.readPaused; ++round) {
        iovec iov{buffer.data(), buffer.size()};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(c.fd, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
            close(c);
            return;
        }
        if (n == 0) {
            close(c);
            return;
        }

        std::optional<ucred> sender;
        bool passedFds = false;
        for (cmsghdr* cm = CMSG_FIRSTHDR(&msg); cm != nullptr; cm = CMSG_NXTHDR(&msg, cm)) {
            if (cm->cmsg_level != SOL_SOCKET) continue;
            if (cm->cmsg_type == SCM_RIGHTS) {
                passedFds = true;
                const size_t count = (cm->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                for (size_t i = 0; i < count; ++i) {
                    int passed;
                    std::memcpy(&passed, CMSG_DATA(cm) + i * sizeof(int), sizeof passed);
                    ::close(passed);
                }
            } else if (cm->cmsg_type == SCM_CREDENTIALS && cm->cmsg_len == CMSG_LEN(sizeof(ucred))) {
                ucred cred;
                std::memcpy(&cred, CMSG_DATA(cm), sizeof cred);
                sender = cred;
            }
        }
        if (passedFds || (msg.msg_flags & MSG_CTRUNC)) {
            drop(c, "消息附带了文件描述符");
            return;
        }
        if (!sender || sender->pid != c.peer.pid() || !c.peer.alive()) {
            drop(c, "消息不是由被接受的进程发出（pid=" + std::to_string(sender ? sender->pid : 0) + "）");
            return;
        }

        c.decoder.feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
        if (!drainFrames(c)) return;
    }
}

bool HelperServer::Impl::drainFrames(Connection& c) {
    const uint64_t key = c.key;
    while (c.pending < options.maxPendingRequests) {
        auto payload = c.decoder.next();
        if (!payload) break;
        if (!handlePayload(c, *payload) || !connections.count(key)) return false;
    }
    if (c.decoder.broken()) {
        drop(c, "帧不合法（" + c.decoder.error()->text() + "）");
        return false;
    }
    // Too many requests waiting for the service: stop reading until replies
    // go out, so one client cannot queue without bound.
    const bool pause = c.pending >= options.maxPendingRequests;
    if (pause != c.readPaused) {
        c.readPaused = pause;
        updateEvents(c);
    }
    return true;
}

bool HelperServer::Impl::handlePayload(Connection& c, const std::vector<uint8_t>& payload) {
    auto decoded = wire::decodeRequest(payload);
    if (auto* e = std::get_if<wire::WireError>(&decoded)) {
        drop(c, "请求不合法（" + e->text() + "）");
        return false;
    }
    auto& request = std::get<wire::Request>(decoded);
    c.served = true;
    const int64_t id = request.id;
    auto& args = request.arguments;

    if (request.method == HelperMethod::helperVersion) {
        send(c, replyFrame(id, {FanService::helperVersion()}));
        return true;
    }

    ++c.pending;
    const uint64_t key = c.key;
    auto done = [completions = completions, key, id](std::vector<wire::Value> values) {
        completions->push(key, replyFrame(id, std::move(values)));
    };
    auto messageReply = [done](bool ok, const std::string& message) { done({ok, message}); };
    auto flagReply = [done](bool value) { done({value}); };

    switch (request.method) {
    case HelperMethod::setFanTarget:
        service.setFanTarget(std::get<int64_t>(args[0]), std::get<double>(args[1]), messageReply);
        break;
    case HelperMethod::releaseFan: service.releaseFan(std::get<int64_t>(args[0]), messageReply); break;
    case HelperMethod::releaseAllFans: service.releaseAllFans(messageReply); break;
    case HelperMethod::heartbeat: service.heartbeat(flagReply); break;
    case HelperMethod::rawWrite:
        service.rawWrite(std::get<std::string>(args[0]), std::get<std::string>(args[1]), messageReply);
        break;
    case HelperMethod::keepFansOnDisconnect: service.keepFansOnDisconnect(flagReply); break;
    case HelperMethod::helperVersion: break;
    }
    return true;
}

void HelperServer::Impl::deliverCompletions() {
    for (auto& [key, frame] : completions->take()) {
        auto it = connections.find(key);
        if (it == connections.end()) continue;
        Connection& c = *it->second;
        if (c.pending > 0) --c.pending;
        send(c, std::move(frame));
        if (!connections.count(key)) continue;
        if (c.readPaused && c.pending < options.maxPendingRequests) {
            // Frames may already be buffered from before the pause.
            if (!drainFrames(c)) continue;
            if (!c.readPaused) readFrom(c);
        }
    }
}

void HelperServer::Impl::send(Connection& c, std::vector<uint8_t> frame) {
    if (c.outOffset == c.out.size()) {
        c.out = std::move(frame);
        c.outOffset = 0;
    } else {
        c.out.insert(c.out.end(), frame.begin(), frame.end());
    }
    if (c.out.size() - c.outOffset > options.maxUnsentBytes) {
        drop(c, "客户端不读取回复");
        return;
    }
    flush(c);
}

void HelperServer::Impl::flush(Connection& c) {
    const bool wasWaiting = c.outOffset < c.out.size();
    while (c.outOffset < c.out.size()) {
        const ssize_t n = ::send(c.fd, c.out.data() + c.outOffset, c.out.size() - c.outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.outOffset += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            updateEvents(c);
            return;
        }
        if (n < 0 && errno == EINTR) continue;
        close(c);
        return;
    }
    c.out.clear();
    c.outOffset = 0;
    if (wasWaiting) updateEvents(c);
}

void HelperServer::Impl::drop(Connection& c, const std::string& reason) {
    hlog("断开连接 pid=" + std::to_string(c.peer.pid()) + "：" + reason);
    close(c);
}

void HelperServer::Impl::close(Connection& c) {
    const uint64_t key = c.key;
    ::epoll_ctl(epollFd, EPOLL_CTL_DEL, c.fd, nullptr);
    ::close(c.fd);
    connections.erase(key);
    hlog("连接断开，当前连接数 " + std::to_string(connections.size()));
    service.clientDisconnected();
    if (connections.empty()) idleChecks.push_back(Clock::now() + options.idleExitDelay);
}

}  // namespace ventiq
