// Reading and writing an admitted connection. Every message must carry its
// sender's credentials, and they must name the admitted process: a socket
// handed to (or shared with) another process is cut at that process's first
// message.
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperServerImpl.h"

namespace ventiq {

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
    if (connections.empty()) connectionsEmptied(Clock::now());
}

}  // namespace ventiq
