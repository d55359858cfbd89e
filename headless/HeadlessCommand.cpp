#include "headless/HeadlessCommand.h"

#include <charconv>
#include <sstream>
#include <vector>

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
        if (w.size() == 2 && w[1] == "auto") c.preset = FanPreset::auto_;
        if (w.size() == 2 && w[1] == "custom") c.preset = FanPreset::mySettings;
        if (w.size() == 2 && w[1] == "full") c.preset = FanPreset::fullSpeed;
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
        if (w.size() == 3 && w[2] == "auto") c.mode = FanMode::auto_;
        if (w.size() == 3 && w[2] == "constant") c.mode = FanMode::constant;
        if (w.size() == 3 && w[2] == "sensor") c.mode = FanMode::sensor;
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

}  // namespace ventiq
