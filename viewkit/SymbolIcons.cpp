#include "viewkit/SymbolIcons.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>
#include <cmath>
#include <utility>

namespace ventiq::SymbolIcons {
namespace {

constexpr std::array<std::pair<std::string_view, const char*>, 12> files{{
    {"fan.fill", "fan"},
    {"gearshape", "gear"},
    {"chevron.right", "chevron-right"},
    {"chevron.left", "chevron-left"},
    {"cpu", "cpu"},
    {"memorychip", "memory"},
    {"bolt.fill", "lightning-fill"},
    {"internaldrive", "device-ssd"},
    {"wifi", "wifi"},
    {"menubar.rectangle", "menu-button-wide"},
    {"slider.horizontal.3", "sliders"},
    {"info.circle", "info-circle"},
}};

}  // namespace

QString resourcePath(std::string_view symbol) {
    for (const auto& [name, file] : files)
        if (name == symbol) return QStringLiteral(":/ventiq/icons/%1.svg").arg(QLatin1String(file));
    return {};
}

QImage image(std::string_view symbol, double size, const QColor& color, double dpr) {
    const QString path = resourcePath(symbol);
    if (path.isEmpty() || size <= 0) return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    const int pixels = static_cast<int>(std::ceil(size * dpr));
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    QSizeF drawn = renderer.defaultSize();
    drawn.scale(pixels, pixels, Qt::KeepAspectRatio);
    renderer.render(&p, QRectF((pixels - drawn.width()) / 2, (pixels - drawn.height()) / 2, drawn.width(),
                               drawn.height()));
    // The icons are drawn in one ink; keep their coverage, take the colour.
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    p.end();
    out.setDevicePixelRatio(dpr);
    return out;
}

QImage applicationIcon(double size, double dpr) {
    QSvgRenderer renderer(QStringLiteral(":/ventiq/desktop/com.quillmoor.ventiq.svg"));
    const int pixels = static_cast<int>(std::ceil(size * dpr));
    if (!renderer.isValid() || pixels <= 0) return {};
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    renderer.render(&p, QRectF(0, 0, pixels, pixels));
    p.end();
    out.setDevicePixelRatio(dpr);
    return out;
}

}  // namespace ventiq::SymbolIcons
