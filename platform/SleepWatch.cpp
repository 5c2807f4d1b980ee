#include "platform/SleepWatch.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace trovik {
namespace {

// Shown by logind in its list of inhibitors, next to the program's name.
constexpr char kSleepLockReason[] = "通信量の記録を閉じます";

QString LoginService() {
    return QStringLiteral("org.freedesktop.login1");
}
QString LoginPath() {
    return QStringLiteral("/org/freedesktop/login1");
}
QString ManagerInterface() {
    return QStringLiteral("org.freedesktop.login1.Manager");
}

QString NextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("trovik-sleep-%1").arg(counter.fetch_add(1) + 1);
}

}  // namespace

// What the watch and its connecting thread share. The thread ends either by
// marking itself done (the watch then owns the receiver alone) or, when the
// watch has gone, by deleting the receiver: at once when it never hooked it
// up, else through deleteLater.
struct SleepWatch::Handoff {
    std::mutex mutex;
    bool threadDone = false;
    bool watchGone = false;
};

// Lives on the thread that made the watch: QtDBus delivers the signal and the
// answers there. Holds the lock and the name of the connection, and closes
// both when it ends.
class SleepWatch::Receiver final : public QObject {
    Q_OBJECT

public:
    Receiver(std::function<void(bool)> onPrepareForSleep, QString name)
        : callback(std::move(onPrepareForSleep)), connectionName(std::move(name)) {}
    ~Receiver() override {
        CloseLock();
        QDBusConnection::disconnectFromBus(connectionName);
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    const QString& Name() const { return connectionName; }
    bool Connected() const { return bus && bus->isConnected(); }
    bool HoldsLock() const { return lockFd >= 0; }

    // The connection is open and the signal hooked up.
    void Start(const QDBusConnection& connection) {
        bus = connection;
        TakeLock();
    }
    // The watch has gone: nothing more is called or asked for.
    void Abandon() { callback = nullptr; }

public Q_SLOTS:
    void PrepareForSleep(bool sleeping) {
        if (!callback) {
            return;
        }
        asleep = sleeping;
        callback(sleeping);
        if (sleeping) {
            CloseLock();
        } else {
            TakeLock();
        }
    }

private:
    void TakeLock() {
        if (!bus || lockFd >= 0 || lockAsked) {
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            LoginService(), LoginPath(), ManagerInterface(), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep") << QStringLiteral("Trovik")
             << QString::fromUtf8(kSleepLockReason) << QStringLiteral("delay");
        lockAsked = true;
        auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(call, kCallTimeoutMs), this);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                         [this](QDBusPendingCallWatcher* finished) {
                             lockAsked = false;
                             const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
                             if (reply.isValid()) {
                                 // Taken from every copy of the reply, so that
                                 // closing it here lets the sleep go on.
                                 const int fd = reply.value().takeFileDescriptor();
                                 if (asleep) {
                                     // Late: the sleep it was for began already.
                                     ::close(fd);
                                 } else {
                                     lockFd = fd;
                                 }
                             }
                             finished->deleteLater();
                         });
    }

    void CloseLock() {
        if (lockFd >= 0) {
            ::close(lockFd);
            lockFd = -1;
        }
    }

    std::function<void(bool)> callback;
    QString connectionName;
    std::optional<QDBusConnection> bus;
    int lockFd = -1;
    bool lockAsked = false;
    bool asleep = false;
};

SleepWatch::SleepWatch(std::function<void(bool sleeping)> onPrepareForSleep, BusChoice bus)
    : receiver(new Receiver(std::move(onPrepareForSleep), NextConnectionName())),
      handoff(std::make_shared<Handoff>()) {
    if (bus.IsNone()) {
        handoff->threadDone = true;
        return;
    }
    auto connectToLogind = [h = handoff, r = receiver, choice = std::move(bus),
                            name = receiver->Name()] {
        std::optional<QDBusConnection> connection;
        const QString address =
            AnsweringBusAddress(choice, std::chrono::milliseconds(kAnswerLimitMs));
        bool gone = false;
        {
            std::lock_guard lock(h->mutex);
            gone = h->watchGone;
        }
        if (!address.isEmpty() && !gone) {
            QDBusConnection opened = QDBusConnection::connectToBus(address, name);
            // Hooked up here, not on the watch's thread: QtDBus asks the bus
            // for the owner of the name while it hooks up, and waits for that.
            if (opened.isConnected() &&
                opened.connect(LoginService(), LoginPath(), ManagerInterface(),
                               QStringLiteral("PrepareForSleep"), r, SLOT(PrepareForSleep(bool)))) {
                connection = opened;
            }
        }
        std::lock_guard lock(h->mutex);
        if (h->watchGone) {
            if (connection) {
                // QtDBus may already have queued the signal for it on the
                // watch's thread: only that thread may delete it now.
                r->deleteLater();
            } else {
                // Never hooked up, so nothing is or will be queued for it.
                // Deleted here rather than later, so that it does not outlive
                // an event loop that has already ended.
                delete r;
            }
            return;
        }
        h->threadDone = true;
        if (connection) {
            QMetaObject::invokeMethod(
                r, [r, c = *connection] { r->Start(c); }, Qt::QueuedConnection);
        }
    };
    try {
        // Let go: the destructor never waits for it.
        std::thread(std::move(connectToLogind)).detach();
    } catch (const std::system_error&) {
        handoff->threadDone = true;
    }
}

SleepWatch::~SleepWatch() {
    bool threadDone = false;
    {
        std::lock_guard lock(handoff->mutex);
        handoff->watchGone = true;
        threadDone = handoff->threadDone;
    }
    if (threadDone) {
        delete receiver;
    } else {
        // Its deleteLater from the thread runs only after this returns.
        receiver->Abandon();
    }
}

bool SleepWatch::Connected() const {
    return receiver->Connected();
}

bool SleepWatch::HoldsLock() const {
    return receiver->HoldsLock();
}

}  // namespace trovik

#include "SleepWatch.moc"
