#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <atomic>

#include "platform/SystemBus.h"
#include "res/StringTable.h"

namespace trovik {
namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString NextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("trovik-notify-%1").arg(counter.fetch_add(1) + 1);
}

// The session bus (or the one at `address`), once it answered the start of
// the handshake within `limit`: a stalled bus costs the start that
// much once, and every notification after it nothing.
QDBusConnection Open(const QString& address, const QString& name, std::chrono::milliseconds limit) {
    const QString bus =
        address.isEmpty() ? qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS") : address;
    const QString answered =
        bus.isEmpty() ? QString() : AnsweringBusAddress(BusChoice::At(bus), limit);
    if (answered.isEmpty()) {
        return QDBusConnection(name);  // never connected: Notify does nothing
    }
    return QDBusConnection::connectToBus(answered, name);
}

}  // namespace

DesktopNotifier::DesktopNotifier(const QString& busAddress)
    : connectionName(NextConnectionName()), bus(Open(busAddress, connectionName, kConnectLimit)) {}

DesktopNotifier::~DesktopNotifier() {
    QDBusConnection::disconnectFromBus(connectionName);
}

void DesktopNotifier::Notify(NoticeKind kind, std::string_view summary, std::string_view body) {
    if (!bus.isConnected()) {
        return;
    }
    const auto slot = static_cast<std::size_t>(kind);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("trovik"));
    // 1 normal, 2 critical: the countdown is about to power the machine off.
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(static_cast<uchar>(kind == NoticeKind::Shutdown ? 2 : 1)));
    call << Utf8(LoadString(kAppTitle)) << static_cast<uint>(shownIds[slot])
         << QStringLiteral("trovik") << Utf8(summary) << Utf8(body) << QStringList{} << hints
         << static_cast<int>(-1);

    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, slot](QDBusPendingCallWatcher* finished) {
                         const QDBusPendingReply<uint> reply = *finished;
                         if (reply.isValid()) {
                             shownIds[slot] = reply.value();
                         }
                         finished->deleteLater();
                     });
}

}  // namespace trovik
