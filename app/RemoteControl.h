#pragma once
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>


#include "app/RemoteInterface.h"
#include "platform/CoalescedTask.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class AppSurfaces;
class FanController;
class MainLoop;
struct HeadlessCommand;

// The running application on the session bus: the engine's state as
// read-only properties, announced with PropertiesChanged once per update
// that changed something, and the user operations as methods. Every change
// goes through the engine as a click would; bad arguments are answered with
// an error and change nothing.
class RemoteControl final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quillmoor.Ventiq1")
    Q_PROPERTY(QString Preset READ preset)
    Q_PROPERTY(bool ControlOn READ controlOn)
    Q_PROPERTY(QString ControlState READ controlState)
    Q_PROPERTY(QString ControlMessage READ controlMessage)
    Q_PROPERTY(ventiq::RemoteFanList Fans READ fans)
    Q_PROPERTY(double CpuPeak READ cpuPeak)
    Q_PROPERTY(double CpuAverage READ cpuAverage)
    Q_PROPERTY(double Ssd READ ssd)
    Q_PROPERTY(double Battery READ battery)
    Q_PROPERTY(int LadderTier READ ladderTier)
    Q_PROPERTY(bool ProtectionActive READ protectionActive)
    Q_PROPERTY(bool HelperReady READ helperReady)

public:
    // surfaces may be null (nothing to show). Exports the object on the bus;
    // the caller owns the well-known name (claimName).
    RemoteControl(FanController& engine, AppSurfaces* surfaces, MainLoop& loop, NotificationCenter& notifications,
                  QDBusConnection bus);
    ~RemoteControl() override;

    enum class NameClaim { owned, runningElsewhere, failed };
    // Takes the well-known name unless another process of this session has it.
    static NameClaim claimName(QDBusConnection& bus);
    // Asks the instance that owns the name to show its panel; true when it answered.
    static bool askRunningToShowPanel(QDBusConnection& bus);

    QString preset() const;
    bool controlOn() const;
    QString controlState() const;
    QString controlMessage() const;
    RemoteFanList fans() const;
    double cpuPeak() const;
    double cpuAverage() const;
    double ssd() const;
    double battery() const;
    int ladderTier() const;
    bool protectionActive() const;
    bool helperReady() const;

public slots:
    void SetPreset(const QString& preset);
    void SetControlOn(bool on);
    void SetFanRpm(int fan, int rpm);
    void SetFanMode(int fan, const QString& mode);
    void RetryApply();
    void ShowPanel();
    void ShowMainWindow();
    void ShowSettings();
    void Quit();

private:
    QVariantMap properties() const;
    void announce();
    void refuse(const char* errorName, const std::string& message);
    void run(const HeadlessCommand& command);

    FanController& engine_;
    AppSurfaces* surfaces_;
    MainLoop& loop_;
    QDBusConnection bus_;
    QVariantMap announced_;
    // A tick, a deferred pass and a helper reply can land in one turn of the
    // loop; they become one announcement.
    CoalescedTask announceWork_{loop_, [this] { announce(); }};
    ObserverToken dataObserver_;
};

}  // namespace ventiq
