#pragma once
#include <QDBusConnection>

#include <memory>

namespace ventiq {

class AppSurfaces;
class DesktopNotifier;
class FanController;
class MainLoop;
class NotificationCenter;
class RemoteControl;

// The application's place on the session bus: its well-known name, which
// keeps a session to one running instance, the remote-control object and
// the desktop notifications. Without a session bus the application runs
// without them.
class RemoteSession {
public:
    RemoteSession();
    ~RemoteSession();
    RemoteSession(const RemoteSession&) = delete;
    RemoteSession& operator=(const RemoteSession&) = delete;

    // Takes the name before anything touches the fans. False when another
    // instance of this session has it; that one has then been asked to show
    // its panel and this one should end.
    bool claim();
    // Once the engine and the surfaces exist (surfaces may be null).
    void start(FanController& engine, AppSurfaces* surfaces, MainLoop& loop, NotificationCenter& notifications);
    // Leaves the bus before the engine and the surfaces go away; the name
    // goes with the connection at exit.
    void stop();

private:
    QDBusConnection bus_;
    bool ownsName_ = false;
    std::unique_ptr<RemoteControl> remote_;
    std::unique_ptr<DesktopNotifier> notifier_;
};

}  // namespace ventiq
