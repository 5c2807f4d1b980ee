#include "platform/DesktopNotifier.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <chrono>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::CallLog;
using testing::PrivateBus;
using testing::PumpUntil;
using testing::QtPath;

// The notification service as far as Notify goes: it records each call as
// one line and answers with the next id, or never answers.
class FakeNotifications final : public QDBusVirtualObject {
public:
    bool silent = false;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QVariantList a = message.arguments();
        QString line = message.member() + QLatin1Char('(') + message.signature() + QLatin1Char(')');
        if (a.size() == 8) {
            const QVariantMap hints = qdbus_cast<QVariantMap>(a[6]);
            line += QStringLiteral(
                        " app=%1 replaces=%2 icon=%3 summary=%4 body=%5 actions=%6 "
                        "urgency=%7 entry=%8 timeout=%9")
                        .arg(a[0].toString())
                        .arg(a[1].toUInt())
                        .arg(a[2].toString(), a[3].toString(), a[4].toString())
                        .arg(a[5].toStringList().size())
                        .arg(hints.value(QStringLiteral("urgency")).toUInt())
                        .arg(hints.value(QStringLiteral("desktop-entry")).toString())
                        .arg(a[7].toInt());
        }
        log.Add(line);
        if (!silent) {
            connection.send(message.createReply(QVariant::fromValue(++nextId)));
        }
        return true;
    }

    QStringList Calls() const { return log.Calls(); }

private:
    CallLog log;
    std::atomic<uint> nextId{6};
};

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start"; }
    void TearDown() override {
        if (!serviceConnection.isEmpty()) {
            QDBusConnection::disconnectFromBus(serviceConnection);
        }
    }

    void RegisterService() {
        QDBusConnection c = bus.Connect(serviceConnection);
        ASSERT_TRUE(c.isConnected());
        ASSERT_TRUE(
            c.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
        ASSERT_TRUE(c.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    bool CallsReach(int n) {
        return PumpUntil([&] { return service.Calls().size() >= n; }, std::chrono::seconds(5));
    }

    PrivateBus bus;
    FakeNotifications service;
    QString serviceConnection;
};

TEST_F(DesktopNotifierTest, NoticeGoesOutAndReplacesTheLastOfItsKind) {
    RegisterService();
    DesktopNotifier notifier(bus.Address());
    ASSERT_TRUE(notifier.Connected());

    notifier.Notify(NoticeKind::HangUp, "通信途絶 - 回線切断成功", "");
    ASSERT_TRUE(CallsReach(1));
    EXPECT_EQ(service.Calls().at(0),
              QStringLiteral("Notify(susssasa{sv}i) app=Vemaro replaces=0 icon=trovik "
                             "summary=通信途絶 - 回線切断成功 body= actions=0 urgency=1 "
                             "entry=trovik timeout=-1"));
    ASSERT_TRUE(PumpUntil([&] { return notifier.ShownId(NoticeKind::HangUp) == 7; },
                          std::chrono::seconds(5)));

    notifier.Notify(NoticeKind::HangUp, "通信途絶 - 回線切断失敗", "");
    notifier.Notify(NoticeKind::Shutdown, "無接続持続 - システム終了開始",
                    "29秒後にシステムを自動終了します。");
    ASSERT_TRUE(CallsReach(3));
    EXPECT_TRUE(service.Calls().at(1).contains(QStringLiteral(" replaces=7 ")))
        << service.Calls().at(1).toStdString();
    EXPECT_TRUE(service.Calls().at(2).contains(
        QStringLiteral(" replaces=0 icon=trovik summary=無接続持続 - システム終了開始 "
                       "body=29秒後にシステムを自動終了します。 actions=0 urgency=2 ")))
        << "another kind replaces nothing; the countdown is urgent: "
        << service.Calls().at(2).toStdString();
}

TEST_F(DesktopNotifierTest, SilentServiceNeverHoldsTheCaller) {
    RegisterService();
    service.silent = true;
    DesktopNotifier notifier(bus.Address());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        notifier.Notify(NoticeKind::Allowance, "データ量上限到達", "1 MB / 1 MB (100 %)");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    ASSERT_TRUE(CallsReach(20));
    EXPECT_EQ(notifier.ShownId(NoticeKind::Allowance), 0u);
}

TEST_F(DesktopNotifierTest, NoServiceOrNoBusIsQuietlyNothing) {
    {
        DesktopNotifier notifier(bus.Address());  // nobody owns the name
        ASSERT_TRUE(notifier.Connected());
        notifier.Notify(NoticeKind::RecordFile, "累計情報ファイルに書き込めません。", "");
        EXPECT_FALSE(PumpUntil([&] { return notifier.ShownId(NoticeKind::RecordFile) != 0; },
                               std::chrono::milliseconds(300)));
    }
    const QString nowhere = QStringLiteral("unix:path=") + QtPath(bus.Dir().Path("no-such-socket"));
    DesktopNotifier unreachable(nowhere);
    EXPECT_FALSE(unreachable.Connected());
    const auto start = std::chrono::steady_clock::now();
    unreachable.Notify(NoticeKind::HangUp, "通信途絶 - 回線切断成功", "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

// A bus that takes the connection and never answers, and a stopped daemon:
// the notifier goes without within 200 ms, and every notice costs nothing.
TEST_F(DesktopNotifierTest, StalledBusCostsTheStartAtMostItsLimit) {
    const testing::SilentSocket silent(bus.Dir().Path("silent"));
    testing::PrivateBus stopped;
    ASSERT_TRUE(stopped.Freeze());
    for (const QString& address : {silent.Address(), stopped.Address()}) {
        const auto start = std::chrono::steady_clock::now();
        DesktopNotifier notifier(address);
        notifier.Notify(NoticeKind::HangUp, "通信途絶 - 回線切断成功", "");
        EXPECT_FALSE(notifier.Connected()) << address.toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300))
            << address.toStdString();
    }
}

}  // namespace
}  // namespace trovik
