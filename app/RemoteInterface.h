#pragma once
// The names and the one structured type of the session-bus interface, shared
// by the application that serves it and by ventiqctl.
#include <QDBusArgument>
#include <QList>
#include <QMetaType>

namespace ventiq {

namespace RemoteInterface {
inline constexpr const char* service = "com.quillmoor.Ventiq";
inline constexpr const char* path = "/com/quillmoor/Ventiq";
inline constexpr const char* interface = "com.quillmoor.Ventiq1";
inline constexpr const char* invalidArgument = "com.quillmoor.Ventiq1.Error.InvalidArgument";
inline constexpr const char* noSuchFan = "com.quillmoor.Ventiq1.Error.NoSuchFan";
}  // namespace RemoteInterface

// One fan on the bus, signature (iiiiib).
struct RemoteFan {
    int index = 0;
    // -1 while the speed is not to be shown (a stop not yet confirmed).
    int actual = -1;
    int target = 0;
    int min = 0;
    int max = 0;
    bool forced = false;

    bool operator==(const RemoteFan&) const = default;
};
using RemoteFanList = QList<RemoteFan>;

inline QDBusArgument& operator<<(QDBusArgument& out, const RemoteFan& fan) {
    out.beginStructure();
    out << fan.index << fan.actual << fan.target << fan.min << fan.max << fan.forced;
    out.endStructure();
    return out;
}

inline const QDBusArgument& operator>>(const QDBusArgument& in, RemoteFan& fan) {
    in.beginStructure();
    in >> fan.index >> fan.actual >> fan.target >> fan.min >> fan.max >> fan.forced;
    in.endStructure();
    return in;
}

}  // namespace ventiq

Q_DECLARE_METATYPE(ventiq::RemoteFan)
