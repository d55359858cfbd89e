// The helper as a real process: the simulated machine, the test build of the
// helper (which admits this tree's test client), and the test client, on
// temporary sockets. Needs root, as the helper does.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/ChildProcess.h"
#include "testing/SimProcess.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string binDir() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return dir ? dir : "";
}

// The test client answers every command line with one line.
class Child : public testing::ChildProcess {
public:
    using ChildProcess::ChildProcess;

    std::string ask(const std::string& line, std::chrono::milliseconds timeout = 20s) {
        if (!writeLine(line)) return "<write failed>";
        return readLine(timeout).value_or("<no answer>");
    }
};

class HelperProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
        dir_ = fs::path(sim_.directory());
        socket_ = (dir_ / "helper.sock").string();
        log_ = (dir_ / "helper.log").string();
    }

    std::vector<std::string> helperEnv() const {
        return {"VENTIQ_SMC_DEVICE=" + sim_.smcPath(), "VENTIQ_HELPER_SOCKET=" + socket_, "VENTIQ_HELPER_LOG=" + log_};
    }

    std::unique_ptr<Child> startHelper(const std::string& binary = "com.quillmoor.ventiq.helper-test") {
        auto helper = std::make_unique<Child>(Child::Options{{binDir() + "/" + binary}, helperEnv(), false, {}});
        for (int i = 0; i < 250 && !fs::exists(socket_); ++i) std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(fs::exists(socket_)) << "helper did not listen";
        return helper;
    }

    std::unique_ptr<Child> client(const std::string& path = binDir() + "/ventiq-helper-testclient") {
        return std::make_unique<Child>(Child::Options{{path}, {}, true, {}});
    }

    std::unique_ptr<Child> connected() {
        auto c = client();
        EXPECT_EQ(c->ask("connect " + socket_), "connected");
        return c;
    }

    int mode(int fan) const {
        const auto state = sim_.state();
        return state ? (*state)["fans"][fan]["mode"].get<int>() : -1;
    }
    double target(int fan) const { return (*sim_.state())["fans"][fan]["target"].get<double>(); }

    // Polls the simulator until the fan's mode is the wanted one.
    bool modeBecomes(int fan, int wanted, std::chrono::milliseconds within = 3s) const {
        const auto until = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < until) {
            if (mode(fan) == wanted) return true;
            std::this_thread::sleep_for(20ms);
        }
        return mode(fan) == wanted;
    }

    std::string logText() const {
        std::ifstream in(log_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool logHas(const std::string& text) const { return logText().find(text) != std::string::npos; }

    testing::SimProcess sim_;
    fs::path dir_;
    std::string socket_;
    std::string log_;
};

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

TEST_F(HelperProcessTest, HoldsAFanAndHandsItBackOnDisconnect) {
    auto helper = startHelper();
    auto c = connected();
    EXPECT_EQ(c->ask("version"), "reply 1.1.0");
    const std::string reply = c->ask("set 0 3500");
    EXPECT_TRUE(startsWith(reply, "reply 1 风扇0 模式=1 目标=3500 实际=")) << reply;
    EXPECT_EQ(mode(0), 1);
    EXPECT_EQ(target(0), 3500);
    EXPECT_EQ(c->ask("close"), "closed");
    EXPECT_TRUE(modeBecomes(0, 0));
    EXPECT_TRUE(logHas("助手启动 v1.1.0 pid="));
    EXPECT_TRUE(logHas("releaseAll（客户端断开）→ OK"));
}

TEST_F(HelperProcessTest, KeepCoversOneDisconnectOnly) {
    auto helper = startHelper();
    auto c = connected();
    EXPECT_EQ(c->ask("set 0 3000").substr(0, 7), "reply 1");
    EXPECT_EQ(c->ask("keep"), "reply 1");
    c->ask("close");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(mode(0), 1);

    EXPECT_EQ(c->ask("connect " + socket_), "connected");
    EXPECT_EQ(c->ask("set 0 2500").substr(0, 7), "reply 1");
    c->ask("close");
    EXPECT_TRUE(modeBecomes(0, 0));
}

TEST_F(HelperProcessTest, OneOfTwoClientsLeavingHandsNothingBack) {
    auto helper = startHelper();
    auto a = connected();
    auto b = connected();
    EXPECT_EQ(a->ask("set 0 3000").substr(0, 7), "reply 1");
    EXPECT_EQ(b->ask("heartbeat"), "reply 1");
    a->ask("close");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(mode(0), 1);
    b->ask("close");
    EXPECT_TRUE(modeBecomes(0, 0));
}

TEST_F(HelperProcessTest, SigtermHandsEveryFanBackAndExitsZero) {
    auto helper = startHelper();
    auto c = connected();
    EXPECT_EQ(c->ask("set 0 3000").substr(0, 7), "reply 1");
    EXPECT_EQ(c->ask("set 1 4000").substr(0, 7), "reply 1");
    helper->signal(SIGTERM);
    EXPECT_EQ(helper->wait(5s), 0);
    EXPECT_EQ(mode(0), 0);
    EXPECT_EQ(mode(1), 0);
    EXPECT_TRUE(logHas("releaseAll（收到信号 15）→ OK"));
}

TEST_F(HelperProcessTest, IdleExitEightSecondsAfterTheLastClient) {
    auto helper = startHelper();
    auto a = connected();
    EXPECT_EQ(a->ask("version"), "reply 1.1.0");
    a->ask("close");
    // A second client within the eight seconds keeps it alive past them.
    std::this_thread::sleep_for(5s);
    auto b = connected();
    EXPECT_EQ(b->ask("heartbeat"), "reply 1");
    std::this_thread::sleep_for(5s);
    EXPECT_TRUE(helper->running());
    const auto left = std::chrono::steady_clock::now();
    b->ask("close");
    EXPECT_EQ(helper->wait(12s), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - left, 7500ms);
    EXPECT_TRUE(logHas("空闲 8 秒，退出（launchd 有人再连时会重新拉起）")) << logText();
}

TEST_F(HelperProcessTest, StartUpFailuresExitWithStatusOne) {
    // Not root: refused before the SMC is opened, and nothing reaches the file.
    Child nobody({{binDir() + "/com.quillmoor.ventiq.helper-test"}, helperEnv(), false, uid_t{65534}});
    EXPECT_EQ(nobody.wait(5s), 1);
    EXPECT_FALSE(fs::exists(log_));
    EXPECT_FALSE(fs::exists(socket_));

    auto env = helperEnv();
    env[0] = "VENTIQ_SMC_DEVICE=" + (dir_ / "no-such.sock").string();
    Child noSMC({{binDir() + "/com.quillmoor.ventiq.helper-test"}, env, false, {}});
    EXPECT_EQ(noSMC.wait(5s), 1);
    EXPECT_TRUE(logHas("打开 SMC 失败：找不到硬件服务"));
    EXPECT_EQ((fs::status(log_).permissions() & fs::perms::all),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(HelperProcessTest, ClientAtAnotherPathIsRefused) {
    auto helper = startHelper();
    const fs::path copy = dir_ / "ventiq-helper-testclient";
    fs::copy_file(binDir() + "/ventiq-helper-testclient", copy);
    auto stranger = client(copy.string());
    EXPECT_EQ(stranger->ask("connect " + socket_), "connected");
    EXPECT_EQ(stranger->ask("set 0 5000"), "closed");
    EXPECT_EQ(mode(0), 0);
    EXPECT_TRUE(logHas("拒绝连接：pid=" + std::to_string(stranger->pid()) +
                       " 不是 /Applications/Tavrinel.app/Contents/MacOS/Ventiq（也不是旧路径 "
                       "/Applications/Ondrel.app/Contents/MacOS/Ventiq / /Applications/Pemvik.app/Contents/MacOS/Ventiq）"));
}

TEST_F(HelperProcessTest, SocketHandedToAnotherProcessIsCut) {
    auto helper = startHelper();
    auto c = connected();
    EXPECT_EQ(c->ask("heartbeat"), "reply 1");
    EXPECT_EQ(c->ask("forkSend"), "sent");
    EXPECT_EQ(c->ask("expectClosed 3000"), "closed");
    EXPECT_EQ(mode(0), 0);
    EXPECT_TRUE(logHas("消息不是由被接受的进程发出"));
}

TEST_F(HelperProcessTest, BadFramesAndFloodsLeaveAGoodClientServed) {
    auto helper = startHelper();
    auto good = connected();
    EXPECT_EQ(good->ask("set 0 3000").substr(0, 7), "reply 1");

    struct Row {
        const char* name;
        std::string command;
    };
    const Row rows[] = {
        {"zero length", "send 00000000"},
        {"oversized", "send 00010001"},
        {"huge length", "send ffffffff"},
        {"unknown tag", "send 0000000178"},
        {"truncated text", "send 000000057300000010"},
        // (i 1, s "shutdown:")
        {"unknown selector", "send 00000017690000000000000001730000000973687574646f776e3a"},
        // (i 1, s "releaseFan:reply:", d 0.0): a double where an integer belongs
        {"mistyped argument",
         "send 00000028690000000000000001730000001172656c6561736546616e3a7265706c793a640000000000000000"},
        {"passed descriptor", "sendfd"},
    };
    for (const auto& row : rows) {
        auto bad = connected();
        EXPECT_EQ(bad->ask(row.command), "sent") << row.name;
        EXPECT_EQ(bad->ask("expectClosed 3000"), "closed") << row.name;
    }

    // Silent connections: beyond the cap refused at once, the rest dropped
    // when they send nothing in time.
    auto flooder = client();
    EXPECT_EQ(flooder->ask("flood " + socket_ + " 100 9000"), "flooded 100 closed 100");

    EXPECT_EQ(good->ask("heartbeat"), "reply 1");
    EXPECT_EQ(mode(0), 1);
    EXPECT_EQ(target(0), 3000);
    EXPECT_TRUE(helper->running());
    EXPECT_TRUE(logHas("uid=0 的连接数已达上限 8"));
}

TEST_F(HelperProcessTest, ReleaseAllAfterTheHelperWasKilled) {
    auto helper = startHelper();
    auto c = connected();
    EXPECT_EQ(c->ask("set 0 3000").substr(0, 7), "reply 1");
    EXPECT_EQ(c->ask("set 1 3000").substr(0, 7), "reply 1");
    helper->signal(SIGKILL);
    EXPECT_EQ(helper->wait(5s), -SIGKILL);
    EXPECT_EQ(mode(0), 1);

    // After a helper that exited by itself (idle, perhaps keeping the fans
    // on request) the service manager's run leaves them as they are.
    auto cleanExit = helperEnv();
    cleanExit.insert(cleanExit.end(), {"EXIT_CODE=exited", "EXIT_STATUS=0"});
    Child afterCleanExit({{binDir() + "/com.quillmoor.ventiq.helper", "--release-all"}, cleanExit, false, {}});
    EXPECT_EQ(afterCleanExit.wait(5s), 0);
    EXPECT_EQ(mode(0), 1);

    auto killed = helperEnv();
    killed.insert(killed.end(), {"EXIT_CODE=killed", "EXIT_STATUS=KILL"});
    Child release({{binDir() + "/com.quillmoor.ventiq.helper", "--release-all"}, killed, false, {}});
    EXPECT_EQ(release.wait(5s), 0);
    EXPECT_EQ(mode(0), 0);
    EXPECT_EQ(mode(1), 0);
    EXPECT_TRUE(logHas("releaseAll（--release-all）→ OK"));

    for (const auto& args : {std::vector<std::string>{"--release-all", "x"}, {"--bogus"}, {"-h"}}) {
        std::vector<std::string> argv{binDir() + "/com.quillmoor.ventiq.helper"};
        argv.insert(argv.end(), args.begin(), args.end());
        Child refused({argv, helperEnv(), false, {}});
        EXPECT_EQ(refused.wait(5s), 2) << args[0];
    }
}

// A process that is not admitted connects, asks for both fans and to keep
// them, then execs a program the helper admits. Whether the helper looks at
// it before the exec (refused) or after (admitted and challenged; the helper
// is held stopped to make that happen), no request is carried out: neither
// the bytes written before the exec nor those the admitted program writes
// without having answered the challenge.
TEST_F(HelperProcessTest, ExecAfterConnectNeverCarriesOutARequest) {
    auto helper = startHelper();
    const fs::path stranger = dir_ / "ventiq-helper-testclient";
    fs::copy_file(binDir() + "/ventiq-helper-testclient", stranger);
    const std::string admitted = binDir() + "/ventiq-helper-testclient";

    struct Variant {
        const char* name;
        bool writeBeforeExec;
        bool helperStopped;
    };
    const Variant variants[] = {
        {"written before the exec", true, false},
        {"written before the exec, admitted after it", true, true},
        {"written after the exec", false, false},
        {"written after the exec, before the echo", false, true},
    };
    constexpr int triesPerVariant = 15;
    int carriedOut = 0;
    for (const auto& v : variants) {
        for (int i = 0; i < triesPerVariant; ++i) {
            auto attacker = client(stranger.string());
            if (v.helperStopped) helper->signal(SIGSTOP);
            ASSERT_EQ(attacker->ask("connectRaw " + socket_), "connected") << v.name;
            const auto writeRequests = [&] {
                attacker->ask("post keep");
                attacker->ask("post set 0 5000");
                attacker->ask("post set 1 5000");
            };
            if (v.writeBeforeExec) writeRequests();
            EXPECT_EQ(attacker->ask("execAdmitted " + admitted), "adopted") << v.name;
            if (!v.writeBeforeExec) writeRequests();
            if (v.helperStopped) helper->signal(SIGCONT);
            EXPECT_EQ(attacker->ask("expectClosed 5000"), "closed") << v.name;
            if (mode(0) != 0 || mode(1) != 0) ++carriedOut;
        }
    }
    EXPECT_EQ(carriedOut, 0);
    EXPECT_TRUE(logHas("第一条消息不是对连接验证的回应"));

    // A process sharing an admitted socket cannot answer the challenge for it.
    auto sharer = client();
    EXPECT_EQ(sharer->ask("connect " + socket_), "connected");
    EXPECT_EQ(sharer->ask("forkEcho"), "sent");
    EXPECT_EQ(sharer->ask("expectClosed 3000"), "closed");
    EXPECT_EQ(mode(0), 0);

    // The admitted client that answers is served at once.
    auto app = connected();
    EXPECT_TRUE(startsWith(app->ask("set 0 3000"), "reply 1")) << logText();
    EXPECT_TRUE(helper->running());
}

// One user's connections that asked once and then stay silent take only
// that user's share of the places.
TEST_F(HelperProcessTest, OneUserAtItsLimitLeavesRoomForOthers) {
    // Other users must reach the socket: a folder they may pass through.
    char open[] = "/tmp/ventiq-users-XXXXXX";
    ASSERT_NE(::mkdtemp(open), nullptr);
    ::chmod(open, 0755);
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } cleanup{open};
    socket_ = std::string(open) + "/helper.sock";
    auto helper = startHelper();
    auto app = connected();
    EXPECT_EQ(app->ask("heartbeat"), "reply 1");

    const std::string program = binDir() + "/ventiq-helper-testclient";
    Child hog({{program}, {}, true, uid_t{4201}});
    EXPECT_EQ(hog.ask("hold " + socket_ + " 20"), "held 8 refused 12");

    Child other({{program}, {}, true, uid_t{4202}});
    EXPECT_EQ(other.ask("connect " + socket_), "connected");
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = other.ask("set 1 3200");
    const auto served = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(startsWith(reply, "reply 1 风扇1 模式=1 目标=3200")) << reply;
    std::cout << "another user's client served in "
              << std::chrono::duration<double, std::milli>(served).count() << " ms with one user at its limit\n";

    EXPECT_EQ(app->ask("heartbeat"), "reply 1");
    EXPECT_TRUE(logHas("uid=4201 的连接数已达上限 8"));
}

// Refused connections cost a few lines per user and minute and a summary,
// not a line each; the decisions about admitted clients are all written.
TEST_F(HelperProcessTest, RefusalFloodLeavesTheLogSmall) {
    auto helper = startHelper();
    const fs::path stranger = dir_ / "ventiq-helper-testclient";
    fs::copy_file(binDir() + "/ventiq-helper-testclient", stranger);
    auto flooder = client(stranger.string());
    const auto before = fs::file_size(log_);
    constexpr int refusals = 100000;
    EXPECT_EQ(flooder->ask("knock " + socket_ + " " + std::to_string(refusals), 300s),
              "knocked " + std::to_string(refusals));

    auto app = connected();
    EXPECT_TRUE(startsWith(app->ask("set 0 3100"), "reply 1"));
    app->ask("close");
    EXPECT_TRUE(modeBecomes(0, 0));
    const auto grown = fs::file_size(log_) - before;
    std::cout << refusals << " refused connections grew the log by " << grown << " bytes\n";
    EXPECT_LT(grown, 100u * 1024);
    EXPECT_TRUE(logHas("接受连接 pid=" + std::to_string(app->pid())));
    EXPECT_TRUE(logHas("风扇0 模式=1 目标=3100"));
    // Logged just after the writes the simulator has already seen.
    for (int i = 0; i < 150 && !logHas("releaseAll（客户端断开）→ OK"); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(logHas("releaseAll（客户端断开）→ OK"));

    // Stopping writes the count of the refusals not logged one by one.
    EXPECT_EQ(helper->terminate(10s), 0);
    EXPECT_TRUE(logHas("次连接被拒绝，未逐条记录")) << logText().substr(0, 2000);
}

// Where no systemd runs, the activator does what the unit's ExecStopPost
// does: a killed helper's fans go back to the system, a helper that ended
// itself cleanly keeps what its last client asked for.
TEST_F(HelperProcessTest, ActivatorHandsTheFansBackAfterTheHelperIsKilled) {
    Child activator({{"/usr/bin/python3", VENTIQ_RESOURCES_DIR "/ventiq-activator", "--socket", socket_, "--",
                      binDir() + "/com.quillmoor.ventiq.helper-test"},
                     helperEnv(),
                     false,
                     {}});
    for (int i = 0; i < 250 && !fs::exists(socket_); ++i) std::this_thread::sleep_for(20ms);
    auto helperPid = [&]() -> pid_t {
        std::ifstream in("/proc/" + std::to_string(activator.pid()) + "/task/" + std::to_string(activator.pid()) +
                         "/children");
        pid_t pid = 0;
        in >> pid;
        return pid;
    };

    auto c = connected();
    EXPECT_TRUE(startsWith(c->ask("set 0 3000"), "reply 1"));
    EXPECT_TRUE(startsWith(c->ask("set 1 3000"), "reply 1"));
    const pid_t helper = helperPid();
    ASSERT_GT(helper, 0);
    ASSERT_EQ(::kill(helper, SIGKILL), 0);
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_TRUE(modeBecomes(0, 0, 5s) && modeBecomes(1, 0, 5s)) << logText();
    std::cout << "both fans automatic "
              << std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - killed).count()
              << " ms after the helper was killed\n";
    for (int i = 0; i < 150 && !logHas("releaseAll（--release-all）→ OK"); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(logHas("releaseAll（--release-all）→ OK"));

    // Kept on request, then the helper's idle exit: the fan stays as set.
    auto keeper = connected();
    EXPECT_TRUE(startsWith(keeper->ask("set 0 3300"), "reply 1"));
    EXPECT_EQ(keeper->ask("keep"), "reply 1");
    keeper->ask("close");
    const pid_t idle = helperPid();
    for (int i = 0; i < 600 && helperPid() == idle; ++i) std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(mode(0), 1) << logText();
    EXPECT_EQ(activator.terminate(10s), 0);
}

// Started by the service manager: the listening socket arrives as fd 3 with
// LISTEN_PID / LISTEN_FDS, and the helper binds nothing itself.
TEST_F(HelperProcessTest, TakesTheSocketFromSocketActivation) {
    const std::string activated = (dir_ / "activated.sock").string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    // As the socket unit configures it: messages written before the helper
    // runs still carry their sender's credentials.
    const int on = 1;
    ASSERT_EQ(::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on), 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", activated.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 16), 0);

    const auto env = helperEnv();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fd, 3);
        for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
        ::setenv("LISTEN_PID", std::to_string(::getpid()).c_str(), 1);
        ::setenv("LISTEN_FDS", "1", 1);
        const std::string exe = binDir() + "/com.quillmoor.ventiq.helper-test";
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fd);

    auto c = client();
    EXPECT_EQ(c->ask("connect " + activated), "connected");
    EXPECT_TRUE(startsWith(c->ask("set 1 4000"), "reply 1 风扇1 模式=1 目标=4000"));
    EXPECT_EQ(mode(1), 1);
    EXPECT_FALSE(fs::exists(socket_));
    c->ask("close");
    EXPECT_TRUE(modeBecomes(1, 0));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << logText();
}

// The production build admits only the installed application's path, so the
// client is put there for the duration of the test.
TEST_F(HelperProcessTest, ProductionHelperServesTheInstalledApplicationPath) {
    const fs::path app = "/Applications/Tavrinel.app/Contents/MacOS/Ventiq";
    if (fs::exists(app)) GTEST_SKIP() << "an application is installed at " << app;
    const bool madeRoot = !fs::exists("/Applications/Tavrinel.app");
    fs::create_directories(app.parent_path());
    fs::copy_file(binDir() + "/ventiq-helper-testclient", app);
    struct Cleanup {
        fs::path app;
        bool madeRoot;
        ~Cleanup() {
            std::error_code ec;
            fs::remove(app, ec);
            if (madeRoot) fs::remove_all("/Applications/Tavrinel.app", ec);
            fs::remove("/Applications", ec);  // only when empty
        }
    } cleanup{app, madeRoot};

    auto helper = startHelper("com.quillmoor.ventiq.helper");
    auto c = client(app.string());
    EXPECT_EQ(c->ask("connect " + socket_), "connected");
    EXPECT_TRUE(startsWith(c->ask("set 0 3500"), "reply 1 风扇0 模式=1 目标=3500"));
    EXPECT_EQ(mode(0), 1);
    EXPECT_EQ(target(0), 3500);
    c->ask("close");
    EXPECT_TRUE(modeBecomes(0, 0));

    // The tree's own test client is no client of the production helper.
    auto other = connected();
    EXPECT_EQ(other->ask("heartbeat"), "closed");
}

}  // namespace
}  // namespace ventiq
