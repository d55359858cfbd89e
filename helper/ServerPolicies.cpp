// Who is admitted, how long a new connection may stay silent, and when the
// helper ends itself for want of clients.
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperServerImpl.h"
#include "ipc/HelperProtocol.h"

namespace ventiq {

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
    if (!watch(fd, key, EPOLLIN, EPOLL_CTL_ADD)) {
        ::close(fd);
        return;
    }
    const pid_t pid = c->peer.pid();
    connections.emplace(key, std::move(c));
    service.clientConnected();
    hlog("接受连接 pid=" + std::to_string(pid) + "，当前连接数 " + std::to_string(connections.size()));
}

void HelperServer::Impl::dropSilentConnections(Clock::time_point now) {
    std::vector<Connection*> silent;
    for (auto& [key, c] : connections) {
        if (!c->served && c->firstRequestDeadline <= now) silent.push_back(c.get());
    }
    for (Connection* c : silent) drop(*c, "没有在时限内发来有效请求");
}

void HelperServer::Impl::connectionsEmptied(Clock::time_point now) { idleChecks.push_back(now + options.idleExitDelay); }

bool HelperServer::Impl::idleExitDue(Clock::time_point now) {
    // Each drop to zero scheduled its own check; any of them that finds
    // nobody connected ends the process.
    const auto due = std::partition(idleChecks.begin(), idleChecks.end(), [&](auto t) { return t > now; });
    const bool idleDue = due != idleChecks.end();
    idleChecks.erase(due, idleChecks.end());
    return idleDue && connections.empty();
}

std::optional<HelperServer::Impl::Clock::time_point> HelperServer::Impl::nextPolicyDeadline() const {
    std::optional<Clock::time_point> next;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) next = t;
    };
    for (auto t : idleChecks) consider(t);
    for (const auto& [key, c] : connections) {
        if (!c->served) consider(c->firstRequestDeadline);
    }
    return next;
}

}  // namespace ventiq
