#pragma once
#include <QLabel>
#include <QRectF>
#include <QString>

#include "viewkit/Rgba.h"

class QWidget;

namespace ventiq {

// A one-line label that shortens its text with an ellipsis at the end when
// its width is too small, and keeps the full text for its size hint.
class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString full_;
};

// Colours a label's text.
void setTextColor(QWidget* widget, const Rgba& color);

// Places child in its parent at a rectangle given from the leading edge, so
// that the same numbers lay a row out left-to-right and mirrored.
void placeFromLeading(QWidget* child, const QRectF& leadingRect);

}  // namespace ventiq
