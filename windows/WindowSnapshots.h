#pragma once
#include <QImage>
#include <QString>

class QWidget;

namespace ventiq {

struct MainWindowContext;

// Renders a widget tree as it would appear at a device-pixel ratio, without
// showing it on screen.
QImage renderWidget(QWidget* widget, double devicePixelRatio);

// The main window with its list read once, and the sensor curve sheet, as PNG
// files named main-<tag>.png and sheet-<tag>.png in directory. Returns whether
// both were written.
bool writeMainWindowSnapshots(const MainWindowContext& context, const QString& directory, const QString& tag,
                              double devicePixelRatio);

}  // namespace ventiq
