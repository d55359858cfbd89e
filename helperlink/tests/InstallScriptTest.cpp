// install_helper.sh and uninstall_helper.sh against a temporary root: with a
// recording systemctl where systemd runs, with the activator where it does not.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "LinkTestSupport.h"
#include "helperlink/AdminProcess.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;
using linktest::readFile;
using linktest::writeFile;
using namespace std::chrono_literals;

constexpr const char* label = "com.quillmoor.ventiq.helper";

// Takes the connection on the socket the activator hands over as fd 3 and
// greets it, so the test sees the helper was started with that socket.
constexpr const char* fakeHelper =
    "#!/usr/bin/env python3\n"
    "import os, socket\n"
    "assert os.environ.get('LISTEN_FDS') == '1' and os.environ.get('LISTEN_PID') == str(os.getpid())\n"
    "s = socket.socket(fileno=3)\n"
    "c, _ = s.accept()\n"
    "c.sendall(b'hello from the helper')\n"
    "c.close()\n";

// Running, as opposed to gone or exited and not yet reaped: the activator is
// started in the background by the script, so its parent may never reap it.
bool running(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] != 'Z';
}

class InstallScriptTest : public ::testing::Test {
protected:
    InstallScriptTest() {
        const fs::path from = VENTIQ_RESOURCES_DIR;
        fs::create_directories(resources());
        for (const char* name : {"install_helper.sh", "uninstall_helper.sh", "helper_common.sh", "ventiq-activator",
                                 "com.quillmoor.ventiq.helper.socket", "com.quillmoor.ventiq.helper.service.in"}) {
            fs::copy_file(from / name, fs::path(resources()) / name);
        }
        writeFile(bundledHelper(), fakeHelper, true);
        writeFile(dir_ / "fakebin/systemctl",
                  "#!/bin/sh\necho \"$*\" >>\"" + systemctlLog() + "\"\n"
                  "[ \"$1\" = \"$SYSTEMCTL_FAIL\" ] && { echo \"Failed to $1\" >&2; exit 1; }\nexit 0\n",
                  true);
        fs::create_directories(root());
    }

    ~InstallScriptTest() override {
        // Stop an activator a test left running; it was started from here.
        const std::string pidFile = root() + "/run/ventiq/helper-activator.pid";
        if (fs::exists(pidFile)) {
            const pid_t pid = std::atoi(readFile(pidFile).c_str());
            if (pid > 0) ::kill(pid, SIGTERM);
        }
    }

    std::string root() const { return dir_ / "root"; }
    std::string resources() const { return dir_ / "Tavrinel.app/Contents/Resources"; }
    std::string bundledHelper() const { return dir_ / ("Tavrinel.app/Contents/Library/LaunchServices/" + std::string(label)); }
    std::string installed() const { return root() + "/Library/PrivilegedHelperTools/" + label; }
    std::string unitDir() const { return root() + "/etc/systemd/system/"; }
    std::string systemctlLog() const { return dir_ / "systemctl.log"; }
    std::string socketPath() const { return dir_ / "helper.sock"; }

    void bootWithSystemd() const { fs::create_directories(root() + "/run/systemd/system"); }

    AdminProcessResult run(const std::string& script, std::vector<std::string> extraEnv = {}) const {
        const char* path = std::getenv("PATH");
        std::vector<std::string> argv{"/usr/bin/env", "VENTIQ_ROOT=" + root(), "VENTIQ_HELPER_SOCKET=" + socketPath(),
                                      "PATH=" + std::string(dir_ / "fakebin") + ":" + (path ? path : "/usr/bin:/bin")};
        argv.insert(argv.end(), extraEnv.begin(), extraEnv.end());
        argv.push_back("/bin/bash");
        argv.push_back(resources() + "/" + script);
        return runAdminProcess(argv);
    }

