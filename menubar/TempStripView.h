#pragma once
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace ventiq {

class ElidingLabel;

// One temperature of the strip: the value over its caption.
class TempTileView final : public QWidget {
public:
    TempTileView(const QString& caption, const QString& tooltip, QWidget* parent = nullptr);
    // Absent: "—" in the secondary colour.
    void update(std::optional<double> celsius, bool fahrenheit);
    ElidingLabel* captionLabel() const { return captionLabel_; }
    ElidingLabel* valueLabel() const { return valueLabel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ElidingLabel* captionLabel_;
    ElidingLabel* valueLabel_;
};

// CPU peak, CPU average, SSD and battery side by side, equal widths.
class TempStripView final : public QWidget {
public:
    explicit TempStripView(QWidget* parent = nullptr);
    // Tile i shows value i; a tile beyond the values shows "—".
    void update(const std::vector<std::optional<double>>& values, bool fahrenheit);
    const std::vector<TempTileView*>& tiles() const { return tiles_; }

private:
    std::vector<TempTileView*> tiles_;
};

}  // namespace ventiq
