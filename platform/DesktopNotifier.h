#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>

#include "core/Notifier.h"

namespace trovik {

// Desktop notifications through org.freedesktop.Notifications on the session
// bus. The connection is made once, when this is made; Notify only queues an
// asynchronous call and returns, so the tick never waits for the bus or the
// notification service. Without a bus or without a service nothing happens:
// the call's error answer is dropped. A notification of a kind replaces the
// previous one of that kind that the service has confirmed, so a rule that
// repeats itself keeps one bubble. Needs a QCoreApplication; the answers are
// taken in by its event loop.
class DesktopNotifier final : public QObject, public Notifier {
public:
    // An empty address means the session bus; tests give a private bus.
    explicit DesktopNotifier(const QString& busAddress = {});
    ~DesktopNotifier() override;
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    void Notify(NoticeKind kind, std::string_view summary, std::string_view body) override;

    bool Connected() const { return bus.isConnected(); }
    // The service's id of the last confirmed notification of a kind; 0: none.
    std::uint32_t ShownId(NoticeKind kind) const {
        return shownIds[static_cast<std::size_t>(kind)];
    }

    // How long an unanswered call is kept before it is given up.
    static constexpr int kCallTimeoutMs = 5000;
    // How long the start waits for the bus to answer before going without.
    static constexpr std::chrono::milliseconds kConnectLimit{200};

private:
    QString connectionName;
    QDBusConnection bus;
    std::array<std::uint32_t, kNoticeKinds> shownIds{};
};

}  // namespace trovik
