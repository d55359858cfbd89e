#include "menubar/StatusBarController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <iostream>

#include "engine/FanController.h"
#include "menubar/DropdownMenuPanel.h"
#include "settings/L10n.h"
#include "settings/TempFormat.h"
#include "settings/UIScale.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {

// The host of the panel: a frameless popup under the item, or the small
// ordinary window when there is no tray.
class StatusBarController::Popup final : public QWidget {
public:
    Popup(StatusBarController& owner, bool window)
        : QWidget(nullptr, window ? Qt::Window | Qt::MSWindowsFixedSizeDialogHint
                                  : Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
          owner_(owner) {
        if (!window) setAttribute(Qt::WA_TranslucentBackground);
        setWindowTitle(QString::fromStdString(L10n::tr("app.name")));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        QPalette p = palette();
        p.setColor(QPalette::Window, qcolor(PanelStyle::background));
        setPalette(p);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (!rect().contains(event->position().toPoint())) owner_.pressedOutside(event->globalPosition().toPoint());
        QWidget::mousePressEvent(event);
    }
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        owner_.popoverDidClose();
    }

private:
    StatusBarController& owner_;
};

StatusBarController::StatusBarController(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications,
                                         Callbacks callbacks)
    : StatusBarController(ctrl, loop, notifications, std::move(callbacks), Options{}) {}

StatusBarController::StatusBarController(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications,
                                         Callbacks callbacks, Options options)
    : ctrl_(ctrl),
      loop_(loop),
      notifications_(notifications),
      callbacks_(std::move(callbacks)),
      options_(std::move(options)),
      self_(std::make_shared<StatusBarController*>(this)) {
    popover_ = std::make_unique<Popup>(*this, false);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        createTrayItem();
    } else {
        trayWaitStart_ = loop_.clock().now();
        std::weak_ptr<StatusBarController*> weak = self_;
        trayPoll_ = loop_.repeating(seconds(options_.trayPollSeconds), [weak] {
            if (auto self = weak.lock()) (*self)->pollForTray();
        });
        if (options_.trayWaitSeconds <= 0) pollForTray();
    }
    refreshDisplay();
    setupPopover();
    dataObserver_ = notifications_.addObserver(Notifications::dataUpdated, [this] { dataUpdated(); });
}

StatusBarController::~StatusBarController() {
    trayPoll_.cancel();
    dataObserver_.reset();
    if (popover_) popover_->hide();
}

void StatusBarController::createTrayItem() {
    statusItem_ = std::make_unique<QSystemTrayIcon>();
    QObject::connect(statusItem_.get(), &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) itemActivated();
                     });
    refreshDisplay();
    statusItem_->show();
}

void StatusBarController::pollForTray() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        trayPoll_.cancel();
        createTrayItem();
        return;
    }
    if (loop_.clock().now() - trayWaitStart_ < seconds(options_.trayWaitSeconds)) return;
    trayPoll_.cancel();
    becomeWindow();
}

void StatusBarController::becomeWindow() {
    std::cerr << "Ventiq: no system tray; showing the panel in a window" << std::endl;
    windowFallback_ = true;
    popover_->hide();
    // The panel is the old host's child and goes with it.
    menuPanel_ = nullptr;
    popover_ = std::make_unique<Popup>(*this, true);
    setupPopover();
    showPopover();
}

void StatusBarController::itemActivated() {
    if (swallowNextActivation_) {
        swallowNextActivation_ = false;
        return;
    }
    showingFromActivation_ = true;
    togglePopover();
    showingFromActivation_ = false;
}

void StatusBarController::pressedOutside(const QPoint& globalPos) {
    // The press that closes the popup may be on the item itself, whose own
    // activation follows; that one is the toggle's close, not a new open.
    const QRect item = itemRect();
    swallowNextActivation_ = item.isValid() && item.contains(globalPos);
}

QRect StatusBarController::itemRect() const {
    if (options_.itemGeometry) return options_.itemGeometry();
    return statusItem_ ? statusItem_->geometry() : QRect();
}

bool StatusBarController::isShown() const { return popover_ && popover_->isVisible(); }

QWidget* StatusBarController::popover() const { return popover_.get(); }

void StatusBarController::togglePopover() {
    if (isShown() && !windowFallback_)
        closePopover();
    else
        showPopover();
}

void StatusBarController::showPanel() { showPopover(); }

std::optional<double> StatusBarController::screenHeight() const {
    const QRect item = itemRect();
    const QScreen* screen = item.isValid() ? QGuiApplication::screenAt(item.center()) : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry().height();
}

void StatusBarController::setupPopover() {
    // Dropping the old panel before building the new one also drops its
    // observers, so only the current panel follows the engine.
    delete menuPanel_;
    menuPanel_ = new DropdownMenuPanel(ctrl_, loop_, notifications_);
    ++panelBuilds_;
    std::weak_ptr<StatusBarController*> weak = self_;
    const auto closeThen = [weak](const std::function<void()>& action) {
        return [weak, action] {
            auto self = weak.lock();
            if (!self) return;
            if (!(*self)->windowFallback_) (*self)->closePopover();
            if (action) action();
        };
    };
    menuPanel_->onOpenMainWindow = closeThen(callbacks_.openMainWindow);
    menuPanel_->onOpenPreferences = closeThen(callbacks_.openPreferences);
    menuPanel_->onQuit = [quit = callbacks_.quit] {
        if (quit) quit();
    };
    popover_->layout()->addWidget(menuPanel_);
    popover_->setFixedSize(qRound(PanelStyle::cardWidth()), qRound(PanelStyle::expectedHeight(0)));
    applyPopoverSize();
}