    std::vector<std::string> systemctlCalls() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(systemctlLog()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    linktest::TempDir dir_;
};

TEST_F(InstallScriptTest, SystemdInstallWritesUnitsAndEnablesTheSocket) {
    bootWithSystemd();
    writeFile(installed(), "outdated helper", true);

    const auto result = run("install_helper.sh");
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;

    EXPECT_EQ(readFile(installed()), fakeHelper) << "an outdated helper is replaced";
    EXPECT_EQ(fs::status(installed()).permissions() & fs::perms::all, fs::perms(0755));

    const std::string socketUnit = readFile(unitDir() + label + ".socket");
    for (const std::string& line : {"ListenStream=" + socketPath(), std::string("SocketMode=0666"), std::string("Accept=no")}) {
        EXPECT_NE(socketUnit.find(line + "\n"), std::string::npos) << line << " missing in\n" << socketUnit;
    }
    const std::string serviceUnit = readFile(unitDir() + label + ".service");
    for (const std::string& line : {"ExecStart=" + installed(), "ExecStopPost=" + installed() + " --release-all",
                                   std::string("User=root")}) {
        EXPECT_NE(serviceUnit.find(line + "\n"), std::string::npos) << line << " missing in\n" << serviceUnit;
    }

    const std::vector<std::string> expected{std::string("stop ") + label + ".socket " + label + ".service",
                                            "daemon-reload", std::string("enable --now ") + label + ".socket"};
    EXPECT_EQ(systemctlCalls(), expected) << "the running helper is stopped first";
}

// The unit as installed passes systemd's own check, and its confinement
// stays at the goal: an exposure of at most 1.5 on systemd-analyze's scale.
TEST_F(InstallScriptTest, GeneratedServiceUnitIsValidAndConfined) {
    const std::string analyze = "/usr/bin/systemd-analyze";
    ASSERT_TRUE(fs::exists(analyze)) << "scripts/setup installs systemd for this check";
    bootWithSystemd();
    ASSERT_EQ(run("install_helper.sh").exitStatus, 0);
    const std::string unit = unitDir() + label + ".service";

    const auto verify = runAdminProcess({analyze, "verify", unit});
    EXPECT_EQ(verify.exitStatus, 0) << verify.standardError;
    EXPECT_EQ(verify.standardError, "");

    const auto security = runAdminProcess({analyze, "security", "--offline=true", "--no-pager", unit});
    EXPECT_EQ(security.exitStatus, 0) << security.standardError;
    const std::string marker = "Overall exposure level for " + std::string(label) + ".service: ";
    const size_t at = security.standardOutput.find(marker);
    ASSERT_NE(at, std::string::npos) << security.standardOutput;
    const double exposure = std::strtod(security.standardOutput.c_str() + at + marker.size(), nullptr);
    std::cout << "helper unit exposure " << exposure << "\n";
    EXPECT_LE(exposure, 1.5) << security.standardOutput;
}

TEST_F(InstallScriptTest, InstallFailuresSayWhyOnStandardError) {
    struct Case {
        const char* name;
        bool systemd;
        bool bundleHasHelper;
        std::vector<std::string> env;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"no systemd and no activator asked for", false, true, {}, "systemd is not running"},
        {"bundle without the helper", true, false, {}, "the bundle has no helper"},
        {"systemctl fails", true, true, {"SYSTEMCTL_FAIL=daemon-reload"}, "daemon-reload failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root());
        fs::create_directories(root());
        if (c.systemd) bootWithSystemd();
        if (!c.bundleHasHelper) fs::remove(bundledHelper());

        const auto result = run("install_helper.sh", c.env);
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_NE(result.standardError.find(c.reason), std::string::npos) << result.standardError;
        if (!c.systemd || !c.bundleHasHelper) {
            EXPECT_FALSE(fs::exists(installed())) << "nothing may look installed";
        }
        writeFile(bundledHelper(), fakeHelper, true);
    }
}

TEST_F(InstallScriptTest, SystemdUninstallStopsDisablesAndRemoves) {
    bootWithSystemd();
    ASSERT_EQ(run("install_helper.sh").exitStatus, 0);
    fs::remove(systemctlLog());

    const auto result = run("uninstall_helper.sh");
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_FALSE(fs::exists(unitDir() + label + ".socket"));
    EXPECT_FALSE(fs::exists(unitDir() + label + ".service"));
    const std::vector<std::string> expected{std::string("disable --now ") + label + ".socket",
                                            std::string("stop ") + label + ".service", "daemon-reload"};
    EXPECT_EQ(systemctlCalls(), expected);

    EXPECT_EQ(run("uninstall_helper.sh").exitStatus, 0) << "removing what is not there still succeeds";
}

TEST_F(InstallScriptTest, ActivatorStartsTheHelperOnConnectAndUninstallStopsIt) {
    const std::vector<std::string> env{"VENTIQ_ACTIVATOR=1"};
    // A socket file left behind by an earlier helper.
    writeFile(socketPath(), "");
    const auto result = run("install_helper.sh", env);
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(readFile(installed()), fakeHelper);

    const std::string pidFile = root() + "/run/ventiq/helper-activator.pid";
    const pid_t first = std::atoi(readFile(pidFile).c_str());
    ASSERT_GT(first, 0);

    // Installing again replaces the running activator.
    ASSERT_EQ(run("install_helper.sh", env).exitStatus, 0);
    const pid_t second = std::atoi(readFile(pidFile).c_str());
    EXPECT_NE(second, first);
    EXPECT_FALSE(running(first)) << "the old activator still runs";

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath().c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char greeting[64] = {};
    const ssize_t n = ::recv(fd, greeting, sizeof greeting - 1, MSG_WAITALL);
    ::close(fd);
    EXPECT_EQ(std::string(greeting, n > 0 ? static_cast<size_t>(n) : 0), "hello from the helper");

    const auto removed = run("uninstall_helper.sh");
    EXPECT_EQ(removed.exitStatus, 0) << removed.standardError;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_FALSE(fs::exists(pidFile));
    EXPECT_FALSE(fs::exists(socketPath()));
    EXPECT_FALSE(running(second)) << "the activator still runs";
}

TEST_F(InstallScriptTest, ActivatorDoesNotSpinOnAHelperThatExitsAtOnce) {
    // A helper that gives up before taking the connection, as one that
    // cannot open the SMC does. The activator's --release-all after each
    // failed start is not a start.
    writeFile(bundledHelper(),
              "#!/bin/sh\n[ \"$1\" = --release-all ] && exit 0\necho started >>\"" + (dir_ / "starts") + "\"\n", true);
    ASSERT_EQ(run("install_helper.sh", {"VENTIQ_ACTIVATOR=1"}).exitStatus, 0);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath().c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    std::this_thread::sleep_for(2500ms);
    ::close(fd);
    EXPECT_EQ(run("uninstall_helper.sh").exitStatus, 0);

    const std::string starts = readFile(dir_ / "starts");
    const auto count = std::count(starts.begin(), starts.end(), '\n');
    EXPECT_GE(count, 1);
    EXPECT_LE(count, 5) << "restarted in a tight loop";
}

TEST_F(InstallScriptTest, UninstallLeavesAnUnrelatedProcessWithAReusedPidAlone) {
    // The pid file names a process that is not the activator, as after the
    // activator died and its number was handed out again.
    const pid_t bystander = ::fork();
    if (bystander == 0) {
        ::pause();
        ::_exit(0);
    }
    writeFile(root() + "/run/ventiq/helper-activator.pid", std::to_string(bystander) + "\n");
    EXPECT_EQ(run("uninstall_helper.sh").exitStatus, 0);
    EXPECT_TRUE(running(bystander)) << "an unrelated process was signalled";
    ::kill(bystander, SIGKILL);
    ::waitpid(bystander, nullptr, 0);
}

}  // namespace
}  // namespace ventiq
