#pragma once

namespace ventiq {

// Teaches Qt's accessibility layer the settings window's self-drawn
// controls: their roles, names, values and press, increment and decrement
// actions. Idempotent; every scaled control calls it when it is built.
void installScaledControlAccessibility();

}  // namespace ventiq
