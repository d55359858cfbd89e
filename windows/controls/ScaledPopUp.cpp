#include "windows/controls/ScaledPopUp.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "settings/SettingsStyle.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ControlPaint.h"
#include "windows/controls/WFont.h"

namespace ventiq {

using namespace ControlPaint;

ScaledPopUp::ScaledPopUp(const QStringList& titles, int selected, double width, Action action, QWidget* parent)
    : ScaledControlBase(std::move(action), parent), titles_(titles), selected_(selected), fixedWidth_(width) {}

std::optional<QString> ScaledPopUp::titleOfSelectedItem() const {
    if (selected_ < 0 || selected_ >= titles_.size()) return std::nullopt;
    return titles_[selected_];
}

void ScaledPopUp::selectItem(int index) {
    if (index < 0 || index >= titles_.size()) return;
    selected_ = index;
    update();
}

void ScaledPopUp::pick(int index) {
    if (index < 0 || index >= titles_.size()) return;
    selected_ = index;
    update();
    fireAction();
}

double ScaledPopUp::titleBoxWidth() const {
    return std::max(0.0, width() - wz(12) - wz(12) - 2 * wz(3.5) - wz(8));
}

bool ScaledPopUp::titleFits() const {
    const auto title = titleOfSelectedItem();
    if (!title) return true;
    return std::ceil(QFontMetricsF(wfont(14)).horizontalAdvance(*title)) <= titleBoxWidth() + 0.5;
}

void ScaledPopUp::activate() {
    if (!isEnabled() || titles_.isEmpty() || menu_) return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(wfont(14));
    menu->setLayoutDirection(layoutDirection());
    for (int i = 0; i < titles_.size(); ++i) {
        QAction* item = menu->addAction(titles_[i]);
        item->setCheckable(true);
        item->setChecked(i == selected_);
        connect(item, &QAction::triggered, this, [this, i] { pick(i); });
    }
    connect(menu, &QMenu::aboutToHide, this, [this] { setPressed(false); });
    menu_ = menu;
    setPressed(true);
    // Below the control, on its leading edge (the right edge in right-to-left).
    QPoint at(0, static_cast<int>(std::lround(height() + wz(2))));
    if (rtl()) at.setX(width() - menu->sizeHint().width());
    menu->popup(mapToGlobal(at));
}

QSize ScaledPopUp::sizeHint() const {
    return {static_cast<int>(std::ceil(fixedWidth_)), static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

void ScaledPopUp::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Down || e->key() == Qt::Key_Up) {
        activate();
        return;
    }
    ScaledControlBase::keyPressEvent(e);
}

void ScaledPopUp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const QRectF bounds = rect();
    drawBody(p, bounds, wz(7), f);
    if (isPressed()) p.fillPath(rounded(bounds.adjusted(0.5, 0.5, -0.5, -0.5), wz(7)), white(0.08));
    strokeFocusRing(p, rounded(bounds.adjusted(-1, -1, 1, 1), wz(7) + 1));

    const double h = wz(3.5), g = wz(2.5), midY = height() / 2.0;
    const double x = rtl() ? wz(12) + wz(3.5) : width() - wz(12) - wz(3.5);
    QPainterPath chevrons;
    chevrons.moveTo(x - h, midY - g);
    chevrons.lineTo(x, midY - g - h);
    chevrons.lineTo(x + h, midY - g);
    chevrons.moveTo(x - h, midY + g);
    chevrons.lineTo(x, midY + g + h);
    chevrons.lineTo(x + h, midY + g);
    p.strokePath(chevrons, QPen(faded(qcolor(Palette::secondary), f), wz(1.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    const auto title = titleOfSelectedItem();
    if (!title) return;
    const double w = titleBoxWidth();
    const QRectF box = rtl() ? QRectF(width() - wz(12) - w, 0, w, height()) : QRectF(wz(12), 0, w, height());
    const QFont font = wfont(14);
    p.setFont(font);
    p.setPen(faded(qcolor(Palette::text), f));
    const QString shown = QFontMetricsF(font).elidedText(*title, Qt::ElideRight, w);
    p.drawText(box, Qt::AlignAbsolute | Qt::AlignVCenter | (rtl() ? Qt::AlignRight : Qt::AlignLeft) | Qt::TextSingleLine, shown);
}

}  // namespace ventiq
