#pragma once
// Who is at the other end of a Unix stream socket.
#include <sys/types.h>

#include <optional>
#include <string>

namespace ventiq {

// The connecting process, held by a pidfd so that a recycled pid cannot be
// mistaken for it.
class PeerProcess {
public:
    PeerProcess(pid_t pid, int pidfd, std::string executable);
    ~PeerProcess();
    PeerProcess(PeerProcess&& other) noexcept;
    PeerProcess(PeerProcess&& other, std::string executable);
    PeerProcess& operator=(PeerProcess&&) = delete;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& executable() const { return executable_; }
    // True while the process the pidfd names has not exited.
    bool alive() const;

private:
    pid_t pid_;
    int pidfd_;
    std::string executable_;
};

// The peer's pid from SO_PEERCRED, always (0 when the kernel gives none).
pid_t peerPid(int socketFd);
// The peer's user id from SO_PEERCRED, as it was when it connected.
std::optional<uid_t> peerUid(int socketFd);

// SO_PEERCRED's pid, the peer's pidfd (SO_PEERPIDFD), the executable behind
// /proc/PID/exe, and a second look that the pidfd still names that same live
// process, so the path cannot belong to a successor with a recycled pid.
// Absent on any failure: a peer that cannot be identified is refused.
std::optional<PeerProcess> identifyPeer(int socketFd);

}  // namespace ventiq
