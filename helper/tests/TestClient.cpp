// ventiq-helper-testclient: a scriptable helper client for the process tests.
// Reads one command per line on stdin and answers one line on stdout:
//   connect PATH         -> connected | error TEXT   (answers the helper's challenge before the first request)
//   connectRaw PATH      -> connected | error TEXT   (never answers it, as an old client)
//   echo                 -> echoed | closed | timeout | bad challenge   (answers the challenge now)
//   post METHOD ARGS...  -> sent | closed   (set FAN RPM or keep, written without waiting for a reply)
//   execAdmitted PATH    -> adopted         (execs PATH, a client the helper admits, keeping this socket)
//   version              -> reply 1.1.0
//   set FAN RPM          -> reply 1 MESSAGE | reply 0 MESSAGE
//   release FAN | releaseAll | heartbeat | keep | raw KEY HEX
//   send HEX             -> sent            (raw bytes, framed or not)
//   sendfd               -> sent            (a heartbeat with a descriptor attached)
//   forkSend             -> sent            (a child process sends a heartbeat on this socket)
//   expectClosed MS      -> closed | open   (waits for the helper to hang up)
//   flood PATH N MS      -> flooded N closed K (N silent connections; K hung up within MS)
//   hold PATH N          -> held K refused R (N connections that each send one heartbeat and stay)
//   knock PATH N         -> knocked N        (N connections, each closed at once)
//   forkEcho             -> sent            (a child process answers the challenge and asks for a fan)
//   close                -> closed
// Replies time out after 5 s with "timeout"; a hang-up gives "closed".
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ipc/ConnectionChallenge.h"
#include "ipc/WireCodec.h"

using namespace ventiq;

namespace {

int sock = -1;
int64_t nextId = 1;
wire::FrameDecoder decoder;
// Whether the helper's challenge was answered, and whether it ever will be.
bool greeted = false;
bool raw = false;
std::vector<int> held;

bool sendAll(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(sock, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The next whole frame on fd, or absent with why none came: "timeout" after
// 5 s without a byte, "closed" on a hang-up.
std::optional<std::vector<uint8_t>> nextFrame(int fd, wire::FrameDecoder& frames, std::string& failure) {
    for (;;) {
        if (auto payload = frames.next()) return payload;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) {
            failure = "timeout";
            return std::nullopt;
        }
        uint8_t buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            failure = "closed";
            return std::nullopt;
        }
        frames.feed(std::span<const uint8_t>(buf, static_cast<size_t>(n)));
    }
}

// Waits for the reply to the given id.
std::string await(int64_t id, HelperMethod method) {
    std::string failure;
    while (const auto payload = nextFrame(sock, decoder, failure)) {
        auto decoded = wire::decodeReply(*payload);
        if (!std::holds_alternative<wire::Reply>(decoded)) return "bad reply";
        auto& reply = std::get<wire::Reply>(decoded);
        if (reply.id != id) continue;
        if (wire::checkReply(reply, method)) return "bad reply";
        std::string line = "reply";
        for (const auto& v : reply.values) {
            line += " ";
            if (auto* s = std::get_if<std::string>(&v)) line += *s;
            if (auto* b = std::get_if<bool>(&v)) line += *b ? "1" : "0";
        }
        return line;
    }
    return failure;
}

// Reads the helper's challenge on fd and echoes it.
std::string answerChallenge(int fd, wire::FrameDecoder& frames) {
    std::string failure;
    const auto payload = nextFrame(fd, frames, failure);
    if (!payload) return failure;
    const auto token = wire::decodeChallenge(*payload);
    if (!token) return "bad challenge";
    const auto echo = wire::encodeChallenge(*token);
    return ::send(fd, echo.data(), echo.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(echo.size()) ? "echoed" : "closed";
}

std::string greet() {
    if (sock < 0) return "error not connected";
    const std::string result = answerChallenge(sock, decoder);
    greeted = result == "echoed";
    return result;
}

std::string call(HelperMethod method, std::vector<wire::Value> args) {
    if (sock < 0) return "error not connected";
    if (!greeted && !raw) {
        const std::string result = greet();
        if (!greeted) return result == "timeout" ? "timeout" : "closed";
    }
    const int64_t id = nextId++;
    auto frame = wire::encodeRequest({id, method, std::move(args)});
    if (!frame) return "error cannot encode";
    if (!sendAll(*frame)) return "closed";
    return await(id, method);
}

// A connected socket, or -1 with errno telling why.
int connectSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

std::string post(HelperMethod method, std::vector<wire::Value> args) {
    auto frame = wire::encodeRequest({nextId++, method, std::move(args)});
    return frame && sendAll(*frame) ? "sent" : "closed";
}

std::string execAdmitted(const std::string& path) {
    ::fcntl(sock, F_SETFD, 0);
    const std::string fd = std::to_string(sock);
    std::cout.flush();
    ::execl(path.c_str(), path.c_str(), "--adopt", fd.c_str(), static_cast<char*>(nullptr));
    return std::string("error exec ") + std::strerror(errno);
}

std::string hold(const std::string& path, int count) {
    int refused = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = connectSocket(path);
        wire::FrameDecoder frames;
        if (fd < 0 || answerChallenge(fd, frames) != "echoed") {
            if (fd >= 0) ::close(fd);
            ++refused;
            continue;
        }
        const auto frame = *wire::encodeRequest({1, HelperMethod::heartbeat, {}});
        ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        held.push_back(fd);
    }
    return "held " + std::to_string(count - refused) + " refused " + std::to_string(refused);
}

std::string knock(const std::string& path, int count) {
    int done = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = connectSocket(path);
        if (fd < 0) continue;
        ::close(fd);
        ++done;
    }
    return "knocked " + std::to_string(done);
}

