#include "platform/SleepWatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using namespace std::chrono_literals;
using testing::CallLog;
using testing::PrivateBus;
using testing::PumpUntil;
using testing::QtPath;
using testing::SilentSocket;

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");

// login1's manager object as far as Inhibit goes: each call is logged with
// its arguments and answered with the write end of a new pipe. The test
// keeps the read ends, which see the end of the pipe once every copy of a
// lock was closed.
class FakeLogin final : public QDBusVirtualObject {
public:
    ~FakeLogin() override {
        for (const int fd : readEnds) {
            ::close(fd);
        }
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QStringList line{message.member() + QLatin1Char('(') + message.signature() +
                         QLatin1Char(')')};
        for (const QVariant& argument : message.arguments()) {
            line << argument.toString();
        }
        log.Add(line.join(QLatin1Char(' ')));
        int ends[2];
        if (message.member() != QLatin1String("Inhibit") || ::pipe2(ends, O_CLOEXEC) != 0) {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, {}));
            return true;
        }
        {
            std::lock_guard lock(mutex);
            readEnds.push_back(ends[0]);
        }
        const QDBusUnixFileDescriptor lock(ends[1]);  // a copy of its own
        ::close(ends[1]);
        connection.send(message.createReply(QVariant::fromValue(lock)));
        return true;
    }

    QStringList Calls() const { return log.Calls(); }

    // Whether every copy of the write end of the nth lock handed out is
    // closed; false for a lock not handed out.
    bool LockClosed(std::size_t n) const {
        std::lock_guard lock(mutex);
        if (n >= readEnds.size()) {
            return false;
        }
        pollfd end{readEnds[n], POLLIN, 0};
        return ::poll(&end, 1, 0) == 1 && (end.revents & POLLHUP) != 0;
    }

private:
    CallLog log;
    mutable std::mutex mutex;
    std::vector<int> readEnds;
};

void EmitPrepareForSleep(const QDBusConnection& from, bool sleeping) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kLoginPath, QStringLiteral("org.freedesktop.login1.Manager"),
                                   QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    ASSERT_TRUE(from.send(signal));
}

// Whether QtDBus still opens a connection to `address` within a second. It
// is asked on a thread let go, as a QtDBus held by a hung bus never answers.
bool QtDBusStillConnects(const QString& address) {
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> connected = done->get_future();
    std::thread([done, address] {
        const QString name = QStringLiteral("trovik-test-still");
        const bool ok = QDBusConnection::connectToBus(address, name).isConnected();
        QDBusConnection::disconnectFromBus(name);
        done->set_value(ok);
    }).detach();
    return connected.wait_for(1s) == std::future_status::ready && connected.get();
}

class SleepWatchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start"; }
    void TearDown() override {
        for (const QString& name : connectionNames) {
            QDBusConnection::disconnectFromBus(name);
        }
    }

    QDBusConnection Connect() {
        QString name;
        QDBusConnection c = bus.Connect(name);
        connectionNames << name;
        return c;
    }

    PrivateBus bus;
    FakeLogin login;
    QStringList connectionNames;
};

// Around a sleep: the callback for true while the lock still holds the sleep
// back, and the lock let go right after it; after the resume, the callback
// and a new lock. A signal from anyone but login1's owner is not
// logind's and is passed over.
TEST_F(SleepWatchTest, CallsBackAroundTheSleepAndHoldsALockWhileAwake) {
    QDBusConnection service = Connect();
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerVirtualObject(kLoginPath, &login));
    ASSERT_TRUE(service.registerService(kLogin));

    std::vector<std::string> calls;
    {
        const SleepWatch watch(
            [&](bool sleeping) {
                calls.push_back(std::string(sleeping ? "sleeping" : "resumed") +
                                (login.LockClosed(0) ? " first lock closed" : " first lock held") +
                                (QThread::currentThread() == QCoreApplication::instance()->thread()
                                     ? " on the main thread"
                                     : " on another thread"));
            },
            BusChoice::At(bus.Address()));
        ASSERT_TRUE(PumpUntil([&] { return watch.HoldsLock(); }, 5s));
        EXPECT_TRUE(watch.Connected());
        EXPECT_EQ(
            login.Calls(),
            QStringList{QStringLiteral("Inhibit(ssss) sleep Trovik 通信量の記録を閉じます delay")});

        const QDBusConnection stranger = Connect();
        EmitPrepareForSleep(stranger, true);
        // The daemon answers this after it passed the signal on, so the
        // stranger's signal reaches the watch before logind's.
        ASSERT_TRUE(stranger.interface()->isServiceRegistered(kLogin).value());
        EmitPrepareForSleep(service, true);
        ASSERT_TRUE(PumpUntil([&] { return login.LockClosed(0); }, 5s));
        EXPECT_FALSE(watch.HoldsLock());

        EmitPrepareForSleep(service, false);
        ASSERT_TRUE(PumpUntil([&] { return watch.HoldsLock(); }, 5s));
        EXPECT_EQ(calls,
                  (std::vector<std::string>{"sleeping first lock held on the main thread",
                                            "resumed first lock closed on the main thread"}));
        EXPECT_EQ(login.Calls().size(), 2);
        EXPECT_FALSE(login.LockClosed(1));
    }
    EXPECT_TRUE(login.LockClosed(1)) << "the lock goes with the watch";
}

// Nothing to hear, or a bus that never answers: the watch is made and ends at
// once and never calls back, and QtDBus goes on serving the process's other
// connections. The threads still waiting on the silent socket and the stopped
// daemon end when those go, after their watches, and with no event loop left
// to run: they are let end here, while the sanitizers still watch.
TEST_F(SleepWatchTest, UnreachableLogindNeverHoldsTheCaller) {
    auto silent = std::make_unique<SilentSocket>(bus.Dir().Path("silent"));
    ASSERT_FALSE(silent->Address().isEmpty());
    auto stopped = std::make_unique<PrivateBus>();
    ASSERT_TRUE(stopped->Freeze());
    struct Row {
        const char* what;
        BusChoice choice;
    };
    const std::vector<Row> rows = {
        {"no bus", BusChoice::None()},
        {"no socket",
         BusChoice::At(QStringLiteral("unix:path=") + QtPath(bus.Dir().Path("no-such-socket")))},
        {"silent socket", BusChoice::At(silent->Address())},
        {"stopped daemon", BusChoice::At(stopped->Address())},
        {"no logind on the bus", BusChoice::At(bus.Address())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int calls = 0;
        const auto start = std::chrono::steady_clock::now();
        auto ending = start;
        {
            const SleepWatch watch([&calls](bool) { ++calls; }, row.choice);
            EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
            EXPECT_FALSE(PumpUntil([&] { return calls > 0 || watch.HoldsLock(); }, 300ms));
            ending = std::chrono::steady_clock::now();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - ending, 200ms);
        EXPECT_TRUE(QtDBusStillConnects(bus.Address()));
    }
    silent.reset();
    stopped.reset();
    std::this_thread::sleep_for(500ms);
}

}  // namespace
}  // namespace trovik
