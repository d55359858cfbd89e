#pragma once
#include <QString>

#include <functional>

#include "menubar/PanelHoverRow.h"

namespace ventiq {

class ElidingLabel;

// An action row ("Settings…", "Quit"), its title aligned with the preset titles.
class MenuActionView final : public PanelHoverRow {
public:
    MenuActionView(const QString& title, std::function<void()> onAction, QWidget* parent = nullptr);
    void activate() override;
    QString title() const override;
    ElidingLabel* titleLabel() const { return titleLabel_; }

protected:
    void layoutContent() override;

private:
    std::function<void()> onAction_;
    ElidingLabel* titleLabel_;
};

}  // namespace ventiq
