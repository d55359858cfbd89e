#pragma once
#include <QObject>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <functional>

#include "windows/MainWindowContext.h"

namespace ventiq {

// Reads the sensor list on its own worker thread at a fixed interval and
// hands each snapshot to the GUI thread. The reader is built on the worker
// on the first firing and kept until the refresher is destroyed. A snapshot
// read before stop() is dropped, so nothing is applied once stopped.
class SensorRefresher : public QObject {
    Q_OBJECT
public:
    using Deliver = std::function<void(const SensorListSnapshot&)>;

    static constexpr std::chrono::milliseconds interval{1500};

    // deliver runs on the thread that owns this object.
    SensorRefresher(SensorListReaderFactory factory, Deliver deliver, QObject* parent = nullptr);
    // Waits for a read in progress.
    ~SensorRefresher() override;

    // The first read happens one interval after start().
    void start();
    void stop();
    bool isRunning() const { return running_; }

private:
    class Worker;

    void received(uint64_t generation, const SensorListSnapshot& snapshot);

    Deliver deliver_;
    QThread thread_;
    Worker* worker_;
    bool running_ = false;
    uint64_t generation_ = 0;
};

}  // namespace ventiq
