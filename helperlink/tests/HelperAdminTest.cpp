// Installing and removing through a stand-in for the elevation program: the
// outcome texts, the installing status and what happens after the script.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include <unistd.h>

#include "LinkTestSupport.h"
#include "helperlink/HelperClient.h"
#include "platform/Environment.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"

namespace ventiq {
namespace {

using linktest::FakeHelperServer;
using linktest::pumpFor;
using linktest::pumpUntil;
using namespace std::chrono_literals;
using Status = HelperClient::Status;

// Runs the command it is given, as pkexec does once the user agreed.
constexpr const char* passThrough = "#!/bin/sh\nexec \"$@\"\n";
// Waits until the test lets the script finish.
constexpr const char* waitForGoScript =
    "#!/bin/bash\nfor _ in $(seq 1 200); do [ -e \"$(dirname \"$0\")/go\" ] && exit 0; sleep 0.05; done\nexit 1\n";

struct Outcome {
    bool ok = false;
    std::string message;
};

class HelperAdminTest : public ::testing::Test {
protected:
    HelperAdminTest() { linktest::useEnglish(); }

    std::string resources() const { return dir_ / "Tavrinel.app/Contents/Resources"; }

    HelperClient::Config config(const std::string& elevatorBody = passThrough) const {
        HelperClient::Config c;
        c.socketPath = dir_ / "helper.sock";
        c.installPath = dir_ / "installed-helper";
        c.executablePath = [] { return std::optional<std::string>(ventiqAllowedClientPath); };
        c.resourcesDirectory = resources();
        linktest::writeFile(dir_ / "elevator", elevatorBody, true);
        c.elevator = {dir_ / "elevator"};
        return c;
    }

    HelperClient& client(HelperClient::Config c) {
        client_ = std::make_unique<HelperClient>(std::move(c), loop_, notifications_);
        return *client_;
    }

    void writeScript(const std::string& name, const std::string& body) {
        linktest::writeFile(resources() + "/" + name, body, true);
    }

    std::optional<Outcome> runToEnd(HelperClient& helper, bool installing = true) {
        std::optional<Outcome> outcome;
        auto done = [&](bool ok, const std::string& message) { outcome = Outcome{ok, message}; };
        if (installing) {
            helper.install(done);
        } else {
            helper.uninstall(done);
        }
        pumpUntil(loop_, [&] { return outcome.has_value(); });
        return outcome;
    }

