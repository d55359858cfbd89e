#pragma once
// What the programs on a session bus tell assistive technology, read the way
// a screen reader does: over the accessibility bus (AT-SPI). A program's
// popups are not among its windows there; they are found from the objects
// announced as shown while this reader listens.
#include <QDBusConnection>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QDBusMessage;

namespace ventiq::apptest {

class AccessibleTree : public QObject {
    Q_OBJECT
public:
    struct Node {
        QString service, path;
        QString role, name;
        // On the screen; absent for objects without a position.
        std::optional<QRect> extents;
        // On the screen now: shown and not hidden by an ancestor.
        bool showing = false;
        std::vector<Node> children;

        // Depth first, this node included.
        const Node* find(const std::function<bool(const Node&)>& pred) const;
        void forEach(const std::function<void(const Node&)>& visit) const;
        // One line per node, indented by depth: role, name and extents.
        std::string dump(int depth = 0) const;
    };

    // Asks the session bus for the accessibility bus (which starts it) and
    // listens for objects being shown. ready() is false when that failed.
    explicit AccessibleTree(const std::string& sessionBusAddress);
    ~AccessibleTree() override;

    bool ready() const { return ready_; }
    // Every window of every program, popups shown since this reader was made
    // included, with their whole trees as they are now.
    std::vector<Node> windows();

private Q_SLOTS:
    void stateChanged(const QDBusMessage& message);

private:
    Node read(const QString& service, const QString& path, int depth);
    // The window an object belongs to: its last ancestor below the program.
    std::optional<std::pair<QString, QString>> windowOf(const QString& service, const QString& path);

    QString sessionName_, busName_;
    bool ready_ = false;
    // Objects announced as shown, not yet traced to their window.
    std::vector<std::pair<QString, QString>> shown_;
    std::vector<std::pair<QString, QString>> shownWindows_;
};

}  // namespace ventiq::apptest
