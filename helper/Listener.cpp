#include "helper/Listener.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ventiq {

namespace {

constexpr int firstActivatedFd = 3;

bool isListeningUnixStream(int fd) {
    int value = 0;
    socklen_t len = sizeof value;
    if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &value, &len) != 0 || value != AF_UNIX) return false;
    len = sizeof value;
    if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &value, &len) != 0 || value != SOCK_STREAM) return false;
    len = sizeof value;
    return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &value, &len) == 0 && value == 1;
}

// Set on the listener so that every accepted socket has it from its first
// byte: a message that arrives between accept and a later setsockopt would
// otherwise carry no sender credentials.
bool passCredentials(int fd) {
    const int one = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &one, sizeof one) == 0;
}

std::string errnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

ListenSocket openListenSocket(const std::string& path) {
    ListenSocket out;
    const char* listenPid = std::getenv("LISTEN_PID");
    const char* listenFds = std::getenv("LISTEN_FDS");
    const bool forUs = listenPid != nullptr && listenFds != nullptr &&
                       std::strtol(listenPid, nullptr, 10) == static_cast<long>(::getpid()) &&
                       std::strtol(listenFds, nullptr, 10) >= 1;
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    if (forUs) {
        if (!isListeningUnixStream(firstActivatedFd)) {
            out.error = "activated fd 3 is not a listening Unix stream socket";
            return out;
        }
        if (!passCredentials(firstActivatedFd)) {
            out.error = errnoText("SO_PASSCRED");
            return out;
        }
        ::fcntl(firstActivatedFd, F_SETFD, FD_CLOEXEC);
        ::fcntl(firstActivatedFd, F_SETFL, ::fcntl(firstActivatedFd, F_GETFL) | O_NONBLOCK);
        out.fd = firstActivatedFd;
        out.activated = true;
        return out;
    }

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        out.error = "socket path too long or empty: " + path;
        return out;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            out.error = "not a socket, left alone: " + path;
            return out;
        }
        ::unlink(path.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        out.error = errnoText("socket");
        return out;
    }
    if (!passCredentials(fd)) {
        out.error = errnoText("SO_PASSCRED");
        ::close(fd);
        return out;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        out.error = errnoText(("bind " + path).c_str());
        ::close(fd);
        return out;
    }
    // Every local user may connect; admission decides who is served.
    ::chmod(path.c_str(), 0666);
    if (::listen(fd, 128) != 0) {
        out.error = errnoText("listen");
        ::close(fd);
        ::unlink(path.c_str());
        return out;
    }
    out.fd = fd;
    out.path = path;
    return out;
}

}  // namespace ventiq
