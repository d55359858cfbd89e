#pragma once
#include <QColor>
#include <QString>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;
class QWidget;

namespace ventiq {

// The main window's card: Palette.cardBg, a rounded outline in Palette.line.
void paintCard(QWidget* widget, qreal radius);
// A scroll area without background or frame whose vertical scroller is thin
// and stays out of the way of the content.
void styleOverlayScroll(QScrollArea* scroll);
// A borderless button with a flat background and the given text style.
void styleFlatButton(QAbstractButton* button, const QColor& background, qreal radius, const QColor& textColor);

// Recolours a label's text without a style sheet, cheap enough for a refresh.
void setLabelColor(QLabel* label, const QColor& color);
void styleCheckBox(QCheckBox* check);
void styleComboBox(QComboBox* combo);

}  // namespace ventiq
