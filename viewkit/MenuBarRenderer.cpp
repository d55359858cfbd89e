#include "viewkit/MenuBarRenderer.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "settings/TempFormat.h"
#include "settings/VentiqPrefs.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/SymbolIcons.h"

namespace ventiq::MenuBarRenderer {
namespace {

constexpr double imageHeight = 22;
constexpr double minWidth = 24;
constexpr double textX = 24;
const QRectF iconRect(4, 3, 16, 16);
const QString enDash = QString::fromUtf8("\u2013");

// One piece of text in one font and colour.
struct Run {
    QString text;
    QFont font;
    QColor color;
};
using Line = std::vector<Run>;

double lineWidth(const Line& line) {
    double w = 0;
    for (const Run& r : line) w += QFontMetricsF(r.font).horizontalAdvance(r.text);
    return w;
}

double lineHeight(const Line& line) {
    double h = 0;
    for (const Run& r : line) h = std::max(h, QFontMetricsF(r.font).height());
    return h;
}

// Draws a line whose box has its bottom edge y points above the image's
// bottom edge, the way the item's layout is given.
void drawLine(QPainter& p, const Line& line, double x, double yFromBottom) {
    const double top = imageHeight - yFromBottom - lineHeight(line);
    for (const Run& r : line) {
        const QFontMetricsF m(r.font);
        p.setFont(r.font);
        p.setPen(r.color);
        p.drawText(QPointF(x, top + m.ascent()), r.text);
        x += m.horizontalAdvance(r.text);
    }
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

Line speedLine(const QString& letter, std::optional<int> value, double size, const QColor& base) {
    return {{letter + ' ', systemFont(size, QFont::Medium), withAlpha(base, 0.55)},
            {value ? QString::number(*value) : enDash, systemFont(size, QFont::DemiBold, true), base}};
}

Line oneLine(std::optional<int> left, std::optional<int> right, const QColor& base) {
    Line line = speedLine(QStringLiteral("L"), left, 10, base);
    line.push_back({QStringLiteral("  "), systemFont(10, QFont::Normal, true), base});
    for (Run& r : speedLine(QStringLiteral("R"), right, 10, base)) line.push_back(std::move(r));
    return line;
}

void drawTile(QPainter& p) {
    QLinearGradient gradient(iconRect.bottomLeft(), iconRect.topLeft());
    gradient.setColorAt(0, qcolor(Palette::gradStart));
    gradient.setColorAt(1, qcolor(Palette::gradEnd));
    QPainterPath tile;
    tile.addRoundedRect(iconRect, 3.7, 3.7);
    p.fillPath(tile, gradient);
    p.setPen(QPen(Qt::white, 2));
    // Five blades from the tile's centre, counter-clockwise from the x axis;
    // the image's y grows downwards here, so the sine is subtracted.
    const QPointF centre(12, imageHeight - 11);
    for (int i = 0; i < 5; ++i) {
        const double a = i * 72.0 * std::numbers::pi / 180.0;
        p.drawLine(centre, centre + QPointF(5.5 * std::cos(a), -5.5 * std::sin(a)));
    }
}

void drawIcon(QPainter& p, const Options& o, const Artwork& art, double dpr) {
    if (o.mono) {
        if (!art.menuBarIcon.isNull()) {
            p.drawImage(iconRect, art.menuBarIcon);
            return;
        }
        if (art.symbols) {
            const QImage symbol = SymbolIcons::image("fan.fill", 14, Qt::black, dpr);
            if (!symbol.isNull()) {
                const double side = symbol.width() / dpr;
                p.drawImage(QRectF(iconRect.center().x() - side / 2, iconRect.center().y() - side / 2, side, side),
                            symbol);
                return;
            }
        }
    }
    if (!art.blueTile.isNull()) {
        p.drawImage(iconRect, art.blueTile);
        return;
    }
    drawTile(p);
}

}  // namespace

Options options(const VentiqPrefs& prefs, std::optional<double> temp, bool darkMenuBar) {
    Options o;
    o.style = prefs.menuBarStyle();
    o.mono = prefs.menuBarMono();
    o.darkMenuBar = darkMenuBar;
    if (prefs.menuBarShowTemp())
        o.tempText = temp ? TempFormat::string(*temp, prefs.useFahrenheit()) : std::string("\u2014");
    return o;
}

Image render(std::optional<int> leftRPM, std::optional<int> rightRPM, const Options& o, double dpr,
             const Artwork& artwork) {
    const QColor base = o.mono ? QColor(Qt::black) : o.darkMenuBar ? qcolor(Palette::text) : QColor(29, 29, 31);

    std::vector<std::pair<Line, double>> lines;  // each with its y from the bottom
    double contentWidth = minWidth;
    double tempX = textX;
    double tempGrowth = 6;
    if (o.style == 0) {
        // Measured with the widest digits so that the item never changes
        // width as the speeds change.
        const double w = std::ceil(lineWidth(speedLine(QStringLiteral("L"), 8888, 9, base)));
        contentWidth = w + 30;
        tempX = w + 28;
        tempGrowth = 4;
        lines.push_back({speedLine(QStringLiteral("L"), leftRPM, 9, base), 11});
        lines.push_back({speedLine(QStringLiteral("R"), rightRPM, 9, base), 1});
    } else if (o.style == 1) {
        const double w = std::ceil(lineWidth(oneLine(8888, 8888, base)));
        contentWidth = w + 30;
        tempX = w + 28;
        tempGrowth = 4;
        Line line = oneLine(leftRPM, rightRPM, base);
        const double h = lineHeight(line);
        lines.push_back({std::move(line), (imageHeight - h) / 2});
    }
    if (o.tempText) {
        Line temp{{QString::fromStdString(*o.tempText), systemFont(11, QFont::DemiBold, true), base}};
        contentWidth += tempGrowth + std::ceil(lineWidth(temp));
        const double h = lineHeight(temp);
        lines.push_back({std::move(temp), (imageHeight - h) / 2});
    }

    Image out;
    out.width = std::max(contentWidth, minWidth);
    out.height = imageHeight;
    out.isTemplate = o.mono;
    out.image = QImage(static_cast<int>(std::ceil(out.width * dpr)), static_cast<int>(std::ceil(imageHeight * dpr)),
                       QImage::Format_ARGB32_Premultiplied);
    out.image.setDevicePixelRatio(dpr);
    out.image.fill(Qt::transparent);

    QPainter p(&out.image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawIcon(p, o, artwork, dpr);
    const bool hasTemp = o.tempText.has_value();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool isTemp = hasTemp && i + 1 == lines.size();
        drawLine(p, lines[i].first, isTemp ? tempX : textX, lines[i].second);
    }
    return out;
}

std::vector<QString> texts(std::optional<int> leftRPM, std::optional<int> rightRPM, const Options& o) {
    const auto joined = [](const Line& line) {
        QString t;
        for (const Run& r : line) t += r.text;
        return t;
    };
    std::vector<QString> out;
    if (o.style == 0) {
        out.push_back(joined(speedLine(QStringLiteral("L"), leftRPM, 9, Qt::black)));
        out.push_back(joined(speedLine(QStringLiteral("R"), rightRPM, 9, Qt::black)));
    } else if (o.style == 1) {
        out.push_back(joined(oneLine(leftRPM, rightRPM, Qt::black)));
    }
    if (o.tempText) out.push_back(QString::fromStdString(*o.tempText));
    return out;
}

QImage tinted(const QImage& image, const QColor& color) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), out.deviceIndependentSize()), color);
    return out;
}

}  // namespace ventiq::MenuBarRenderer
