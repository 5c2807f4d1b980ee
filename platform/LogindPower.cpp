#include "platform/LogindPower.h"

#include <QDBusMessage>
#include <algorithm>
#include <chrono>
#include <utility>

namespace trovik {

LogindPower::LogindPower(BusChoice choice, int timeoutMs)
    : bus(std::move(choice)), callTimeoutMs(timeoutMs) {}

bool LogindPower::RequestShutdown() {
    // The connect and the call share the one limit.
    const auto start = std::chrono::steady_clock::now();
    BusConnection connection(
        bus, std::min(BusConnection::kConnectLimit, std::chrono::milliseconds(callTimeoutMs)));
    if (!connection.IsConnected()) {
        return false;
    }
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const int left = callTimeoutMs - static_cast<int>(spent.count());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false;  // not interactive: no authorisation prompt behind the countdown
    return left > 0 && connection.Call(call, left).type() == QDBusMessage::ReplyMessage;
}

}  // namespace trovik