    linktest::TempDir dir_;
    ManualLoop loop_;
    NotificationCenter notifications_{loop_};
    std::unique_ptr<HelperClient> client_;
};

// pkexec where no polkit daemon can be asked fails before the script runs;
// the user is told which command to run by hand instead of pkexec's own text.
TEST_F(HelperAdminTest, NoPolkitAuthorityNamesTheCommandToRunByHand) {
    const std::string pkexec = "/usr/bin/pkexec";
    ASSERT_TRUE(std::filesystem::exists(pkexec)) << "scripts/setup installs policykit-1";
    linktest::writeFile(resources() + "/install_helper.sh", linktest::readFile(VENTIQ_RESOURCES_DIR "/install_helper.sh"),
                        true);
    auto c = config();
    c.elevator = {pkexec};
    const auto outcome = runToEnd(client(std::move(c)));
    ASSERT_TRUE(outcome);
    if (outcome->message.find("Error executing command") != std::string::npos) {
        GTEST_SKIP() << "a polkit authority answers here: " << outcome->message;
    }
    EXPECT_FALSE(outcome->ok);
    EXPECT_EQ(outcome->message, "No administrator prompt is available here. Run this as root, then try again: "
                                "sudo /bin/bash '" + resources() + "/install_helper.sh'");
}

TEST_F(HelperAdminTest, RootNeedsNoElevator) {
    const auto production = HelperClient::Config::production(Environment::process());
    if (::geteuid() == 0) {
        EXPECT_TRUE(production.elevator.empty());
    } else {
        EXPECT_EQ(production.elevator, std::vector<std::string>{"/usr/bin/pkexec"});
    }
}

TEST_F(HelperAdminTest, ScriptOutcomeBecomesFlagAndMessage) {
    struct Case {
        const char* name;
        std::string elevator;
        std::string script;
        bool ok;
        std::string message;
    };
    const std::vector<Case> cases{
        {"dialog dismissed", "#!/bin/sh\necho 'Error executing command as another user: Not authorized' >&2\nexit 126\n",
         "#!/bin/bash\nexit 0\n", false, "Canceled"},
        {"success keeps trimmed output", passThrough, "#!/bin/bash\necho '  installed  '\necho 'note' >&2\n", true,
         "installed"},
        {"success without output", passThrough, "#!/bin/bash\nexit 0\n", true, ""},
        {"failure gives the error", passThrough, "#!/bin/bash\necho out\nprintf '\\n  it broke\\n\\n' >&2\nexit 1\n",
         false, "it broke"},
        {"failure without error text gives the output", passThrough, "#!/bin/bash\necho ' only out '\nexit 3\n", false,
         "only out"},
        {"undecodable error counts as empty", passThrough,
         "#!/bin/bash\necho fallback\nprintf 'bad \\377\\n' >&2\nexit 1\n", false, "fallback"},
        {"not authorised gives the elevator's error",
         "#!/bin/sh\necho 'Error executing command as another user: Not authorized' >&2\nexit 127\n",
         "#!/bin/bash\nexit 0\n", false, "Error executing command as another user: Not authorized"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeScript("install_helper.sh", c.script);
        auto& helper = client(config(c.elevator));
        helper.refreshState();
        ASSERT_EQ(helper.status(), Status::notInstalled());

        std::optional<Outcome> outcome;
        helper.install([&](bool ok, const std::string& message) { outcome = Outcome{ok, message}; });
        EXPECT_TRUE(helper.isInstalling());
        EXPECT_EQ(helper.statusText(), "Installing (enter your password in the system dialog)…");
        ASSERT_TRUE(pumpUntil(loop_, [&] { return outcome.has_value(); }));
        EXPECT_EQ(outcome->ok, c.ok);
        EXPECT_EQ(outcome->message, c.message);
        // The refresh after the script finds no helper again.
        EXPECT_EQ(helper.status(), Status::notInstalled());
    }
}

TEST_F(HelperAdminTest, MissingScriptAnswersAtOnceWithoutStatusChange) {
    auto& helper = client(config());
    for (const auto& [installing, name] : {std::pair{true, "install_helper.sh"}, {false, "uninstall_helper.sh"}}) {
        std::optional<Outcome> outcome;
        auto done = [&](bool ok, const std::string& message) { outcome = Outcome{ok, message}; };
        if (installing) {
            helper.install(done);
        } else {
            helper.uninstall(done);
        }
        ASSERT_TRUE(outcome.has_value());
        EXPECT_FALSE(outcome->ok);
        EXPECT_EQ(outcome->message, std::string("包里缺少 ") + name);
        EXPECT_EQ(helper.status(), Status::unknown());
    }
}

TEST_F(HelperAdminTest, ElevatorThatCannotStart) {
    writeScript("install_helper.sh", "#!/bin/bash\nexit 0\n");
    auto c = config();
    c.elevator = {dir_ / "no-such-elevator"};
    auto outcome = runToEnd(client(c));
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->ok);
    EXPECT_EQ(outcome->message, "no-such-elevator：No such file or directory");
}

TEST_F(HelperAdminTest, QuotesInTheBundlePathReachTheScriptUnchanged) {
    for (const std::string bundle : {"Tav'ri\"nel.app", "It's \\\"odd\\\" $HOME.app"}) {
        SCOPED_TRACE(bundle);
        auto c = config();
        c.resourcesDirectory = dir_ / (bundle + "/Contents/Resources");
        linktest::writeFile(c.resourcesDirectory + "/uninstall_helper.sh", "#!/bin/bash\nprintf '%s' \"$0\"\n", true);
        auto outcome = runToEnd(client(c), false);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->ok);
        EXPECT_EQ(outcome->message, c.resourcesDirectory + "/uninstall_helper.sh");
    }
}

TEST_F(HelperAdminTest, SecondRequestWhileRunningIsIgnored) {
    writeScript("install_helper.sh", waitForGoScript);
    writeScript("uninstall_helper.sh", "#!/bin/bash\nexit 0\n");
    auto& helper = client(config());
    int first = 0;
    int second = 0;
    helper.install([&](bool, const std::string&) { ++first; });
    helper.install([&](bool, const std::string&) { ++second; });
    helper.uninstall([&](bool, const std::string&) { ++second; });
    helper.refreshState();
    EXPECT_TRUE(helper.isInstalling()) << "a refresh does nothing while a script runs";
    linktest::writeFile(resources() + "/go", "");
    ASSERT_TRUE(pumpUntil(loop_, [&] { return first == 1; }));
    pumpFor(loop_, 200ms);
    EXPECT_EQ(second, 0);
}

TEST_F(HelperAdminTest, InstallEndsWithAFreshConnectionToTheNewHelper) {
    // The old helper answers slowly; its answer arrives while the script runs
    // and must neither end the installing status nor outlive the install.
    std::atomic<bool> answerOld{false};
    auto old = std::make_unique<FakeHelperServer>(
        dir_ / "helper.sock", [&](const wire::Request&) -> std::optional<std::vector<wire::Value>> {
            while (!answerOld) std::this_thread::sleep_for(5ms);
            return std::vector<wire::Value>{std::string("1.0.0")};
        });
    linktest::writeFile(dir_ / "installed-helper", "old helper");
    writeScript("install_helper.sh", waitForGoScript);
    auto& helper = client(config());
    helper.refreshState();
    ASSERT_TRUE(pumpUntil(loop_, [&] { return old->selectors().size() == 1; }));

    std::optional<Outcome> outcome;
    helper.install([&](bool ok, const std::string& message) { outcome = Outcome{ok, message}; });
    answerOld = true;
    pumpFor(loop_, 200ms);
    EXPECT_TRUE(helper.isInstalling());

    old.reset();
    FakeHelperServer current(dir_ / "helper.sock", FakeHelperServer::answeringVersion("1.1.0"));
    linktest::writeFile(resources() + "/go", "");
    ASSERT_TRUE(pumpUntil(loop_, [&] { return outcome.has_value() && helper.isReady(); }));
    EXPECT_TRUE(outcome->ok);
    EXPECT_EQ(helper.status(), Status::ready("1.1.0"));
    EXPECT_EQ(current.connectionsAccepted(), 1);
}

}  // namespace
}  // namespace ventiq
