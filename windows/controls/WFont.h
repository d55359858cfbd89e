#pragma once
#include <QFont>

namespace ventiq {

// The system font of the settings window at its current scale: size wz(size)
// points, in the monospaced-digit form when mono.
QFont wfont(double size, QFont::Weight weight = QFont::Normal, bool mono = false);

}  // namespace ventiq
