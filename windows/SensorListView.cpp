#include "windows/SensorListView.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "settings/AppLanguage.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/SensorListStyle.h"
#include "windows/SensorRowView.h"
#include "windows/SensorSectionHeaderView.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace Style = SensorListStyle;

namespace {

QString l10n(const char* key) { return QString::fromStdString(L10n::tr(key)); }

const char* const disksMarker = "__disks__";

// The rounded card behind the column header and the rows.
class CardView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { paintCard(this, 12); }
};

}  // namespace

SensorListView::SensorListView(QWidget* parent) : QWidget(parent) {
    titleLabel_ = makeLabel(l10n("sensorListTitle"), 12, QFont::DemiBold, Palette::secondary);
    titleLabel_->setParent(this);
    noteLabel_ = makeLabel(l10n("sensorListNote"), 10.5, QFont::Normal, Palette::secondary.withAlpha(0.75));
    noteLabel_->setParent(this);

    card_ = new CardView(this);
    colName_ = makeLabel(l10n("sensorColSensor"), 11, QFont::DemiBold, Palette::secondary);
    colName_->setParent(card_);
    colTemp_ = makeLabel(tempHeader(false), 11, QFont::DemiBold, Palette::secondary);
    colTemp_->setParent(card_);
    colTemp_->setAlignment(Qt::AlignVCenter | Qt::AlignTrailing);
    headerLine_ = makeHairline();
    headerLine_->setParent(card_);

    scroll_ = new QScrollArea(card_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    styleOverlayScroll(scroll_);
    doc_ = new FlippedView();
    stack_ = new QVBoxLayout(doc_);
    stack_->setContentsMargins(0, 0, 0, Style::cardBottomPad);
    stack_->setSpacing(0);
    stack_->addStretch(1);
    scroll_->setWidget(doc_);
    // A scroll area fills its document; the card shows through instead.
    doc_->setAutoFillBackground(false);

    emptyLabel_ = makeLabel(l10n("sensorListEmpty"), 12, QFont::Normal, Palette::secondary);
    emptyLabel_->setParent(card_);
    emptyLabel_->setAlignment(Qt::AlignCenter);
    emptyLabel_->hide();
}

QString SensorListView::tempHeader(bool fahrenheit) {
    return l10n("sensorColTemp") + QStringLiteral(" \u00B0") + (fahrenheit ? QLatin1Char('F') : QLatin1Char('C'));
}

void SensorListView::apply(const SensorListSnapshot& snapshot, bool fahrenheit) {
    snapshot_ = snapshot;
    fahrenheit_ = fahrenheit;
    colTemp_->setText(tempHeader(fahrenheit));
    emptyLabel_->setVisible(snapshot.isEmpty());

    std::vector<std::string> ids;
    ids.reserve(snapshot.rows.size() + snapshot.disks.size() + 1);
    for (const SensorRow& row : snapshot.rows) ids.push_back(row.id);
    if (!snapshot.disks.empty()) {
        ids.emplace_back(disksMarker);
        for (const SensorRow& disk : snapshot.disks) ids.push_back(disk.id);
    }

    if (ids == shownIDs_) {
        size_t i = 0;
        for (const SensorRow& row : snapshot.rows) rowViews_[i++]->update(row, fahrenheit);
        for (const SensorRow& disk : snapshot.disks) rowViews_[i++]->update(disk, fahrenheit);
        return;
    }
    shownIDs_ = std::move(ids);
    rebuild(shownIDs_);
}

void SensorListView::rebuild(const std::vector<std::string>&) {
    doc_->setUpdatesEnabled(false);
    while (stack_->count() > 1) {
        QLayoutItem* item = stack_->takeAt(0);
        delete item->widget();
        delete item;
    }
    rowViews_.clear();

    auto add = [this](QWidget* view) { stack_->insertWidget(stack_->count() - 1, view); };
    int i = 0;
    for (const SensorRow& row : snapshot_.rows) {
        auto* view = new SensorRowView(row, i++ % 2 == 1, fahrenheit_, doc_);
        add(view);
        rowViews_.push_back(view);
    }
    if (!snapshot_.disks.empty()) {
        add(new SensorSectionHeaderView(l10n("sensorDisksHeader"), doc_));
        int d = 0;
        for (const SensorRow& disk : snapshot_.disks) {
            auto* view = new SensorRowView(disk, d++ % 2 == 1, fahrenheit_, doc_);
            add(view);
            rowViews_.push_back(view);
        }
    }
    applyLayoutDirection(doc_);
    doc_->setUpdatesEnabled(true);
}

int SensorListView::preferredHeight() const {
    if (snapshot_.isEmpty()) return Style::preferredHeight(Style::typicalRows, Style::typicalDisks);
    return Style::preferredHeight(static_cast<int>(snapshot_.rows.size()), static_cast<int>(snapshot_.disks.size()));
}

int SensorListView::contentHeight() const { return doc_->minimumSizeHint().height(); }

QStringList SensorListView::headerTexts() const { return {colName_->text(), colTemp_->text()}; }

bool SensorListView::isShowingEmptyState() const { return !emptyLabel_->isHidden(); }

int SensorListView::sectionHeaderCount() const {
    int count = 0;
    for (int i = 0; i < stack_->count(); ++i)
        if (dynamic_cast<SensorSectionHeaderView*>(stack_->itemAt(i)->widget())) ++count;
    return count;
}

void SensorListView::resizeEvent(QResizeEvent*) {
    const Qt::LayoutDirection dir = layoutDirection();
    const int w = width();
    const int titleW = titleLabel_->sizeHint().width();
    titleLabel_->setGeometry(QStyle::visualRect(dir, rect(), QRect(0, 0, titleW, Style::titleHeight)));
    const int noteW = std::min(noteLabel_->sizeHint().width(), std::max(0, w - titleW - 8));
    const int noteH = noteLabel_->sizeHint().height();
    noteLabel_->setGeometry(
        QStyle::visualRect(dir, rect(), QRect(w - noteW, (Style::titleHeight - noteH) / 2, noteW, noteH)));
    const int cardTop = Style::titleHeight + Style::titleGap;
    card_->setGeometry(0, cardTop, w, std::max(0, height() - cardTop));
    layoutCard();
}

void SensorListView::layoutCard() {
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area = card_->rect();
    const int w = area.width();
    const int side = Style::sidePad;
    const int nameW = colName_->sizeHint().width();
    const int labelH = colName_->sizeHint().height();
    colName_->setGeometry(QStyle::visualRect(dir, area, QRect(side, 14 - labelH / 2, nameW, labelH)));
    const int tempX = side + nameW + 8;
    const int tempW = std::max(0, w - side - tempX);
    colTemp_->setGeometry(QStyle::visualRect(dir, area, QRect(tempX, 14 - labelH / 2, tempW, labelH)));
    headerLine_->setGeometry(0, Style::columnHeaderHeight, w, 1);
    const int listTop = Style::columnHeaderHeight + 1;
    scroll_->setGeometry(0, listTop, w, std::max(0, area.height() - listTop));
    const QSize emptySize = emptyLabel_->sizeHint();
    emptyLabel_->setGeometry((w - emptySize.width()) / 2, (area.height() - emptySize.height()) / 2, emptySize.width(),
                             emptySize.height());
}

}  // namespace ventiq