std::string forkEcho() {
    const pid_t child = ::fork();
    if (child == 0) {
        wire::FrameDecoder frames;
        if (answerChallenge(sock, frames) == "echoed") {
            sendAll(*wire::encodeRequest({999, HelperMethod::setFanTarget, {int64_t{0}, 5000.0}}));
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return "sent";
}

std::string connectTo(const std::string& path) {
    greeted = false;
    raw = false;
    sock = connectSocket(path);
    if (sock < 0) return std::string("error ") + std::strerror(errno);
    decoder = wire::FrameDecoder();
    return "connected";
}

std::string expectClosed(int ms) {
    pollfd p{sock, POLLIN, 0};
    while (::poll(&p, 1, ms) > 0) {
        uint8_t buf[4096];
        const ssize_t n = ::recv(sock, buf, sizeof buf, 0);
        if (n <= 0) return "closed";
    }
    return "open";
}

std::string sendWithDescriptor() {
    auto frame = *wire::encodeRequest({nextId++, HelperMethod::heartbeat, {}});
    iovec iov{frame.data(), frame.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* cm = CMSG_FIRSTHDR(&msg);
    cm->cmsg_level = SOL_SOCKET;
    cm->cmsg_type = SCM_RIGHTS;
    cm->cmsg_len = CMSG_LEN(sizeof(int));
    const int passed = STDERR_FILENO;
    std::memcpy(CMSG_DATA(cm), &passed, sizeof passed);
    return ::sendmsg(sock, &msg, MSG_NOSIGNAL) > 0 ? "sent" : "error sendmsg";
}

std::string forkSend() {
    const pid_t child = ::fork();
    if (child == 0) {
        auto frame = *wire::encodeRequest({999, HelperMethod::setFanTarget, {int64_t{0}, 5000.0}});
        sendAll(frame);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return "sent";
}

std::string flood(const std::string& path, int count, int ms) {
    std::vector<pollfd> fds;
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            continue;
        }
        fds.push_back({fd, POLLIN, 0});
    }
    const int opened = static_cast<int>(fds.size());
    int closed = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (closed < opened) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(fds.data(), fds.size(), static_cast<int>(left.count())) <= 0) break;
        for (auto& p : fds) {
            if (p.fd < 0 || p.revents == 0) continue;
            // The helper's challenge to an admitted connection is read and left unanswered.
            uint8_t buf[256];
            if ((p.revents & POLLIN) && ::recv(p.fd, buf, sizeof buf, MSG_DONTWAIT) > 0) continue;
            ::close(p.fd);
            p.fd = -1;
            ++closed;
        }
    }
    for (auto& p : fds) {
        if (p.fd >= 0) ::close(p.fd);
    }
    return "flooded " + std::to_string(opened) + " closed " + std::to_string(closed);
}

}  // namespace

