#include "smc/SMCConnection.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "smc/FourCC.h"
#include "smc/SMCError.h"

namespace ventiq {

namespace {

// A driver that stops answering must not hang the caller for ever.
constexpr int callTimeoutSeconds = 5;

bool transferAll(int fd, void* buffer, size_t size, bool sending) {
    auto* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = sending ? ::send(fd, p + done, size - done, MSG_NOSIGNAL)
                                  : ::recv(fd, p + done, size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ECONNRESET;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string SMCConnection::defaultDevicePath() {
    const char* env = std::getenv("VENTIQ_SMC_DEVICE");
    return env && *env ? env : "/run/ventiq/smc.sock";
}

SMCConnection::SMCConnection(std::string devicePath) : path_(std::move(devicePath)) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) throw SMCError::noService();
    conn_ = connectSocket();
    if (conn_ < 0) throw SMCError::openFailed(static_cast<uint32_t>(errno));
}

SMCConnection::SMCConnection(Driver driver) : driver_(std::move(driver)) {}

SMCConnection::~SMCConnection() {
    if (conn_ >= 0) ::close(conn_);
}

int SMCConnection::connectSocket() const {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.size() >= sizeof addr.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    timeval tv{callTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

SMCKeyDataT SMCConnection::call(const SMCKeyDataT& input) const {
    std::lock_guard guard(lock_);
    if (driver_) return driver_(input);
    // A broken stream cannot be resynchronised mid-record; the next call
    // reconnects, which also survives a restarted driver.
    if (conn_ < 0) {
        conn_ = connectSocket();
        if (conn_ < 0) throw SMCError::callFailed(static_cast<uint32_t>(errno));
    }
    SMCKeyDataT output;
    SMCKeyDataT in = input;
    if (!transferAll(conn_, &in, sizeof in, true) || !transferAll(conn_, &output, sizeof output, false)) {
        const int err = errno;
        ::close(conn_);
        conn_ = -1;
        throw SMCError::callFailed(static_cast<uint32_t>(err));
    }
    return output;
}

std::pair<uint32_t, uint32_t> SMCConnection::keyInfo(const std::string& key) const {
    SMCKeyDataT in;
    in.key = fourCC(key);
    in.data8 = SMCCommand::keyInfo;
    const SMCKeyDataT out = call(in);
    if (out.result != SMCResult::success) throw SMCError::smc(key, out.result);
    return {out.keyInfo.dataSize, out.keyInfo.dataType};
}

SMCValue SMCConnection::readRaw(const std::string& key) const {
    const auto [size, type] = keyInfo(key);
    SMCKeyDataT in;
    in.key = fourCC(key);
    in.keyInfo.dataSize = size;
    in.data8 = SMCCommand::readKey;
    const SMCKeyDataT out = call(in);
    if (out.result != SMCResult::success) throw SMCError::smc(key, out.result);
    return SMCValue{key, fourCCString(type), out.payload(static_cast<int>(std::min<uint32_t>(size, 32)))};
}

std::optional<SMCValue> SMCConnection::readValue(const std::string& key) const {
    try {
        return readRaw(key);
    } catch (const SMCError&) {
        return std::nullopt;
    }
}

std::optional<std::string> SMCConnection::keyName(uint32_t index) const {
    SMCKeyDataT in;
    in.data8 = SMCCommand::keyAtIndex;
    in.data32 = index;
    try {
        const SMCKeyDataT out = call(in);
        if (out.result != SMCResult::success) return std::nullopt;
        return fourCCString(out.key);
    } catch (const SMCError&) {
        return std::nullopt;
    }
}

void SMCConnection::writeRaw(const std::string& key, const std::vector<uint8_t>& bytes) {
    const auto [size, type] = keyInfo(key);
    (void)type;  // only the size decides whether a write fits
    if (size != bytes.size()) throw SMCError::sizeMismatch(key, size, static_cast<uint32_t>(bytes.size()));
    SMCKeyDataT in;
    in.key = fourCC(key);
    in.keyInfo.dataSize = size;
    in.data8 = SMCCommand::writeKey;
    in.setPayload(bytes);
    const SMCKeyDataT out = call(in);
    if (out.result != SMCResult::success) throw SMCError::smc(writePathMarker + key, out.result);
}

}  // namespace ventiq
