#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "helper/HelperLog.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

TEST(HelperLog, TimeStampIsIsoUtcToTheSecond) {
    const auto time = sys_days{year{2025} / March / 1} + hours{8} + minutes{15} + seconds{30} + milliseconds{999};
    EXPECT_EQ(isoTimestamp(time), "2025-03-01T08:15:30Z");
}

TEST(HelperLog, NewFileIs0644AndEveryMessageIsOneStampedLine) {
    if (::getuid() != 0) GTEST_SKIP() << "the log file is written only as root";
    const fs::path dir = fs::temp_directory_path() / ("ventiq-hlog-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "helper.log";
    setHelperLogPath(path.string());

    const mode_t old = ::umask(077);
    hlog("助手启动 v1.1.0");
    ::umask(old);
    // A refused key as a client could send it, carrying a forged entry.
    hlog("rawWrite(F0Tg\n2025-01-01T00:00:00Z 接受连接 pid=1\r, 0) 失败");

    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0644));
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ )");
    for (const auto& line : lines) EXPECT_TRUE(std::regex_search(line, stamp)) << line;
    EXPECT_EQ(lines[0].substr(21), "助手启动 v1.1.0");
    EXPECT_EQ(lines[1].substr(21), R"(rawWrite(F0Tg\x0a2025-01-01T00:00:00Z 接受连接 pid=1\x0d, 0) 失败)");

    setHelperLogPath(helperLogDefaultPath);
    fs::remove_all(dir);
}

TEST(HelperLog, RotatesAtItsLimitKeepingOneOldFile) {
    if (::getuid() != 0) GTEST_SKIP() << "the log file is written only as root";
    const fs::path dir = fs::temp_directory_path() / ("ventiq-hlog-rotate-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "helper.log";
    constexpr size_t limit = 4096;
    setHelperLogPath(path.string(), limit);

    // Each line is the 21-byte stamp, the message and a line feed: 100 bytes.
    for (int i = 0; i < 1000; ++i) hlog("line " + std::string(72, 'x') + " " + std::to_string(1000 + i));

    EXPECT_LE(fs::file_size(path), limit);
    EXPECT_LE(fs::file_size(dir / "helper.log.1"), limit);
    EXPECT_GT(fs::file_size(dir / "helper.log.1"), limit - 100);
    EXPECT_FALSE(fs::exists(dir / "helper.log.2"));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0644));
    std::ifstream in(path);
    std::string last;
    for (std::string line; std::getline(in, line);) last = line;
    EXPECT_EQ(last.substr(last.size() - 4), "1999");

    setHelperLogPath(helperLogDefaultPath);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ventiq
