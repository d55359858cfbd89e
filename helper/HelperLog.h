#pragma once
// The helper's log: every line goes to the system log as "VentiqHelper: ..."
// and, when running as root, is appended to the helper's own log file with an
// ISO-8601 UTC time stamp.
#include <chrono>
#include <cstddef>
#include <string>

namespace ventiq {

inline constexpr const char* helperLogDefaultPath = "/var/log/com.quillmoor.ventiq.helper.log";

// The log file grows to this size; the next line first moves it to PATH.1
// (replacing an older one), so the log takes at most twice this much room.
inline constexpr size_t helperLogDefaultLimit = 1 << 20;

// Chooses the log file and its size limit; the defaults until called are
// helperLogDefaultPath and helperLogDefaultLimit.
void setHelperLogPath(std::string path, size_t limit = helperLogDefaultLimit);

// Never fails: a line that cannot be written is lost. Control bytes in the
// message are written as \xNN, so every message stays one line.
void hlog(const std::string& message);

// 2025-03-01T08:15:30Z
std::string isoTimestamp(std::chrono::system_clock::time_point time);

}  // namespace ventiq
