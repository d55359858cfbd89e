#include "windows/MainWindowController.h"

#include <QApplication>
#include <QEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "settings/L10n.h"
#include "settings/UIScale.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/MainContentView.h"

namespace ventiq {

namespace {

MainWindowContext& appContext() {
    static MainWindowContext context;
    return context;
}

MainWindowController*& sharedController() {
    static MainWindowController* controller = nullptr;
    return controller;
}

constexpr int refitMs = 220;

}  // namespace

void MainWindowController::setContext(const MainWindowContext& context) { appContext() = context; }

MainWindowController* MainWindowController::shared() { return sharedController(); }

void MainWindowController::show() {
    MainWindowController*& shared = sharedController();
    if (!shared) {
        if (!appContext().engine) return;
        shared = new MainWindowController(appContext());
        // The sensor worker must end before the application object does.
        static bool endsWithApplication = false;
        if (!endsWithApplication && QCoreApplication::instance()) {
            endsWithApplication = true;
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                             QCoreApplication::instance(), [] { delete sharedController(); });
        }
    }
    QWidget* window = shared->window();
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    shared->watchWindowHandle();
    // A closed window skipped the engine's refreshes.
    shared->content()->updateUI();
    shared->content()->startLive();
}

void MainWindowController::rebuildIfOpen() {
    MainWindowController*& shared = sharedController();
    if (!shared) return;
    const bool wasVisible = shared->window()->isVisible();
    shared->window()->hide();
    delete shared;
    shared = nullptr;
    if (wasVisible) show();
}

double MainWindowController::maxContentHeight(std::optional<double> screenVisibleHeight) {
    return std::max(UIScale::availableHeight(screenVisibleHeight), double(minWindowHeight));
}

double MainWindowController::fittedHeight(double desired, std::optional<double> screenVisibleHeight) {
    return std::min(maxContentHeight(screenVisibleHeight), std::max(desired, double(minWindowHeight)));
}

MainWindowController::MainWindowController(const MainWindowContext& context)
    : context_(context), window_(std::make_unique<QWidget>()) {
    content_ = new MainContentView(context_, window_.get());
    const int h = int(std::lround(fittedHeight(content_->desiredHeight(), screenHeight())));

    window_->setWindowTitle(QString::fromStdString(L10n::tr("app.name")));
    window_->setMinimumSize(minWindowWidth, minWindowHeight);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, qcolor(Palette::windowBg));
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_);
    window_->resize(defaultWindowWidth, h);
    content_->resize(defaultWindowWidth, h);
    content_->relayout();
    content_->onLayoutChanged = [this] { refit(true, false); };
    lastAutoHeight_ = h;

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window_->move(available.center().x() - defaultWindowWidth / 2,
                      std::max(available.top(), available.center().y() - h / 2));
    }
    window_->installEventFilter(this);
}

MainWindowController::~MainWindowController() {
    if (animation_) animation_->stop();
    if (content_) content_->stopLive();
    if (window_) window_->removeEventFilter(this);
    if (sharedController() == this) sharedController() = nullptr;
}

std::optional<double> MainWindowController::screenHeight() const {
    if (context_.screenVisibleHeight) return context_.screenVisibleHeight();
    QScreen* screen = window_ && window_->windowHandle() ? window_->windowHandle()->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry().height();
}

bool MainWindowController::isAnimating() const {
    return animation_ && animation_->state() == QAbstractAnimation::Running;
}

void MainWindowController::refit(bool animated, bool force) {
    if (!window_) return;
    const double f = std::round(fittedHeight(content_->desiredHeight(), screenHeight()));
    QRect current = window_->geometry();
    if (isAnimating()) {
        current = animation_->endValue().toRect();
        animation_->stop();
    }
    const double c = current.height();
    if (!force && std::abs(c - lastAutoHeight_) >= 2) return;

    // The top edge stays where it is; the window stays on its screen.
    QRect target(current.x(), current.y(), current.width(), int(f));
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        if (target.bottom() > available.bottom()) target.moveBottom(available.bottom());
        if (target.top() < available.top()) target.moveTop(available.top());
    }
    if (std::abs(f - c) > 0.5) {
        if (animated && window_->isVisible()) {
            auto* animation = new QPropertyAnimation(window_.get(), "geometry", this);
            animation->setDuration(refitMs);
            animation->setEasingCurve(QEasingCurve::InOutQuad);
            animation->setStartValue(current);
            animation->setEndValue(target);
            animation_ = animation;
            animation->start(QAbstractAnimation::DeleteWhenStopped);
        } else {
            window_->setGeometry(target);
        }
    }
    lastAutoHeight_ = f;
}

void MainWindowController::watchWindowHandle() {
    if (watchingHandle_) return;
    if (QWindow* handle = window_->windowHandle()) {
        handle->installEventFilter(this);
        watchingHandle_ = true;
    }
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.get()) {
        switch (event->type()) {
        case QEvent::Close:
        case QEvent::Hide:
            content_->stopLive();
            break;
        case QEvent::WindowStateChange:
            if (window_->isMinimized()) content_->stopLive();
            else if (window_->isVisible()) content_->startLive();
            break;
        default:
            break;
        }
    } else if (window_->windowHandle() && watched == window_->windowHandle() && event->type() == QEvent::Expose) {
        // Fully covered or off-screen windows are not exposed; the list only
        // runs while someone can see it.
        if (window_->windowHandle()->isExposed() && !window_->isMinimized()) content_->startLive();
        else content_->stopLive();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ventiq
