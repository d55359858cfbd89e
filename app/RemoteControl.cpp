#include "app/RemoteControl.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include <cmath>
#include <limits>

#include "app/AppSurfaces.h"
#include "engine/FanController.h"
#include "headless/HeadlessCommand.h"
#include "headless/StateLine.h"
#include "platform/MainLoop.h"

namespace ventiq {
namespace {

using Kind = HeadlessCommand::Kind;

double orNaN(const std::optional<double>& value) {
    return value ? *value : std::numeric_limits<double>::quiet_NaN();
}

// Property values as last announced against now. An unknown temperature is
// NaN both times, which must not count as a change on every update.
bool same(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType()) return false;
    if (a.metaType() == QMetaType::fromType<double>()) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    if (a.metaType() == QMetaType::fromType<RemoteFanList>()) return a.value<RemoteFanList>() == b.value<RemoteFanList>();
    return a == b;
}

HeadlessCommand command(Kind kind) {
    HeadlessCommand c;
    c.kind = kind;
    return c;
}

}  // namespace

RemoteControl::RemoteControl(FanController& engine, AppSurfaces* surfaces, MainLoop& loop,
                             NotificationCenter& notifications, QDBusConnection bus)
    : engine_(engine), surfaces_(surfaces), loop_(loop), bus_(std::move(bus)) {
    qDBusRegisterMetaType<RemoteFan>();
    qDBusRegisterMetaType<RemoteFanList>();
    announced_ = properties();
    dataObserver_ = notifications.addObserver(Notifications::dataUpdated, [this] { announceWork_.schedule(); });
    bus_.registerObject(RemoteInterface::path, this,
                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
}

RemoteControl::~RemoteControl() { bus_.unregisterObject(RemoteInterface::path); }

RemoteControl::NameClaim RemoteControl::claimName(QDBusConnection& bus) {
    QDBusConnectionInterface* names = bus.interface();
    if (!names) return NameClaim::failed;
    const auto reply = names->registerService(RemoteInterface::service, QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) return NameClaim::owned;
    const auto owned = names->isServiceRegistered(RemoteInterface::service);
    return owned.isValid() && owned.value() ? NameClaim::runningElsewhere : NameClaim::failed;
}

bool RemoteControl::askRunningToShowPanel(QDBusConnection& bus) {
    const QDBusMessage call = QDBusMessage::createMethodCall(RemoteInterface::service, RemoteInterface::path,
                                                             RemoteInterface::interface, "ShowPanel");
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

QString RemoteControl::preset() const { return HeadlessCommand::presetName(engine_.preset()); }
bool RemoteControl::controlOn() const { return engine_.isControlOn(); }
QString RemoteControl::controlState() const { return StateLine::kindName(engine_.controlState().kind()); }
QString RemoteControl::controlMessage() const { return QString::fromStdString(engine_.controlState().message()); }

RemoteFanList RemoteControl::fans() const {
    RemoteFanList out;
    for (const FanInfo& fan : engine_.fans())
        out.push_back({fan.index, fan.actualReady ? fan.actual : -1, fan.target, fan.minRPM, fan.maxRPM,
                       fan.forced.value_or(false)});
    return out;
}

double RemoteControl::cpuPeak() const { return orNaN(engine_.temps().cpuMax); }
double RemoteControl::cpuAverage() const { return orNaN(engine_.temps().cpuAvg); }
double RemoteControl::ssd() const { return orNaN(engine_.temps().ssd); }
double RemoteControl::battery() const { return orNaN(engine_.temps().battery); }
int RemoteControl::ladderTier() const { return engine_.ladderTier(); }
bool RemoteControl::protectionActive() const { return engine_.protectionActive(); }
bool RemoteControl::helperReady() const { return engine_.helperReady(); }

QVariantMap RemoteControl::properties() const {
    return {
        {"Preset", preset()},
        {"ControlOn", controlOn()},
        {"ControlState", controlState()},
        {"ControlMessage", controlMessage()},
        {"Fans", QVariant::fromValue(fans())},
        {"CpuPeak", cpuPeak()},
        {"CpuAverage", cpuAverage()},
        {"Ssd", ssd()},
        {"Battery", battery()},
        {"LadderTier", ladderTier()},
        {"ProtectionActive", protectionActive()},
        {"HelperReady", helperReady()},
    };
}

void RemoteControl::announce() {
    const QVariantMap now = properties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (!same(it.value(), announced_.value(it.key()))) changed.insert(it.key(), it.value());
    }
    announced_ = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(RemoteInterface::path, "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QString(RemoteInterface::interface) << changed << QStringList();
    bus_.send(signal);
}

void RemoteControl::refuse(const char* errorName, const std::string& message) {
    if (calledFromDBus()) sendErrorReply(errorName, QString::fromStdString(message));
}

void RemoteControl::run(const HeadlessCommand& c) {
    if (auto refusal = c.run(engine_)) {
        refuse(refusal->kind == HeadlessCommand::Refusal::Kind::noSuchFan ? RemoteInterface::noSuchFan
                                                                          : RemoteInterface::invalidArgument,
               refusal->message);
    }
}

void RemoteControl::SetPreset(const QString& name) {
    HeadlessCommand c = command(Kind::preset);
    c.preset = HeadlessCommand::presetNamed(name.toStdString());
    if (!c.preset)
        return refuse(RemoteInterface::invalidArgument,
                      "unknown preset \"" + name.toStdString() + "\"; expected auto, custom or full");
    run(c);
}

void RemoteControl::SetControlOn(bool on) { run(command(on ? Kind::controlOn : Kind::controlOff)); }

void RemoteControl::SetFanRpm(int fan, int rpm) {
    HeadlessCommand c = command(Kind::rpm);
    c.fan = fan;
    c.rpm = rpm;
    run(c);
}

void RemoteControl::SetFanMode(int fan, const QString& mode) {
    HeadlessCommand c = command(Kind::mode);
    c.fan = fan;
    c.mode = HeadlessCommand::modeNamed(mode.toStdString());
    if (!c.mode)
        return refuse(RemoteInterface::invalidArgument,
                      "unknown mode \"" + mode.toStdString() + "\"; expected auto, constant or sensor");
    run(c);
}

void RemoteControl::RetryApply() { run(command(Kind::retry)); }

void RemoteControl::ShowPanel() {
    if (surfaces_) surfaces_->showPanel();
}

void RemoteControl::ShowMainWindow() {
    if (surfaces_) surfaces_->showMainWindow();
}

void RemoteControl::ShowSettings() {
    if (surfaces_) surfaces_->showSettings();
}

void RemoteControl::Quit() { run(command(Kind::quit)); }

}  // namespace ventiq
