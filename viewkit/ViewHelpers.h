#pragma once
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <functional>

#include "viewkit/Palette.h"

class QLineEdit;

namespace ventiq {

// Small builders that give every view the same dark look. They are not
// scaled by themselves: sizes are the callers' or plain points.

// A non-wrapping label.
QLabel* makeLabel(const QString& text, double size = 13, QFont::Weight weight = QFont::Normal,
                  Rgba color = Palette::text, bool mono = false);
// A wrapping note in the secondary colour, wrapping at width.
QLabel* makeNoteLabel(const QString& text, double width, double size = 11);
// A flat push button, 28 high and at least max(title width + 32, 64) wide;
// primary buttons are filled with the accent colour.
QPushButton* makeActionButton(const QString& title, bool primary, std::function<void()> action = {});
// A one-point divider.
QWidget* makeHairline();

// A framed, editable text field, 28 high.
class FieldBox : public QWidget {
public:
    explicit FieldBox(const QString& text, double width = 64, QWidget* parent = nullptr);
    QLineEdit* field() const { return field_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* field_;
};

// The document of a scroll view, whose content starts at the top. Qt's
// widget coordinates already grow downwards, so it is a plain widget kept
// as its own type for the views that name it.
class FlippedView : public QWidget {
public:
    explicit FlippedView(QWidget* parent = nullptr) : QWidget(parent) {}
};

// Sets the interface language's direction on view and every widget below
// it, depth first. Widgets added later must be given it themselves.
void applyLayoutDirection(QWidget* view);
void applyLayoutDirection(QWidget* view, Qt::LayoutDirection direction);

}  // namespace ventiq
