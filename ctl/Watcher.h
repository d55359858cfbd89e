#pragma once
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace ventiq::ctl {

// Follows PropertiesChanged and prints the whole state once per change.
class Watcher final : public QObject {
    Q_OBJECT
public:
    Watcher(QVariantMap initial, bool json);

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    QVariantMap state_;
    bool json_;
};

}  // namespace ventiq::ctl
