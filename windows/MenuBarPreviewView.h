#pragma once
#include <QImage>
#include <QWidget>

namespace ventiq {

// The menu-bar item as the settings window previews it, always on a dark
// menu bar: a template image is tinted in the text colour, a coloured one
// is shown as drawn.
class MenuBarPreviewView : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarPreviewView(QWidget* parent = nullptr);

    // image at devicePixelRatio, widthPoints wide in points.
    void show(const QImage& image, double widthPoints, bool isTemplate);
    const QImage& shownImage() const { return image_; }
    double imageWidth() const { return imageWidth_; }
    bool tinted() const { return tinted_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
    double imageWidth_ = 0;
    bool tinted_ = false;
};

}  // namespace ventiq
