#include "platform/LogindPower.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <atomic>
#include <chrono>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::CallLog;
using testing::PrivateBus;
using testing::QtPath;
using testing::RunPumping;

// login1's manager object as far as PowerOff goes: it records every call
// and accepts, refuses or never answers.
class FakeLogin final : public QDBusVirtualObject {
public:
    enum class Mode { Accept, Refuse, Silent };
    Mode mode = Mode::Accept;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (!message.arguments().isEmpty()) {
            interactive = message.arguments().constFirst().toBool();
        }
        log.Add(message.path() + QLatin1Char(' ') + message.interface() + QLatin1Char('.') +
                message.member() + QLatin1Char('(') + message.signature() + QLatin1Char(')'));
        if (mode == Mode::Accept) {
            connection.send(message.createReply());
        } else if (mode == Mode::Refuse) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
                QStringLiteral("Interactive authentication required.")));
        }
        return true;
    }

    QStringList Calls() const { return log.Calls(); }
    bool Interactive() const { return interactive; }

private:
    CallLog log;
    std::atomic<bool> interactive{true};
};

class LogindPowerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start"; }
    void TearDown() override {
        if (!serviceConnection.isEmpty()) {
            QDBusConnection::disconnectFromBus(serviceConnection);
        }
    }

    void RegisterLogin() {
        QDBusConnection c = bus.Connect(serviceConnection);
        ASSERT_TRUE(c.isConnected());
        ASSERT_TRUE(c.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &login));
        ASSERT_TRUE(c.registerService(QStringLiteral("org.freedesktop.login1")));
    }

    bool Request(int timeoutMs = LogindPower::kDefaultCallTimeoutMs) {
        LogindPower power(BusChoice::At(bus.Address()), timeoutMs);
        return RunPumping([&power] { return power.RequestShutdown(); });
    }

    PrivateBus bus;
    FakeLogin login;
    QString serviceConnection;
};

TEST_F(LogindPowerTest, AcceptedPowerOffIsAskedOnceWithoutInteraction) {
    RegisterLogin();
    EXPECT_TRUE(Request());
    EXPECT_EQ(login.Calls(),
              QStringList{QStringLiteral(
                  "/org/freedesktop/login1 org.freedesktop.login1.Manager.PowerOff(b)")});
    EXPECT_FALSE(login.Interactive());
}

TEST_F(LogindPowerTest, RefusalMissingServiceAndSilenceAreFailures) {
    // Nobody owns the name yet: the bus answers at once.
    EXPECT_FALSE(Request());

    RegisterLogin();
    login.mode = FakeLogin::Mode::Refuse;
    EXPECT_FALSE(Request());

    login.mode = FakeLogin::Mode::Silent;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Request(200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(login.Calls().size(), 2);
}

TEST_F(LogindPowerTest, UnreachableOrNoBusIsAFailure) {
    const QString nowhere = QStringLiteral("unix:path=") + QtPath(bus.Dir().Path("no-such-socket"));
    EXPECT_FALSE(LogindPower(BusChoice::At(nowhere)).RequestShutdown());
    EXPECT_FALSE(LogindPower(BusChoice::None()).RequestShutdown());
}

// A bus that takes the connection and never answers, and a stopped daemon:
// the request fails within its 3 s, the connect included.
TEST_F(LogindPowerTest, StalledBusFailsWithinTheLimit) {
    const testing::SilentSocket silent(bus.Dir().Path("silent"));
    testing::PrivateBus stopped;
    ASSERT_TRUE(stopped.Freeze());
    for (const QString& address : {silent.Address(), stopped.Address()}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(LogindPower(BusChoice::At(address)).RequestShutdown())
            << address.toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3))
            << address.toStdString();
    }
}

}  // namespace
}  // namespace trovik
