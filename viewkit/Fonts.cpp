#include "viewkit/Fonts.h"

#include <QGuiApplication>
#include <QScreen>

namespace ventiq {
namespace {

double logicalDpi() {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

QFont systemFont(double size, QFont::Weight weight, [[maybe_unused]] bool mono) {
    QFont font = QGuiApplication::font();
    // Qt sizes fonts in typographic points against the screen's logical
    // resolution; the views measure in pixels, so the size is converted.
    font.setPointSizeF(size * 72.0 / logicalDpi());
    font.setWeight(weight);
    font.setItalic(false);
    return font;
}

QFont italicSystemFont(double size, QFont::Weight weight) {
    QFont font = systemFont(size, weight);
    font.setItalic(true);
    return font;
}

}  // namespace ventiq
