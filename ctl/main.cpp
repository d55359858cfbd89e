// ventiqctl: reads and changes the running application through its
// session-bus interface, for scripts and keyboard shortcuts.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusMetaType>

#include <iostream>
#include <string>
#include <vector>

#include "app/RemoteInterface.h"
#include "ctl/CtlRequest.h"
#include "ctl/CtlState.h"
#include "ctl/Watcher.h"

namespace {

using namespace ventiq;
using ctl::CtlRequest;

constexpr int refused = 1;
constexpr int usageError = 2;
constexpr int notRunning = 3;
constexpr int callTimeoutMs = 5000;

int failure(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    if (name == "org.freedesktop.DBus.Error.ServiceUnknown" || name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
        name == "org.freedesktop.DBus.Error.UnknownObject") {
        std::cerr << "ventiqctl: the application is not running in this session" << std::endl;
        return notRunning;
    }
    std::cerr << "ventiqctl: " << reply.errorMessage().toStdString() << std::endl;
    return refused;
}

QDBusMessage call(QDBusConnection& bus, const char* interface, const QString& method, const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(RemoteInterface::service, RemoteInterface::path, interface, method);
    message.setArguments(args);
    // A shortcut must not start anything: only a running instance answers.
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

QDBusMessage getAll(QDBusConnection& bus) {
    return call(bus, "org.freedesktop.DBus.Properties", "GetAll", {QString(RemoteInterface::interface)});
}

QVariantMap propertiesOf(const QDBusMessage& reply) {
    return qdbus_cast<QVariantMap>(reply.arguments().value(0).value<QDBusArgument>());
}

QVariantList argumentsOf(const CtlRequest& request) {
    QVariantList out;
    for (const auto& a : request.arguments) {
        if (auto i = std::get_if<int>(&a)) out << *i;
        if (auto b = std::get_if<bool>(&a)) out << *b;
        if (auto s = std::get_if<std::string>(&a)) out << QString::fromStdString(*s);
    }
    return out;
}

int watch(QCoreApplication& app, QDBusConnection& bus, bool json) {
    const QDBusMessage initial = getAll(bus);
    if (initial.type() != QDBusMessage::ReplyMessage) return failure(initial);
    const QVariantMap state = propertiesOf(initial);
    std::cout << (json ? ctl::CtlState::json(state) : ctl::CtlState::text(state)) << std::endl;

    ctl::Watcher watcher(state, json);
    bus.connect(RemoteInterface::service, RemoteInterface::path, "org.freedesktop.DBus.Properties",
                "PropertiesChanged", &watcher, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    QDBusServiceWatcher gone(RemoteInterface::service, bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &app, [&app] {
        std::cerr << "ventiqctl: the application has ended" << std::endl;
        app.exit(notRunning);
    });
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
        std::cout << CtlRequest::usage();
        return 0;
    }
    const auto parsed = CtlRequest::parse(words);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "ventiqctl: " << *error << '\n' << CtlRequest::usage();
        return usageError;
    }
    const CtlRequest& request = std::get<CtlRequest>(parsed);

    qDBusRegisterMetaType<RemoteFan>();
    qDBusRegisterMetaType<RemoteFanList>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "ventiqctl: no session bus, so no running application to reach" << std::endl;
        return notRunning;
    }

    switch (request.kind) {
    case CtlRequest::Kind::status: {
        const QDBusMessage reply = getAll(bus);
        if (reply.type() != QDBusMessage::ReplyMessage) return failure(reply);
        const QVariantMap state = propertiesOf(reply);
        std::cout << (request.json ? ctl::CtlState::json(state) : ctl::CtlState::text(state)) << std::endl;
        return 0;
    }
    case CtlRequest::Kind::watch: return watch(app, bus, request.json);
    case CtlRequest::Kind::call: break;
    }
    const QDBusMessage reply =
        call(bus, RemoteInterface::interface, QString::fromStdString(request.method), argumentsOf(request));
    return reply.type() == QDBusMessage::ReplyMessage ? 0 : failure(reply);
}
