#include "windows/MenuBarPreviewView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "settings/SettingsStyle.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"

namespace ventiq {

MenuBarPreviewView::MenuBarPreviewView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void MenuBarPreviewView::show(const QImage& image, double widthPoints, bool isTemplate) {
    tinted_ = isTemplate;
    image_ = isTemplate ? MenuBarRenderer::tinted(image, qcolor(Palette::text)) : image;
    imageWidth_ = widthPoints;
    updateGeometry();
    update();
}

QSize MenuBarPreviewView::sizeHint() const {
    const double w = std::max(imageWidth_ + wz(16), wz(96));
    return {static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(wz(32)))};
}

void MenuBarPreviewView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(rect()), wz(6), wz(6));
    p.fillPath(body, qcolor(Palette::segmentBg));
    if (image_.isNull()) return;
    const double dpr = image_.devicePixelRatio() > 0 ? image_.devicePixelRatio() : 1.0;
    const QSizeF size = QSizeF(image_.size()) / dpr;
    // Centred: the view is the image plus its margins, or wider when the image is small.
    const double x = (width() - size.width()) / 2;
    p.drawImage(QRectF(x, (height() - size.height()) / 2, size.width(), size.height()), image_);
}

}  // namespace ventiq
