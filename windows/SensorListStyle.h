#pragma once
#include <QColor>
#include <QString>
#include <optional>

#include "sensing/SensorIcon.h"

namespace ventiq::SensorListStyle {

inline constexpr int rowHeight = 22;
inline constexpr int columnHeaderHeight = 28;
inline constexpr int sectionHeaderHeight = 28;
inline constexpr int titleHeight = 24;
inline constexpr int titleGap = 10;
inline constexpr int cardBottomPad = 8;
inline constexpr int sidePad = 14;
inline constexpr int iconSize = 14;
inline constexpr int tempWidth = 44;
inline constexpr double warmAt = 75;
inline constexpr double hotAt = 90;
// The full list of the biggest machine, assumed before any data arrives so
// the window never opens as a strip.
inline constexpr int typicalRows = 31;
inline constexpr int typicalDisks = 1;

QColor warm();
QColor hot();
QColor zebra();

// The colour of a value; the thresholds apply to °C whatever unit is shown.
QColor tint(std::optional<double> celsius);
// Whole degrees without a unit; "—" when absent.
QString tempString(std::optional<double> celsius, bool fahrenheit);

struct Symbol {
    QString name;
    QColor color;
};
std::optional<Symbol> symbol(SensorIcon icon);

int rowsHeight(int rows, int disks);
// rowsHeight plus the title, its gap, the column header and its hairline.
int preferredHeight(int rows, int disks);

}  // namespace ventiq::SensorListStyle
