#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/FanPreset.h"

namespace ventiq {

// One line typed to the headless application.
struct HeadlessCommand {
    enum class Kind { preset, controlOn, controlOff, rpm, mode, ladder, retry, enable, disable, quit };

    Kind kind = Kind::quit;
    // preset
    std::optional<FanPreset> preset;
    // rpm, mode: 0 left, 1 right
    int fan = 0;
    int rpm = 0;
    std::optional<FanMode> mode;
    // ladder: settings 2 and 3 on or off together
    bool on = false;

    // The command, or a one-line explanation of what is wrong with the line.
    static std::variant<HeadlessCommand, std::string> parse(std::string_view line);
};

}  // namespace ventiq
