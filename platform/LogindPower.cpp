#include "platform/LogindPower.h"

#include <QDBusMessage>
#include <utility>

namespace trovik {

LogindPower::LogindPower(BusChoice choice, int timeoutMs)
    : bus(std::move(choice)), callTimeoutMs(timeoutMs) {}

bool LogindPower::RequestShutdown() {
    BusConnection connection(bus);
    if (!connection.IsConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false;  // not interactive: no authorisation prompt behind the countdown
    return connection.Call(call, callTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace trovik
