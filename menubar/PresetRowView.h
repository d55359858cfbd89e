#pragma once
#include <QString>

#include <functional>

#include "menubar/PanelHoverRow.h"

class QLabel;

namespace ventiq {

class ElidingLabel;

// One preset of the panel: a check column, the title, a subtitle and, for
// the preset that opens the main window, a chevron.
class PresetRowView final : public PanelHoverRow {
public:
    PresetRowView(const QString& title, bool showsChevron, std::function<void()> onClick, QWidget* parent = nullptr);

    bool isChecked() const { return checked_; }
    void setChecked(bool checked);
    void setSubtitle(const QString& subtitle);
    QString subtitle() const;
    bool showsChevron() const { return chevron_ != nullptr; }
    void activate() override;
    QString title() const override;
    QLabel* checkLabel() const { return checkLabel_; }
    ElidingLabel* titleLabel() const { return titleLabel_; }
    ElidingLabel* subLabel() const { return subLabel_; }
    QLabel* chevron() const { return chevron_; }

protected:
    void layoutContent() override;
    void changeEvent(QEvent* event) override;

private:
    void loadChevron();

    std::function<void()> onClick_;
    bool checked_ = false;
    QLabel* checkLabel_;
    ElidingLabel* titleLabel_;
    ElidingLabel* subLabel_;
    QLabel* chevron_ = nullptr;
};

}  // namespace ventiq
