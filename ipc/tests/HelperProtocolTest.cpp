#include <gtest/gtest.h>

#include <set>

#include "ipc/HelperProtocol.h"

namespace ventiq {
namespace {

TEST(ClientPath, AdmitsExactlyTheThreeApplicationPaths) {
    struct Row {
        const char* name;
        std::string path;
        bool allowed;
    };
    const std::string current(ventiqAllowedClientPath);
    const Row rows[] = {
        {"current", current, true},
        {"legacy", "/Applications/Ondrel.app/Contents/MacOS/Ventiq", true},
        {"legacy2", "/Applications/Pemvik.app/Contents/MacOS/Ventiq", true},
        {"trailing space", current + " ", false},
        {"leading space", " " + current, false},
        {"lower case", "/Applications/tavrinel.app/Contents/MacOS/Ventiq", false},
        {"copy of current", "/Applications/Tavrinel 2.app/Contents/MacOS/Ventiq", false},
        {"copy of legacy", "/Applications/Ondrel 2.app/Contents/MacOS/Ventiq", false},
        {"copy of legacy2", "/Applications/Pemvik 2.app/Contents/MacOS/Ventiq", false},
        {"user applications", "/Users/x/Applications/Tavrinel.app/Contents/MacOS/Ventiq", false},
        {"tmp", "/tmp/Tavrinel.app/Contents/MacOS/Ventiq", false},
        {"dot dot", current + "/../Ventiq", false},
        {"double slash", "/Applications//Tavrinel.app/Contents/MacOS/Ventiq", false},
        {"embedded NUL", current + std::string(1, '\0'), false},
        {"helper in bundle", "/Applications/Tavrinel.app/Contents/Library/LaunchServices/com.quillmoor.ventiq.helper", false},
        {"other vendor", "/Applications/Other Fans.app/Contents/MacOS/Other Fans", false},
        {"empty", "", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ventiqIsAllowedClientPath(row.path), row.allowed) << row.name;
    }
    EXPECT_EQ(std::set<std::string_view>({ventiqAllowedClientPath, ventiqLegacyClientPath, ventiqLegacyClientPath2}).size(), 3u);
}

TEST(MethodTable, SevenMethodsInDeclaredOrderWithTheirTypes) {
    using T = WireType;
    struct Row {
        const char* selector;
        std::vector<WireType> args;
        std::vector<WireType> reply;
    };
    const Row rows[] = {
        {"helperVersionWithReply:", {}, {T::text}},
        {"setFanTarget:rpm:reply:", {T::int64, T::double_}, {T::flag, T::text}},
        {"releaseFan:reply:", {T::int64}, {T::flag, T::text}},
        {"releaseAllFansWithReply:", {}, {T::flag, T::text}},
        {"heartbeatWithReply:", {}, {T::flag}},
        {"rawWrite:hex:reply:", {T::text, T::text}, {T::flag, T::text}},
        {"keepFansOnDisconnectWithReply:", {}, {T::flag}},
    };
    const auto methods = ventiqHelperMethods();
    ASSERT_EQ(methods.size(), std::size(rows));
    for (size_t i = 0; i < methods.size(); ++i) {
        const auto& m = methods[i];
        EXPECT_EQ(m.selector, rows[i].selector);
        EXPECT_EQ(std::vector<WireType>(m.arguments.begin(), m.arguments.end()), rows[i].args) << m.selector;
        EXPECT_EQ(std::vector<WireType>(m.reply.begin(), m.reply.end()), rows[i].reply) << m.selector;
        EXPECT_EQ(&helperMethodInfo(m.method), &m);
        EXPECT_EQ(helperMethodForSelector(rows[i].selector), &m);
    }
    for (const char* near : {"setFanTarget:rpm:", "setfantarget:rpm:reply:", "setFanTarget:rpm:reply: ", ""}) {
        EXPECT_EQ(helperMethodForSelector(near), nullptr) << near;
    }
}

TEST(Constants, FixedNamesAndVersion) {
    EXPECT_EQ(ventiqHelperLabel, "com.quillmoor.ventiq.helper");
    EXPECT_EQ(ventiqHelperVersion, "1.1.0");
    EXPECT_EQ(ventiqHelperInstallPath, "/Library/PrivilegedHelperTools/com.quillmoor.ventiq.helper");
}

}  // namespace
}  // namespace ventiq
