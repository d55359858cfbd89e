// The helper's event loop. It uses epoll, signalfd and eventfd directly
// rather than Asio, which carries the application's side of the socket: the
// root helper is the part that must be easy to audit, and one loop over four
// kinds of descriptor is smaller, with fewer moving parts, than an I/O
// framework whose handlers, strands and allocators would sit between every
// hostile byte and the code that judges it.
#include "helper/HelperServer.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperServerImpl.h"

namespace ventiq {

namespace {

constexpr uint64_t listenerKey = 1;
constexpr uint64_t signalKey = 2;
constexpr uint64_t wakeKey = 3;
constexpr uint64_t firstConnectionKey = 16;

}  // namespace

HelperServer::Impl::Impl(FanService& s, int listen, Options o)
    : service(s), listenFd(listen), options(std::move(o)), nextKey(firstConnectionKey) {}

HelperServer::Impl::~Impl() {
    for (auto& [key, c] : connections) ::close(c->fd);
    if (listenFd >= 0) ::close(listenFd);
    if (signalFd >= 0) ::close(signalFd);
    if (epollFd >= 0) ::close(epollFd);
}

HelperServer::HelperServer(FanService& service, int listenFd, Options options)
    : impl_(std::make_unique<Impl>(service, listenFd, std::move(options))) {}

HelperServer::~HelperServer() = default;

int HelperServer::run() { return impl_->run(); }

bool HelperServer::Impl::watch(int fd, uint64_t key, uint32_t events, int op) {
    epoll_event ev{};
    ev.events = events;
    ev.data.u64 = key;
    return ::epoll_ctl(epollFd, op, fd, &ev) == 0;
}

void HelperServer::Impl::updateEvents(Connection& c) {
    uint32_t events = 0;
    if (!c.readPaused) events |= EPOLLIN;
    if (c.outOffset < c.out.size()) events |= EPOLLOUT;
    watch(c.fd, c.key, events, EPOLL_CTL_MOD);
}

int HelperServer::Impl::run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    signalFd = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    if (signalFd < 0 || epollFd < 0 || completions->fd() < 0 || !watch(listenFd, listenerKey, EPOLLIN, EPOLL_CTL_ADD) ||
        !watch(signalFd, signalKey, EPOLLIN, EPOLL_CTL_ADD) ||
        !watch(completions->fd(), wakeKey, EPOLLIN, EPOLL_CTL_ADD)) {
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
                    logRefusalSummaries(Clock::time_point::max());
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
        dropSilentConnections(now);
        logRefusalSummaries(now);
        if (idleExitDue(now)) {
            logRefusalSummaries(Clock::time_point::max());
            hlog("空闲 8 秒，退出（launchd 有人再连时会重新拉起）");
            return 0;
        }
    }
}

int HelperServer::Impl::timeoutMs() const {
    std::optional<Clock::time_point> next = nextPolicyDeadline();
    if (listenerPausedUntil && (!next || *listenerPausedUntil < *next)) next = listenerPausedUntil;
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

}  // namespace ventiq
