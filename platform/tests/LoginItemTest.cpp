// The autostart entry behind "Open at login", against temporary folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Environment.h"
#include "platform/LoginItem.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "loginitem.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, ec);
        for (auto& e : fs::recursive_directory_iterator(root, ec)) fs::permissions(e.path(), fs::perms::owner_all, ec);
        fs::remove_all(root, ec);
    }
    fs::path entry() const { return root / "autostart" / "com.quillmoor.ventiq.desktop"; }
    static void writeFile(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    static std::string readFile(const fs::path& p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path root;
};

TEST_F(LoginItemTest, EntryPathFollowsXdgConfigHomeThenHome) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> env;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"XDG_CONFIG_HOME", {{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/home/u"}},
         fs::path("/x/cfg/autostart/com.quillmoor.ventiq.desktop")},
        {"relative XDG_CONFIG_HOME", {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}},
         fs::path("/home/u/.config/autostart/com.quillmoor.ventiq.desktop")},
        {"nothing absolute", {{"HOME", "home"}}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(LoginItem::defaultEntryPath(MapEnvironment(c.env)), c.expected) << c.name;
}

TEST_F(LoginItemTest, TurningOnWritesAnEntryAndOffRemovesIt) {
    LoginItem item(entry(), "/opt/Tavrinel app/Ventiq");
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.setEnabled(true), std::nullopt);
    EXPECT_TRUE(item.isEnabled());
    const std::string text = readFile(entry());
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/opt/Tavrinel app/Ventiq\"\n"), std::string::npos);
    EXPECT_EQ(text.find("Hidden"), std::string::npos);
    EXPECT_EQ(fs::status(entry()).permissions() & fs::perms::all, fs::perms(0644));
    // Nothing but the entry is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(entry().parent_path()), fs::directory_iterator()), 1);

    EXPECT_EQ(item.setEnabled(false), std::nullopt);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.setEnabled(false), std::nullopt) << "removing an absent entry is no error";
}

TEST_F(LoginItemTest, HiddenEntriesCountAsOff) {
    struct Case {
        const char* name;
        const char* text;
        bool enabled;
    };
    const Case cases[] = {
        {"plain entry", "[Desktop Entry]\nType=Application\nExec=x\n", true},
        {"hidden", "[Desktop Entry]\nExec=x\nHidden=true\n", false},
        {"hidden with spaces", "[Desktop Entry]\nHidden = true \n", false},
        {"hidden false", "[Desktop Entry]\nHidden=false\n", true},
        {"hidden in another group", "[Desktop Entry]\nExec=x\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const Case& c : cases) {
        writeFile(entry(), c.text);
        EXPECT_EQ(LoginItem(entry(), "x").isEnabled(), c.enabled) << c.name;
    }
    // Turning a hidden entry on replaces it.
    writeFile(entry(), "[Desktop Entry]\nHidden=true\n");
    LoginItem item(entry(), "/usr/bin/Ventiq");
    EXPECT_EQ(item.setEnabled(true), std::nullopt);
    EXPECT_TRUE(item.isEnabled());
}

TEST_F(LoginItemTest, FailuresLeaveTheDiskAsItWasAndSayWhy) {
    // A regular file where the autostart folder should be: no one, not even
    // root, can create the entry below it.
    writeFile(root / "blocked", "");
    LoginItem underFile(root / "blocked" / "autostart" / "com.quillmoor.ventiq.desktop", "x");
    const auto error = underFile.setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->empty());
    EXPECT_FALSE(underFile.isEnabled());

    // A folder in the entry's place cannot be replaced or removed.
    fs::create_directories(entry() / "inside");
    LoginItem folder(entry(), "x");
    EXPECT_FALSE(folder.isEnabled());
    EXPECT_EQ(folder.setEnabled(true), std::optional<std::string>(std::strerror(EISDIR)));
    EXPECT_EQ(folder.setEnabled(false), std::optional<std::string>(std::strerror(EISDIR)));
    EXPECT_TRUE(fs::is_directory(entry() / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(entry().parent_path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

// A read-only autostart folder. Root ignores directory permissions, so when
// the test runs as root the attempt is made by a child that has dropped to an
// unprivileged user; it reports back through its exit status.
TEST_F(LoginItemTest, ReadOnlyFolderRefusesBothWaysAndKeepsTheEntry) {
    LoginItem item(entry(), "/usr/bin/Ventiq");
    ASSERT_EQ(item.setEnabled(true), std::nullopt);
    const std::string before = readFile(entry());
    fs::permissions(entry().parent_path(), fs::perms(0555));

    constexpr uid_t nobody = 65534;
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        // The unprivileged child must be able to reach the folder.
        fs::permissions(root, fs::perms(0755));
    }
    auto attempt = [&](bool on) -> std::pair<bool, bool> {
        if (!asRoot) {
            const auto error = item.setEnabled(on);
            return {error == std::optional<std::string>(std::strerror(EACCES)), item.isEnabled()};
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(99);
            const auto error = item.setEnabled(on);
            const bool refused = error == std::optional<std::string>(std::strerror(EACCES));
            ::_exit((refused ? 1 : 0) | (item.isEnabled() ? 2 : 0));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 99) << "could not drop to an unprivileged user";
        return {(WEXITSTATUS(status) & 1) != 0, (WEXITSTATUS(status) & 2) != 0};
    };

    const auto [offRefused, stillOn] = attempt(false);
    EXPECT_TRUE(offRefused);
    EXPECT_TRUE(stillOn);
    const auto [onRefused, onAfter] = attempt(true);
    EXPECT_TRUE(onRefused);
    EXPECT_TRUE(onAfter);
    EXPECT_EQ(readFile(entry()), before);
}

}  // namespace
}  // namespace ventiq
