#pragma once
#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <functional>

namespace ventiq::testing {

// One QApplication for the whole test program, on the offscreen platform
// unless the test run chose one.
inline QApplication& qtTestApp() {
    static int argc = 1;
    static char name[] = "ventiq-view-tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: Qt's own process-wide objects (input devices) must
    // not outlive it during exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs the event loop until done() or the time is up; the last done().
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace ventiq::testing
