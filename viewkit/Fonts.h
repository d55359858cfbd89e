#pragma once
#include <QFont>

namespace ventiq {

// The desktop's default interface font at a size in points (device-
// independent pixels), which may be fractional at a scaled size. mono asks
// for digits of equal width; the fonts setup installs have tabular digits by
// default, so it is the same family.
QFont systemFont(double size, QFont::Weight weight = QFont::Normal, bool mono = false);
QFont italicSystemFont(double size, QFont::Weight weight = QFont::Normal);

}  // namespace ventiq
