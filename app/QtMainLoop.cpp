#include "app/QtMainLoop.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace ventiq {
namespace {

int toMilliseconds(Duration d) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 24LL * 3600 * 1000));
}

}  // namespace

QtMainLoop::QtMainLoop(const Clock& clock) : clock_(clock), context_(new QObject) {}

QtMainLoop::~QtMainLoop() { delete context_; }

void QtMainLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(context_, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

TimerHandle QtMainLoop::postAfter(Duration delay, std::function<void()> task) {
    auto cancelled = std::make_shared<bool>(false);
    auto* timer = new QTimer(context_);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, cancelled, task = std::move(task)] {
        timer->deleteLater();
        if (*cancelled) return;
        *cancelled = true;
        task();
    });
    timer->start(toMilliseconds(delay));
    return TimerHandle(cancelled);
}

TimerHandle QtMainLoop::repeating(Duration interval, std::function<void()> task) {
    auto cancelled = std::make_shared<bool>(false);
    auto* timer = new QTimer(context_);
    // Coarse timers let the system batch wake-ups, which is most of the idle
    // cost of a two-second tick.
    timer->setTimerType(Qt::CoarseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, cancelled, task = std::move(task)] {
        if (*cancelled) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        task();
    });
    // A zero interval would spin the loop.
    timer->start(std::max(1, toMilliseconds(interval)));
    return TimerHandle(cancelled);
}

bool QtMainLoop::isLoopThread() const { return QThread::currentThread() == context_->thread(); }

}  // namespace ventiq