void StatusBarController::applyPopoverSize() {
    if (!menuPanel_) return;
    const QSize wanted(qRound(PanelStyle::cardWidth()), menuPanel_->preferredHeight());
    if (popover_->size() != wanted) {
        popover_->setFixedSize(wanted);
        if (!windowFallback_) {
            // Rounded corners where the desktop composes transparency, and
            // the same shape cut out where it does not.
            const double r = PanelStyle::z(PanelStyle::base::cornerRadius);
            QPainterPath shape;
            shape.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(wanted)), r, r);
            popover_->setMask(QRegion(shape.toFillPolygon().toPolygon()));
        }
    }
    std::weak_ptr<StatusBarController*> weak = self_;
    loop_.post([weak] {
        if (auto self = weak.lock(); self && (*self)->menuPanel_) (*self)->menuPanel_->syncHover();
    });
}

void StatusBarController::showPopover() {
    const int before = UIScale::panelPercent();
    UIScale::refreshPanel(screenHeight());
    if (UIScale::panelPercent() != before) setupPopover();
    menuPanel_->resetHover();
    menuPanel_->updateContent();
    applyPopoverSize();

    const QRect item = itemRect();
    const QScreen* screen = item.isValid() ? QGuiApplication::screenAt(item.center()) : nullptr;
    if (!screen) screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    if (!windowFallback_ || !popover_->isVisible()) {
        const std::optional<QPoint> pointer =
            showingFromActivation_ ? std::optional<QPoint>(QCursor::pos()) : std::nullopt;
        popover_->move(popoverPosition(item, popover_->size(), available, pointer));
    }
    popover_->show();
    popover_->raise();
    popover_->activateWindow();
    std::weak_ptr<StatusBarController*> weak = self_;
    loop_.post([weak] {
        if (auto self = weak.lock(); self && (*self)->menuPanel_) (*self)->menuPanel_->syncHover();
    });
}

void StatusBarController::closePopover() {
    if (popover_) popover_->hide();
}

void StatusBarController::popoverDidClose() {
    if (menuPanel_) menuPanel_->resetHover();
}

void StatusBarController::rebuildPanel() {
    if (isShown() && !windowFallback_) closePopover();
    UIScale::refreshPanel(screenHeight());
    setupPopover();
    refreshDisplay();
}

void StatusBarController::dataUpdated() {
    refreshDisplay();
    if (isShown() && menuPanel_) {
        menuPanel_->updateContent();
        applyPopoverSize();
    }
}

void StatusBarController::refreshDisplay() {
    // Linux trays do not tint template images and are mostly dark, so the
    // item is drawn for a dark bar and a template is inked in the text colour.
    const bool dark = true;
    const VentiqPrefs& prefs = ctrl_.prefs();
    const std::optional<double> temp = ctrl_.temperature(prefs.menuBarTempSource());
    const auto options = MenuBarRenderer::options(prefs, temp, dark);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpr = screen ? std::max(1.0, screen->devicePixelRatio()) : 1.0;
    const auto left = ctrl_.currentLeftRPM(), right = ctrl_.currentRightRPM();
    auto rendered = MenuBarRenderer::render(left, right, options, dpr);
    QImage image = rendered.isTemplate ? MenuBarRenderer::tinted(rendered.image, qcolor(Palette::text))
                                       : std::move(rendered.image);

    const auto speed = [](std::optional<int> v) {
        return v ? QString::number(*v) + " rpm" : QString::fromUtf8("\u2013");
    };
    QString tip = QString::fromStdString(L10n::tr("app.name")) + "\nL " + speed(left) + " · R " + speed(right);
    if (temp) tip += "\n" + QString::fromStdString(TempFormat::string(*temp, prefs.useFahrenheit()));

    // Trays copy the icon over the bus or the X connection on every change,
    // so an unchanged image is not sent again.
    const bool imageChanged = image != image_;
    image_ = std::move(image);
    const bool tipChanged = tip != toolTip_;
    toolTip_ = tip;
    if (!statusItem_) return;
    if (imageChanged) statusItem_->setIcon(QIcon(QPixmap::fromImage(image_)));
    if (tipChanged) statusItem_->setToolTip(toolTip_);
}

QPoint StatusBarController::popoverPosition(const QRect& item, const QSize& size, const QRect& available,
                                            std::optional<QPoint> pointer) {
    QPoint at;
    if (item.isValid()) {
        const bool itemAtBottom = item.center().y() > available.center().y();
        at = QPoint(item.x() + item.width() / 2 - size.width() / 2, itemAtBottom ? item.top() - size.height() : item.bottom() + 1);
    } else if (pointer) {
        const bool pointerAtBottom = pointer->y() > available.center().y();
        at = QPoint(pointer->x() - size.width() / 2, pointerAtBottom ? pointer->y() - size.height() : pointer->y());
    } else {
        at = QPoint(available.right() + 1 - size.width(), available.top());
    }
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - size.height())));
    return at;
}

}  // namespace ventiq
