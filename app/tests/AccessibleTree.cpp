#include "AccessibleTree.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace ventiq::apptest {
namespace {

const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString nullPath = QStringLiteral("/org/a11y/atspi/null");
constexpr int callTimeoutMs = 3000;
// Deeper than any window of the application; a guard against cycles.
constexpr int maxDepth = 24;
constexpr int showingBit = 25;

QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

std::optional<QVariant> accessibleProperty(QDBusConnection& bus, const QString& service, const QString& path,
                                 const QString& name) {
    const QDBusMessage reply = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {accessible, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    return reply.arguments().front().value<QDBusVariant>().variant();
}

// An object reference, (so) on the bus.
std::pair<QString, QString> reference(const QDBusArgument& arg) {
    QString service;
    QDBusObjectPath path;
    arg.beginStructure();
    arg >> service >> path;
    arg.endStructure();
    return {service, path.path()};
}

}  // namespace

const AccessibleTree::Node* AccessibleTree::Node::find(const std::function<bool(const Node&)>& pred) const {
    if (pred(*this)) return this;
    for (const Node& child : children)
        if (const Node* found = child.find(pred)) return found;
    return nullptr;
}

void AccessibleTree::Node::forEach(const std::function<void(const Node&)>& visit) const {
    visit(*this);
    for (const Node& child : children) child.forEach(visit);
}

std::string AccessibleTree::Node::dump(int depth) const {
    std::string out = std::string(size_t(depth) * 2, ' ') + role.toStdString() + " '" + name.toStdString() + "'";
    if (extents)
        out += " " + std::to_string(extents->x()) + "," + std::to_string(extents->y()) + " " +
               std::to_string(extents->width()) + "x" + std::to_string(extents->height());
    if (!showing) out += " hidden";
    out += "\n";
    for (const Node& child : children) out += child.dump(depth + 1);
    return out;
}

AccessibleTree::AccessibleTree(const std::string& sessionBusAddress)
    : sessionName_(QStringLiteral("atspi-session-%1").arg(quintptr(this))),
      busName_(QStringLiteral("atspi-bus-%1").arg(quintptr(this))) {
    QDBusConnection session = QDBusConnection::connectToBus(QString::fromStdString(sessionBusAddress), sessionName_);
    const QDBusMessage reply = call(session, QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                    QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    QDBusConnection bus = QDBusConnection::connectToBus(reply.arguments().front().toString(), busName_);
    if (!bus.isConnected()) return;
    // Programs only announce what some listener asked the registry for.
    const QDBusMessage registered =
        call(bus, QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
             QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"),
             {QStringLiteral("object:state-changed:showing"), QStringList(), QString()});
    ready_ = registered.type() == QDBusMessage::ReplyMessage &&
             bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                         QStringLiteral("StateChanged"), this, SLOT(stateChanged(QDBusMessage)));
}

AccessibleTree::~AccessibleTree() {
    QDBusConnection::disconnectFromBus(busName_);
    QDBusConnection::disconnectFromBus(sessionName_);
}

void AccessibleTree::stateChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || args[0].toString() != QStringLiteral("showing") || args[1].toInt() != 1) return;
    const std::pair<QString, QString> object{message.service(), message.path()};
    if (std::find(shown_.begin(), shown_.end(), object) == shown_.end()) shown_.push_back(object);
}

std::optional<std::pair<QString, QString>> AccessibleTree::windowOf(const QString& service, const QString& path) {
    QDBusConnection bus(busName_);
    std::pair<QString, QString> current{service, path};
    for (int depth = 0; depth < maxDepth; ++depth) {
        const auto parent = accessibleProperty(bus, current.first, current.second, QStringLiteral("Parent"));
        if (!parent) return std::nullopt;
        const auto up = reference(parent->value<QDBusArgument>());
        if (up.second == rootPath) return current;
        if (up.second == nullPath || up.second.isEmpty()) return std::nullopt;
        current = up;
    }
    return std::nullopt;
}

