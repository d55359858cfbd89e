#pragma once
// The helper's log: every line goes to the system log as "VentiqHelper: ..."
// and, when running as root, is appended to the helper's own log file with an
// ISO-8601 UTC time stamp.
#include <chrono>
#include <string>

namespace ventiq {

inline constexpr const char* helperLogDefaultPath = "/var/log/com.quillmoor.ventiq.helper.log";

// Chooses the log file; the default until called is helperLogDefaultPath.
void setHelperLogPath(std::string path);

// Never fails: a line that cannot be written is lost. Control bytes in the
// message are written as \xNN, so every message stays one line.
void hlog(const std::string& message);

// 2025-03-01T08:15:30Z
std::string isoTimestamp(std::chrono::system_clock::time_point time);

}  // namespace ventiq