int main(int argc, char** argv) {
    // Started by execAdmitted: the socket of the process this one replaced.
    if (argc == 3 && std::strcmp(argv[1], "--adopt") == 0) {
        sock = std::atoi(argv[2]);
        raw = true;
        std::cout << "adopted" << std::endl;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        std::string out;
        if (cmd == "connect" || cmd == "connectRaw") {
            std::string path;
            in >> path;
            out = connectTo(path);
            raw = cmd == "connectRaw";
        } else if (cmd == "echo") {
            out = greet();
        } else if (cmd == "post") {
            std::string what;
            in >> what;
            if (what == "set") {
                int64_t fan;
                double rpm;
                in >> fan >> rpm;
                out = post(HelperMethod::setFanTarget, {fan, rpm});
            } else {
                out = post(HelperMethod::keepFansOnDisconnect, {});
            }
        } else if (cmd == "execAdmitted") {
            std::string path;
            in >> path;
            out = execAdmitted(path);
        } else if (cmd == "hold") {
            std::string path;
            int count = 0;
            in >> path >> count;
            out = hold(path, count);
        } else if (cmd == "knock") {
            std::string path;
            int count = 0;
            in >> path >> count;
            out = knock(path, count);
        } else if (cmd == "forkEcho") {
            out = forkEcho();
        } else if (cmd == "version") {
            out = call(HelperMethod::helperVersion, {});
        } else if (cmd == "set") {
            int64_t fan;
            double rpm;
            in >> fan >> rpm;
            out = call(HelperMethod::setFanTarget, {fan, rpm});
        } else if (cmd == "release") {
            int64_t fan;
            in >> fan;
            out = call(HelperMethod::releaseFan, {fan});
        } else if (cmd == "releaseAll") {
            out = call(HelperMethod::releaseAllFans, {});
        } else if (cmd == "heartbeat") {
            out = call(HelperMethod::heartbeat, {});
        } else if (cmd == "keep") {
            out = call(HelperMethod::keepFansOnDisconnect, {});
        } else if (cmd == "raw") {
            std::string key, hex;
            in >> key >> hex;
            out = call(HelperMethod::rawWrite, {key, hex});
        } else if (cmd == "send") {
            std::string hex;
            in >> hex;
            if (!greeted && !raw) greet();
            out = sendAll(fromHex(hex)) ? "sent" : "closed";
        } else if (cmd == "sendfd") {
            if (!greeted && !raw) greet();
            out = sendWithDescriptor();
        } else if (cmd == "forkSend") {
            out = forkSend();
        } else if (cmd == "expectClosed") {
            int ms = 3000;
            in >> ms;
            out = expectClosed(ms);
        } else if (cmd == "flood") {
            std::string path;
            int count = 0, ms = 0;
            in >> path >> count >> ms;
            out = flood(path, count, ms);
        } else if (cmd == "close") {
            if (sock >= 0) ::close(sock);
            sock = -1;
            out = "closed";
        } else {
            out = "error unknown command";
        }
        std::cout << out << std::endl;
    }
    return 0;
}
