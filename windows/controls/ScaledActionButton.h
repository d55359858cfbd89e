#pragma once
#include <QString>

#include "windows/controls/ScaledControlBase.h"

namespace ventiq {

// A push button, plain or primary (filled with the accent colour).
class ScaledActionButton : public ScaledControlBase {
    Q_OBJECT
public:
    ScaledActionButton(const QString& title, bool primary, Action action = {}, QWidget* parent = nullptr);

    bool primary() const { return primary_; }
    const QString& label() const { return label_; }
    // Retitles the button; its width follows the new label.
    void setLabel(const QString& text);

    void activate() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QFont labelFont() const;

    bool primary_;
    QString label_;
};

}  // namespace ventiq
