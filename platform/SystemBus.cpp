#include "platform/SystemBus.h"

#include <QDBusError>
#include <QDBusVariant>
#include <atomic>

namespace trovik {
namespace {

// Each private connection needs a name of its own in this process.
QString NextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("trovik-bus-%1").arg(counter.fetch_add(1) + 1);
}

QDBusConnection Open(const BusChoice& bus, const QString& name) {
    if (bus.IsNone()) {
        return QDBusConnection(name);  // never connected: calls fail at once
    }
    if (bus.IsSystem()) {
        return QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    }
    return QDBusConnection::connectToBus(bus.Address(), name);
}

}  // namespace

BusConnection::BusConnection(const BusChoice& bus)
    : name(NextConnectionName()), connection(Open(bus, name)) {}

BusConnection::~BusConnection() {
    QDBusConnection::disconnectFromBus(name);
}

bool BusConnection::IsConnected() const {
    return connection.isConnected();
}

QDBusMessage BusConnection::Call(const QDBusMessage& call, int timeoutMs) {
    if (!connection.isConnected()) {
        return call.createErrorReply(QDBusError::Disconnected, QStringLiteral("no bus"));
    }
    // A timeout below 1 would mean QtDBus's default of 25 seconds.
    return connection.call(call, QDBus::Block, timeoutMs < 1 ? 1 : timeoutMs);
}

QVariant SingleReplyValue(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return {};
    }
    const QVariant value = reply.arguments().constFirst();
    if (value.userType() == qMetaTypeId<QDBusVariant>()) {
        return value.value<QDBusVariant>().variant();
    }
    return value;
}

}  // namespace trovik
