#pragma once
// The desktop's notification service, for the tests that watch what the
// application tells the desktop over a private session bus.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariantList>

#include <mutex>
#include <string>
#include <vector>

namespace ventiq::apptest {

// The desktop's notification service as far as the application uses it:
// Notify, answered with a fresh id, each call recorded.
class NotificationServer final : public QDBusVirtualObject {
public:
    struct Shown {
        std::string app;
        std::string summary;
        std::string body;
    };

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != "org.freedesktop.Notifications" || message.member() != "Notify") return false;
        const QVariantList a = message.arguments();
        if (a.size() != 8) return false;
        std::lock_guard lock(mutex_);
        shown_.push_back({a[0].toString().toStdString(), a[3].toString().toStdString(), a[4].toString().toStdString()});
        connection.send(message.createReply(QVariantList{uint(shown_.size())}));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::vector<Shown> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        shown_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
};

}  // namespace ventiq::apptest