AccessibleTree::Node AccessibleTree::read(const QString& service, const QString& path, int depth) {
    QDBusConnection bus(busName_);
    Node node{service, path, {}, {}, {}, false, {}};
    node.name = accessibleProperty(bus, service, path, QStringLiteral("Name")).value_or(QVariant()).toString();
    const QDBusMessage role = call(bus, service, path, accessible, QStringLiteral("GetRoleName"));
    if (role.type() == QDBusMessage::ReplyMessage && !role.arguments().isEmpty())
        node.role = role.arguments().front().toString();
    // Two words of state bits.
    const QDBusMessage state = call(bus, service, path, accessible, QStringLiteral("GetState"));
    if (state.type() == QDBusMessage::ReplyMessage && !state.arguments().isEmpty()) {
        const QDBusArgument arg = state.arguments().front().value<QDBusArgument>();
        QList<uint> words;
        arg >> words;
        node.showing = !words.isEmpty() && (words.front() & (1u << showingBit));
    }
    // Screen coordinates.
    const QDBusMessage extents =
        call(bus, service, path, QStringLiteral("org.a11y.atspi.Component"), QStringLiteral("GetExtents"), {0u});
    if (extents.type() == QDBusMessage::ReplyMessage && !extents.arguments().isEmpty()) {
        const QDBusArgument arg = extents.arguments().front().value<QDBusArgument>();
        int x = 0, y = 0, w = 0, h = 0;
        arg.beginStructure();
        arg >> x >> y >> w >> h;
        arg.endStructure();
        node.extents = QRect(x, y, w, h);
    }
    if (depth >= maxDepth) return node;
    const QDBusMessage children = call(bus, service, path, accessible, QStringLiteral("GetChildren"));
    if (children.type() != QDBusMessage::ReplyMessage || children.arguments().isEmpty()) return node;
    const QDBusArgument list = children.arguments().front().value<QDBusArgument>();
    std::vector<std::pair<QString, QString>> refs;
    list.beginArray();
    while (!list.atEnd()) refs.push_back(reference(list));
    list.endArray();
    for (const auto& [childService, childPath] : refs) node.children.push_back(read(childService, childPath, depth + 1));
    return node;
}

std::vector<AccessibleTree::Node> AccessibleTree::windows() {
    // Announcements wait in the event queue of this thread.
    QCoreApplication::processEvents();
    std::vector<Node> result;
    if (!ready_) return result;
    QDBusConnection bus(busName_);
    std::vector<std::pair<QString, QString>> tops;
    const auto addTop = [&tops](const std::pair<QString, QString>& top) {
        if (std::find(tops.begin(), tops.end(), top) == tops.end()) tops.push_back(top);
    };
    const QDBusMessage apps = call(bus, QStringLiteral("org.a11y.atspi.Registry"), rootPath, accessible,
                                   QStringLiteral("GetChildren"));
    if (apps.type() == QDBusMessage::ReplyMessage && !apps.arguments().isEmpty()) {
        const QDBusArgument list = apps.arguments().front().value<QDBusArgument>();
        std::vector<std::pair<QString, QString>> programs;
        list.beginArray();
        while (!list.atEnd()) programs.push_back(reference(list));
        list.endArray();
        for (const auto& [service, path] : programs) {
            const QDBusMessage windows = call(bus, service, path, accessible, QStringLiteral("GetChildren"));
            if (windows.type() != QDBusMessage::ReplyMessage || windows.arguments().isEmpty()) continue;
            const QDBusArgument arg = windows.arguments().front().value<QDBusArgument>();
            arg.beginArray();
            while (!arg.atEnd()) addTop(reference(arg));
            arg.endArray();
        }
    }
    for (const auto& [service, path] : shown_)
        if (const auto top = windowOf(service, path);
            top && std::find(shownWindows_.begin(), shownWindows_.end(), *top) == shownWindows_.end())
            shownWindows_.push_back(*top);
    shown_.clear();
    for (const auto& top : shownWindows_) addTop(top);
    for (const auto& [service, path] : tops) result.push_back(read(service, path, 0));
    return result;
}

}  // namespace ventiq::apptest
