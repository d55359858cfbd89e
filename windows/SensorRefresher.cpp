#include "windows/SensorRefresher.h"

#include <QPointer>
#include <QTimer>

namespace ventiq {

class SensorRefresher::Worker : public QObject {
public:
    Worker(SensorListReaderFactory factory, SensorRefresher* owner) : factory_(std::move(factory)), owner_(owner) {
        timer_.setTimerType(Qt::CoarseTimer);
        timer_.setInterval(interval);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
    }

    // Both run on the worker thread.
    void begin(uint64_t generation) {
        generation_ = generation;
        timer_.start();
    }
    void end() { timer_.stop(); }

private:
    void fire() {
        if (!read_ && factory_) read_ = factory_();
        if (!read_) return;
        SensorListSnapshot snapshot = read_();
        const uint64_t generation = generation_;
        // Queued to the owner; dropped by Qt if the owner is gone by then.
        QMetaObject::invokeMethod(
            owner_, [owner = owner_, generation, snapshot = std::move(snapshot)] { owner->received(generation, snapshot); },
            Qt::QueuedConnection);
    }

    SensorListReaderFactory factory_;
    SensorRefresher* owner_;
    SensorListRead read_;
    QTimer timer_{this};
    uint64_t generation_ = 0;
};

SensorRefresher::SensorRefresher(SensorListReaderFactory factory, Deliver deliver, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)), worker_(new Worker(std::move(factory), this)) {
    thread_.setObjectName(QStringLiteral("com.quillmoor.ventiq.sensorlist"));
    worker_->moveToThread(&thread_);
    thread_.start(QThread::LowPriority);
}

SensorRefresher::~SensorRefresher() {
    running_ = false;
    // The worker's timer must be stopped and deleted on its own thread.
    Worker* worker = worker_;
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void SensorRefresher::start() {
    if (running_) return;
    running_ = true;
    const uint64_t generation = ++generation_;
    Worker* worker = worker_;
    QMetaObject::invokeMethod(worker, [worker, generation] { worker->begin(generation); }, Qt::QueuedConnection);
}

void SensorRefresher::stop() {
    if (!running_) return;
    running_ = false;
    ++generation_;
    Worker* worker = worker_;
    QMetaObject::invokeMethod(worker, [worker] { worker->end(); }, Qt::QueuedConnection);
}

void SensorRefresher::received(uint64_t generation, const SensorListSnapshot& snapshot) {
    if (!running_ || generation != generation_) return;
    if (deliver_) deliver_(snapshot);
}

}  // namespace ventiq
