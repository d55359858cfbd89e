#pragma once
#include <QObject>

#include <functional>

namespace ventiq {

// Calls onWake when logind announces the end of a sleep (PrepareForSleep
// with false on the system bus). Without a system bus there are no wake events.
class WakeObserver final : public QObject {
    Q_OBJECT
public:
    explicit WakeObserver(std::function<void()> onWake, QObject* parent = nullptr);
    bool listening() const { return listening_; }

private slots:
    void prepareForSleep(bool sleeping);

private:
    std::function<void()> onWake_;
    bool listening_ = false;
};

}  // namespace ventiq
