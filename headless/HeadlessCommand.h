#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/FanPreset.h"

namespace ventiq {

class FanController;

// One command to the running application: a line typed to the headless
// console, or a call on the session bus. Both go through run(), so a command
// acts on the engine the same way whichever way it came in.
struct HeadlessCommand {
    enum class Kind { preset, controlOn, controlOff, rpm, mode, ladder, retry, enable, disable, quit };

    // Why a well-formed command was not carried out; nothing changed then.
    struct Refusal {
        enum class Kind { invalidArgument, noSuchFan };
        Kind kind;
        std::string message;
    };
    using Report = std::function<void(bool ok, const std::string& message)>;

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

    // The words for presets and modes, shared by the console and the bus.
    static std::optional<FanPreset> presetNamed(std::string_view name);
    static const char* presetName(FanPreset preset);
    static std::optional<FanMode> modeNamed(std::string_view name);

    // Carries the command out through the engine, as the matching click
    // would. A fan command needs the fan to be there. enable and disable
    // answer through report once the helper has; quit ends the event loop.
    std::optional<Refusal> run(FanController& engine, const Report& report = {}) const;
};

}  // namespace ventiq
