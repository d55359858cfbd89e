#include "helper/PeerIdentity.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <limits.h>

namespace ventiq {

namespace {

// Newer than the C library's headers here; the kernel has them.
#ifndef SO_PEERPIDFD
constexpr int SO_PEERPIDFD = 77;
#endif

int sendSignalToPidfd(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

// The pid a pidfd names, from its fdinfo: -1 once the process has exited,
// absent when it cannot be read.
std::optional<pid_t> pidOfPidfd(int pidfd) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fdinfo/%d", pidfd);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buf[1024];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return std::nullopt;
    buf[n] = '\0';
    const char* line = std::strstr(buf, "\nPid:");
    if (line == nullptr) return std::nullopt;
    long pid = 0;
    if (std::sscanf(line + 5, "%ld", &pid) != 1) return std::nullopt;
    return static_cast<pid_t>(pid);
}

}  // namespace

PeerProcess::PeerProcess(pid_t pid, int pidfd, std::string executable)
    : pid_(pid), pidfd_(pidfd), executable_(std::move(executable)) {}

PeerProcess::~PeerProcess() {
    if (pidfd_ >= 0) ::close(pidfd_);
}

PeerProcess::PeerProcess(PeerProcess&& other) noexcept
    : pid_(other.pid_), pidfd_(other.pidfd_), executable_(std::move(other.executable_)) {
    other.pidfd_ = -1;
}

PeerProcess::PeerProcess(PeerProcess&& other, std::string executable) : PeerProcess(std::move(other)) {
    executable_ = std::move(executable);
}

bool PeerProcess::alive() const { return pidfd_ >= 0 && sendSignalToPidfd(pidfd_, 0) == 0; }

pid_t peerPid(int socketFd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return 0;
    return cred.pid;
}

std::optional<uid_t> peerUid(int socketFd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return std::nullopt;
    return cred.uid;
}

std::optional<PeerProcess> identifyPeer(int socketFd) {
    const pid_t pid = peerPid(socketFd);
    if (pid <= 0) return std::nullopt;

    int pidfd = -1;
    socklen_t len = sizeof pidfd;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &len) != 0 || pidfd < 0) return std::nullopt;
    PeerProcess peer(pid, pidfd, {});
    auto sameLiveProcess = [&] { return pidOfPidfd(pidfd) == pid && peer.alive(); };
    if (!sameLiveProcess()) return std::nullopt;

    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/%d/exe", static_cast<int>(pid));
    char exe[PATH_MAX + 1];
    const ssize_t n = ::readlink(procPath, exe, PATH_MAX);
    if (n <= 0) return std::nullopt;

    // Still the same live process after the path was read: the pid cannot
    // have been handed to another one in between.
    if (!sameLiveProcess()) return std::nullopt;
    return PeerProcess(std::move(peer), std::string(exe, static_cast<size_t>(n)));
}

}  // namespace ventiq
