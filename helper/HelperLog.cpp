#include "helper/HelperLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace ventiq {

namespace {
std::mutex logMutex;
std::string& logPath() {
    static std::string path = helperLogDefaultPath;
    return path;
}
size_t logLimit = helperLogDefaultLimit;

// Messages carry client text (a refused key, a hex string); a control byte
// in it must not start a forged line of its own or cut the system-log copy.
std::string oneLine(const std::string& message) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(message.size());
    for (const char ch : message) {
        const auto byte = static_cast<uint8_t>(ch);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

void writeAll(int fd, const std::string& line) {
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}
}  // namespace

void setHelperLogPath(std::string path, size_t limit) {
    std::lock_guard lock(logMutex);
    logPath() = std::move(path);
    logLimit = limit;
}

std::string isoTimestamp(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

void hlog(const std::string& raw) {
    const std::string message = oneLine(raw);
    syslog(LOG_NOTICE, "VentiqHelper: %s", message.c_str());
    if (::getuid() != 0) return;

    const std::string line = isoTimestamp(std::chrono::system_clock::now()) + " " + message + "\n";
    std::lock_guard lock(logMutex);
    const char* path = logPath().c_str();
    int fd = ::open(path, O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && static_cast<size_t>(st.st_size) + line.size() > logLimit) {
        // Full: the current file becomes the one old file kept, and a fresh one starts.
        ::close(fd);
        fd = -1;
        // Where the old file cannot be set aside, starting over still keeps the log bounded.
        if (::rename(path, (logPath() + ".1").c_str()) != 0) {
            fd = ::open(path, O_WRONLY | O_TRUNC | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        }
    }
    if (fd < 0) {
        // A new file is 0644 whatever the umask of whoever started us.
        fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return;
        ::fchmod(fd, 0644);
    }
    writeAll(fd, line);
    ::close(fd);
}

}  // namespace ventiq
