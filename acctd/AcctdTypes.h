#pragma once

// The structures of the helper's answers (AcctdProtocol.h) as Qt D-Bus
// marshals them, for the helper and for its callers.

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QList>
#include <QMetaType>
#include <QtGlobal>

namespace trovik {

// (tuutt): one cgroup, link and direction.
struct AcctdCount {
    quint64 cgroupId = 0;
    quint32 ifindex = 0;
    quint32 direction = 0;
    quint64 bytes = 0;
    quint64 packets = 0;
};

// (utttt): one link, as the program and the kernel counted it.
struct AcctdLink {
    quint32 ifindex = 0;
    quint64 countedReceived = 0;
    quint64 countedSent = 0;
    quint64 linkReceived = 0;
    quint64 linkSent = 0;
};

inline QDBusArgument& operator<<(QDBusArgument& out, const AcctdCount& c) {
    out.beginStructure();
    out << c.cgroupId << c.ifindex << c.direction << c.bytes << c.packets;
    out.endStructure();
    return out;
}

inline const QDBusArgument& operator>>(const QDBusArgument& in, AcctdCount& c) {
    in.beginStructure();
    in >> c.cgroupId >> c.ifindex >> c.direction >> c.bytes >> c.packets;
    in.endStructure();
    return in;
}

inline QDBusArgument& operator<<(QDBusArgument& out, const AcctdLink& l) {
    out.beginStructure();
    out << l.ifindex << l.countedReceived << l.countedSent << l.linkReceived << l.linkSent;
    out.endStructure();
    return out;
}

inline const QDBusArgument& operator>>(const QDBusArgument& in, AcctdLink& l) {
    in.beginStructure();
    in >> l.ifindex >> l.countedReceived >> l.countedSent >> l.linkReceived >> l.linkSent;
    in.endStructure();
    return in;
}

// Registers both with Qt D-Bus; once per process, before the first call.
void RegisterAcctdTypes();

}  // namespace trovik

Q_DECLARE_METATYPE(trovik::AcctdCount)
Q_DECLARE_METATYPE(trovik::AcctdLink)

inline void trovik::RegisterAcctdTypes() {
    qDBusRegisterMetaType<AcctdCount>();
    qDBusRegisterMetaType<QList<AcctdCount>>();
    qDBusRegisterMetaType<AcctdLink>();
    qDBusRegisterMetaType<QList<AcctdLink>>();
}
