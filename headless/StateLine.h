#pragma once
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "engine/ControlState.h"

namespace ventiq {

class FanController;

// The headless application's view of the engine: one line per update.
namespace StateLine {

// The case name as the JSON line carries it ("system", "failed", …).
const char* kindName(ControlState::Kind kind);
// The control state as the main window words it, in the interface language.
std::string statusText(const FanController& engine);
// State, preset, both fans and the CPU peak, in the interface language.
std::string text(const FanController& engine);
// The same and more as one JSON object (with whether the helper is ready);
// absent readings are null.
nlohmann::json json(const FanController& engine);

}  // namespace StateLine
}  // namespace ventiq
