#include "windows/SensorListStyle.h"

#include <cstdio>

#include "settings/TempFormat.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"

namespace ventiq::SensorListStyle {

QColor warm() { return QColor(245, 196, 83); }
QColor hot() { return QColor(255, 107, 107); }
QColor zebra() { return QColor(255, 255, 255, qRound(0.03 * 255)); }

QColor tint(std::optional<double> celsius) {
    if (!celsius) return qcolor(Palette::secondary);
    if (*celsius >= hotAt) return hot();
    if (*celsius >= warmAt) return warm();
    return qcolor(Palette::text);
}

QString tempString(std::optional<double> celsius, bool fahrenheit) {
    if (!celsius) return QStringLiteral("\u2014");
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", TempFormat::converted(*celsius, fahrenheit));
    return QString::fromLatin1(buffer);
}

std::optional<Symbol> symbol(SensorIcon icon) {
    switch (icon) {
    case SensorIcon::none: return std::nullopt;
    case SensorIcon::airport: return Symbol{QStringLiteral("wifi"), qcolor(Palette::accentText)};
    case SensorIcon::cpu: return Symbol{QStringLiteral("cpu"), qcolor(Palette::green)};
    case SensorIcon::gpu: return Symbol{QStringLiteral("memorychip"), qcolor(Palette::green)};
    case SensorIcon::power: return Symbol{QStringLiteral("bolt.fill"), warm()};
    case SensorIcon::disk: return Symbol{QStringLiteral("internaldrive"), qcolor(Palette::green)};
    }
    return std::nullopt;
}

int rowsHeight(int rows, int disks) {
    return rows * rowHeight + (disks > 0 ? disks * rowHeight + sectionHeaderHeight : 0) + cardBottomPad;
}

int preferredHeight(int rows, int disks) { return rowsHeight(rows, disks) + titleHeight + titleGap + columnHeaderHeight + 1; }

}  // namespace ventiq::SensorListStyle
