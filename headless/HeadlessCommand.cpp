#include "headless/HeadlessCommand.h"

#include <QCoreApplication>

#include <charconv>
#include <sstream>
#include <vector>

#include "engine/FanController.h"

namespace ventiq {
namespace {

std::vector<std::string> words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::optional<int> side(const std::string& word) {
    if (word == "left") return 0;
    if (word == "right") return 1;
    return std::nullopt;
}

std::optional<int> integer(const std::string& word) {
    int value = 0;
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

const char* usage =
    "commands: preset auto|custom|full, on, off, rpm left|right N, mode left|right auto|constant|sensor, "
    "ladder on|off, retry, enable, disable, quit";

}  // namespace

std::variant<HeadlessCommand, std::string> HeadlessCommand::parse(std::string_view line) {
    const std::vector<std::string> w = words(line);
    if (w.empty()) return std::string("empty command; ") + usage;
    const std::string& verb = w[0];
    HeadlessCommand c;

    auto simple = [&](Kind kind) -> std::variant<HeadlessCommand, std::string> {
        if (w.size() != 1) return verb + " takes no argument";
        c.kind = kind;
        return c;
    };

    if (verb == "preset") {
        if (w.size() == 2) c.preset = presetNamed(w[1]);
        if (!c.preset) return std::string("usage: preset auto|custom|full");
        c.kind = Kind::preset;
        return c;
    }
    if (verb == "rpm") {
        const auto fan = w.size() == 3 ? side(w[1]) : std::nullopt;
        const auto rpm = w.size() == 3 ? integer(w[2]) : std::nullopt;
        if (!fan || !rpm) return std::string("usage: rpm left|right N");
        c.kind = Kind::rpm;
        c.fan = *fan;
        c.rpm = *rpm;
        return c;
    }
    if (verb == "mode") {
        const auto fan = w.size() == 3 ? side(w[1]) : std::nullopt;
        if (w.size() == 3) c.mode = modeNamed(w[2]);
        if (!fan || !c.mode) return std::string("usage: mode left|right auto|constant|sensor");
        c.kind = Kind::mode;
        c.fan = *fan;
        return c;
    }
    if (verb == "ladder") {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return std::string("usage: ladder on|off");
        c.kind = Kind::ladder;
        c.on = w[1] == "on";
        return c;
    }
    if (verb == "on") return simple(Kind::controlOn);
    if (verb == "off") return simple(Kind::controlOff);
    if (verb == "retry") return simple(Kind::retry);
    if (verb == "enable") return simple(Kind::enable);
    if (verb == "disable") return simple(Kind::disable);
    if (verb == "quit") return simple(Kind::quit);
    return "unknown command \"" + verb + "\"; " + usage;
}

std::optional<FanPreset> HeadlessCommand::presetNamed(std::string_view name) {
    if (name == "auto") return FanPreset::auto_;
    if (name == "custom") return FanPreset::mySettings;
    if (name == "full") return FanPreset::fullSpeed;
    return std::nullopt;
}

const char* HeadlessCommand::presetName(FanPreset preset) {
    switch (preset) {
    case FanPreset::auto_: return "auto";
    case FanPreset::mySettings: return "custom";
    case FanPreset::fullSpeed: break;
    }
    return "full";
}

std::optional<FanMode> HeadlessCommand::modeNamed(std::string_view name) {
    if (name == "auto") return FanMode::auto_;
    if (name == "constant") return FanMode::constant;
    if (name == "sensor") return FanMode::sensor;
    return std::nullopt;
}

std::optional<HeadlessCommand::Refusal> HeadlessCommand::run(FanController& engine, const Report& report) const {
    if (kind == Kind::rpm || kind == Kind::mode) {
        // The engine itself ignores a slider for a missing fan; a caller
        // outside the interface is told instead.
        if ((fan != 0 && fan != 1) || !engine.fan(fan))
            return Refusal{Refusal::Kind::noSuchFan, "no fan " + std::to_string(fan) + " on this machine"};
    }
    if ((kind == Kind::preset && !preset) || (kind == Kind::mode && !mode))
        return Refusal{Refusal::Kind::invalidArgument, "command without its value"};

    const Report done = report ? report : [](bool, const std::string&) {};
    switch (kind) {
    case Kind::preset: engine.setPreset(*preset); break;
    case Kind::controlOn: engine.setControlOn(true); break;
    case Kind::controlOff: engine.setControlOn(false); break;
    case Kind::rpm: engine.setFanFixedRPM(fan, rpm); break;
    case Kind::mode:
        if (fan == 0)
            engine.setLeftMode(*mode);
        else
            engine.setRightMode(*mode);
        break;
    case Kind::ladder: {
        LadderTier two = engine.ladder2();
        LadderTier three = engine.ladder3();
        two.enabled = on;
        three.enabled = on;
        engine.setLadder2(two);
        engine.setLadder3(three);
        break;
    }
    case Kind::retry: engine.retryApply(); break;
    case Kind::enable: engine.enableFanControl(done); break;
    case Kind::disable: engine.disableFanControl(done); break;
    case Kind::quit: QCoreApplication::quit(); break;
    }
    return std::nullopt;
}

}  // namespace ventiq
