#pragma once
#include <QColor>
#include <QImage>
#include <QString>

#include <string_view>

namespace ventiq {

// The named symbols the views use, as SVG icons compiled into the program.
// The icon set has one weight, so a symbol's weight is not a choice here.
namespace SymbolIcons {

// The resource path of a symbol; empty when no icon stands for the name.
QString resourcePath(std::string_view symbol);
// The symbol in one colour, aspect-fit in a square of size points, at the
// given device-pixel ratio; a null image when the symbol cannot be made.
QImage image(std::string_view symbol, double size, const QColor& color, double dpr = 1.0);

// The application's own icon, size points square, at the given ratio.
QImage applicationIcon(double size, double dpr = 1.0);

}  // namespace SymbolIcons
}  // namespace ventiq
