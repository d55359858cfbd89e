#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "smc/FourCC.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;

fs::path tempDir() {
    char pattern[] = "/tmp/ventiq-smc-XXXXXX";
    return fs::path(::mkdtemp(pattern));
}

TEST(SMCErrorText, ExactTextsWithUpperCaseHexWithoutLeadingZeros) {
    struct Case {
        const char* name;
        SMCError error;
        std::string text;
    };
    const Case cases[] = {
        {"open failed", SMCError::openFailed(0xE00002C7), "打开硬件服务失败 (0xE00002C7)"},
        {"call failed small code", SMCError::callFailed(2), "SMC 调用失败 (0x2)"},
        {"smc result", SMCError::smc("F0Tg", 0x84), "SMC 键 F0Tg 返回码 0x84"},
        {"write path marker", SMCError::smc("VENTIQ_SMC_WRITE_PATH_V1:F0Tg", 0x86),
         "SMC 键 VENTIQ_SMC_WRITE_PATH_V1:F0Tg 返回码 0x86"},
        {"size mismatch", SMCError::sizeMismatch("F0Tg", 4, 3), "键 F0Tg 需要 4 字节，给了 3 字节"},
        {"layout", SMCError::layoutMismatch(), "硬件接口布局校验失败"},
        {"no service", SMCError::noService(), "找不到硬件服务"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(c.error.what()), c.text) << c.name;
    EXPECT_EQ(SMCError::smc("F0Tg", 0x84), SMCError::smc("F0Tg", 0x84));
    EXPECT_FALSE(SMCError::smc("F0Tg", 0x84) == SMCError::smc("F1Tg", 0x84));
}

TEST(SMCConnectionOpen, WithoutADeviceFailsWithTheRightError) {
    const auto dir = tempDir();
    const auto plainFile = (dir / "file.sock").string();
    std::ofstream(plainFile) << "not a socket";
    const auto deadSocket = (dir / "dead.sock").string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, deadSocket.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);  // the file stays, nobody listens: connect is refused
    const struct {
        const char* name;
        std::string path;
        SMCError expected;
    } cases[] = {
        {"missing", (dir / "absent.sock").string(), SMCError::noService()},
        {"not a socket", plainFile, SMCError::noService()},
        {"nobody listening", deadSocket, SMCError::openFailed(ECONNREFUSED)},
    };
    for (const auto& c : cases) {
        try {
            SMCConnection conn(c.path);
            ADD_FAILURE() << c.name << ": opened";
        } catch (const SMCError& e) {
            EXPECT_EQ(e, c.expected) << c.name << ": " << e.what();
        }
    }
    fs::remove_all(dir);
}

// A minimal driver on a socket pair: answers key info for one 4-byte key and
// counts the records it receives, so a test can see what reached the driver.
class RecordingDriver {
public:
    explicit RecordingDriver(const std::string& path) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path.c_str());
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener_, 1);
        thread_ = std::thread([this] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            SMCKeyDataT in;
            while (::recv(fd, &in, sizeof in, MSG_WAITALL) == sizeof in) {
                records_.push_back(in);
                SMCKeyDataT out;
                if (in.data8 == SMCCommand::keyInfo && in.key == fourCC("F0Tg")) {
                    out.keyInfo.dataSize = 4;
                    out.keyInfo.dataType = fourCC("flt ");
                } else if (in.data8 == SMCCommand::writeKey) {
                    out.result = SMCResult::notWritable;
                } else {
                    out.result = SMCResult::keyNotFound;
                }
                ::send(fd, &out, sizeof out, MSG_NOSIGNAL);
            }
            ::close(fd);
        });
    }
    ~RecordingDriver() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    std::vector<SMCKeyDataT> records_;

private:
    int listener_ = -1;
    std::thread thread_;
};

TEST(SMCConnectionWrite, SizeIsCheckedBeforeAnythingIsWrittenAndWriteErrorsAreMarked) {
    const auto dir = tempDir();
    const auto path = (dir / "smc.sock").string();
    {
        RecordingDriver driver(path);
        SMCConnection conn(path);
        try {
            conn.writeRaw("F0Tg", {1, 2, 3});
            FAIL();
        } catch (const SMCError& e) {
            EXPECT_STREQ(e.what(), "键 F0Tg 需要 4 字节，给了 3 字节");
        }
        try {
            conn.writeRaw("FXXX", {1});
            FAIL();
        } catch (const SMCError& e) {
            EXPECT_STREQ(e.what(), "SMC 键 FXXX 返回码 0x84") << "key-info errors carry the plain key";
        }
        try {
            conn.writeRaw("F0Tg", floatBytesLE(3000));
            FAIL();
        } catch (const SMCError& e) {
            EXPECT_STREQ(e.what(), "SMC 键 VENTIQ_SMC_WRITE_PATH_V1:F0Tg 返回码 0x86");
        }
        conn.readValue("ZZZZ");
        // Let the driver see the last record before it is inspected.
        const auto records = [&] {
            for (int i = 0; i < 100 && driver.records_.size() < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return driver.records_;
        }();
        ASSERT_EQ(records.size(), 5u);
        // key info (size mismatch, no write sent), key info (unknown), key info + write, key info (read)
        EXPECT_EQ(records[0].data8, SMCCommand::keyInfo);
        EXPECT_EQ(records[1].data8, SMCCommand::keyInfo);
        EXPECT_EQ(records[2].data8, SMCCommand::keyInfo);
        EXPECT_EQ(records[3].data8, SMCCommand::writeKey);
        EXPECT_EQ(records[3].keyInfo.dataSize, 4u);
        EXPECT_EQ(records[3].payload(4), floatBytesLE(3000));
        EXPECT_EQ(records[4].data8, SMCCommand::keyInfo);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ventiq
