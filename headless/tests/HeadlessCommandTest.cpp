#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "headless/HeadlessCommand.h"

namespace ventiq {
namespace {

using Kind = HeadlessCommand::Kind;

struct Accepted {
    const char* line;
    Kind kind;
    std::function<bool(const HeadlessCommand&)> details;
};

TEST(HeadlessCommand, AcceptsEveryCommandWithItsArguments) {
    const std::vector<Accepted> cases{
        {"preset auto", Kind::preset, [](auto& c) { return c.preset == FanPreset::auto_; }},
        {"preset custom", Kind::preset, [](auto& c) { return c.preset == FanPreset::mySettings; }},
        {"  preset   full  ", Kind::preset, [](auto& c) { return c.preset == FanPreset::fullSpeed; }},
        {"rpm left 3000", Kind::rpm, [](auto& c) { return c.fan == 0 && c.rpm == 3000; }},
        {"rpm right -5", Kind::rpm, [](auto& c) { return c.fan == 1 && c.rpm == -5; }},
        {"mode right sensor", Kind::mode, [](auto& c) { return c.fan == 1 && c.mode == FanMode::sensor; }},
        {"mode left auto", Kind::mode, [](auto& c) { return c.fan == 0 && c.mode == FanMode::auto_; }},
        {"ladder on", Kind::ladder, [](auto& c) { return c.on; }},
        {"ladder off", Kind::ladder, [](auto& c) { return !c.on; }},
        {"on", Kind::controlOn, [](auto&) { return true; }},
        {"off", Kind::controlOff, [](auto&) { return true; }},
        {"retry", Kind::retry, [](auto&) { return true; }},
        {"enable", Kind::enable, [](auto&) { return true; }},
        {"disable", Kind::disable, [](auto&) { return true; }},
        {"quit\r", Kind::quit, [](auto&) { return true; }},
    };
    for (const auto& c : cases) {
        auto parsed = HeadlessCommand::parse(c.line);
        ASSERT_TRUE(std::holds_alternative<HeadlessCommand>(parsed)) << c.line << ": " << std::get<std::string>(parsed);
        const auto& command = std::get<HeadlessCommand>(parsed);
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_TRUE(c.details(command)) << c.line;
    }
}

TEST(HeadlessCommand, RefusesAnythingElseWithOneLine) {
    for (const char* line : {"", "turbo", "preset", "preset fast", "preset auto now", "rpm left", "rpm middle 3000",
                             "rpm left 3000rpm", "rpm left 99999999999", "mode left fast", "ladder maybe",
                             "quit now", "Preset auto"}) {
        auto parsed = HeadlessCommand::parse(line);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << '"' << line << '"';
        const std::string& error = std::get<std::string>(parsed);
        EXPECT_FALSE(error.empty()) << line;
        EXPECT_EQ(error.find('\n'), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace ventiq
