// Who is admitted, how many connections one user may hold, how long a new
// connection may stay silent, and when the helper ends itself for want of
// clients.
#include <sys/epoll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperServerImpl.h"
#include "ipc/ConnectionChallenge.h"
#include "ipc/HelperProtocol.h"

namespace ventiq {

namespace {

// A user id no process has, for a peer whose credentials cannot be read: its
// refusals are still counted together.
constexpr uid_t unknownUid = static_cast<uid_t>(-1);

std::optional<std::string> freshChallenge() {
    uint8_t bytes[wire::challengeTokenSize / 2];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return std::nullopt;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (const uint8_t b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

}  // namespace

void HelperServer::Impl::admit(int fd) {
    const auto now = Clock::now();
    const uid_t uid = peerUid(fd).value_or(unknownUid);
    auto peer = identifyPeer(fd);
    if (!peer || !options.admits(peer->executable())) {
        const pid_t pid = peer ? peer->pid() : peerPid(fd);
        refuse(fd, uid, now,
               "拒绝连接：pid=" + std::to_string(pid) + " 不是 " + std::string(ventiqAllowedClientPath) + "（也不是旧路径 " +
                   std::string(ventiqLegacyClientPath) + " / " + std::string(ventiqLegacyClientPath2) + "）");
        return;
    }
    const std::string who = "拒绝连接：pid=" + std::to_string(peer->pid());
    if (connections.size() >= options.maxConnections) {
        refuse(fd, uid, now, who + "，连接数已达上限 " + std::to_string(options.maxConnections));
        return;
    }
    // Silent connections of one user must not use up the places of everyone else.
    if (connectionsOf(uid) >= options.maxConnectionsPerUser) {
        refuse(fd, uid, now,
               who + "，用户 uid=" + std::to_string(uid) + " 的连接数已达上限 " +
                   std::to_string(options.maxConnectionsPerUser));
        return;
    }
    // Every message must then carry its sender's credentials, so a socket
    // handed to another process is caught at its first message.
    const int one = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &one, sizeof one) != 0) {
        refuse(fd, uid, now, who + "，无法核对消息来源");
        return;
    }
    auto challenge = freshChallenge();
    if (!challenge) {
        refuse(fd, uid, now, who + "，无法生成连接验证");
        return;
    }
    const uint64_t key = nextKey++;
    auto c = std::make_unique<Connection>(key, fd, uid, std::move(*peer), std::move(*challenge),
                                          now + options.firstRequestTimeout);
    if (!watch(fd, key, EPOLLIN, EPOLL_CTL_ADD)) {
        ::close(fd);
        return;
    }
    Connection& added = *c;
    connections.emplace(key, std::move(c));
    service.clientConnected();
    hlog("接受连接 pid=" + std::to_string(added.peer.pid()) + "，当前连接数 " + std::to_string(connections.size()));
    send(added, wire::encodeChallenge(added.challenge));
}

void HelperServer::Impl::refuse(int fd, uid_t uid, Clock::time_point now, const std::string& line) {
    if (refusals.takeLine(uid, now)) hlog(line);
    ::close(fd);
}

size_t HelperServer::Impl::connectionsOf(uid_t uid) const {
    return static_cast<size_t>(
        std::count_if(connections.begin(), connections.end(), [&](const auto& entry) { return entry.second->uid == uid; }));
}

void HelperServer::Impl::logRefusalSummaries(Clock::time_point now) {
    for (const auto& line : refusals.endWindows(now)) hlog(line);
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
    std::optional<Clock::time_point> next = refusals.nextEnd();
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
