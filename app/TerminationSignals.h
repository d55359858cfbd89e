#pragma once
#include <QObject>

class QSocketNotifier;

namespace ventiq {

// Turns SIGINT and SIGTERM into an orderly quit of the Qt application, so
// that termination runs as for a quit from the interface and the engine
// hands the fans back (or keeps them). A second signal while quitting is
// ignored; SIGKILL remains the way to stop at once.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ventiq
