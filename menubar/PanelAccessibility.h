#pragma once

namespace ventiq {

// Makes the panel's self-drawn controls known to assistive technology: the
// slider with its value, range and steps, the switch row as one checkbox,
// the other rows as buttons. Safe to call more than once.
void installPanelAccessibility();

}  // namespace ventiq
