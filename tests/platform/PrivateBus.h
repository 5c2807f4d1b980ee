#pragma once

// Helpers for tests of D-Bus and local-socket code: a private message bus
// that the test starts and ends itself (and may stop in between), a socket
// that never answers, a log of the calls a fake received, and a way to run a
// blocking call on another thread while this thread's event loop serves the
// fakes.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "tests/ScratchDir.h"

namespace trovik::testing {

// A path as Qt takes it.
inline QString QtPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// What a fake service was asked, one line a call. The fakes add on the thread
// that serves the bus while the test reads on its own, so both take the lock.
class CallLog {
public:
    void Add(const QString& call) {
        std::lock_guard lock(mutex);
        calls << call;
    }
    QStringList Calls() const {
        std::lock_guard lock(mutex);
        return calls;
    }

private:
    mutable std::mutex mutex;
    QStringList calls;
};

// A dbus-daemon of its own, listening on a socket in a temporary directory,
// allowing everything and activating no services. Address() is empty when
// it could not be started. The daemon is the only process these tests
// start, and it is ended by its own pid.
class PrivateBus {
public:
    PrivateBus() {
        const auto config = dir.Path("bus.conf");
        WriteText(config,
                  "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                  "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                  "<busconfig>\n"
                  "  <type>session</type>\n"
                  "  <listen>unix:dir=" +
                      dir.path().string() +
                      "</listen>\n"
                      "  <auth>EXTERNAL</auth>\n"
                      "  <policy context=\"default\">\n"
                      "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                      "    <allow eavesdrop=\"true\"/>\n"
                      "    <allow own=\"*\"/>\n"
                      "  </policy>\n"
                      "</busconfig>\n");
        daemon.setProgram(QStringLiteral("dbus-daemon"));
        daemon.setArguments({QStringLiteral("--config-file=") + QString::fromStdString(config),
                             QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        daemon.setProcessChannelMode(QProcess::SeparateChannels);
        daemon.start();
        if (!daemon.waitForStarted(5000)) {
            return;
        }
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        if (frozen) {
            ::kill(static_cast<pid_t>(daemon.processId()), SIGCONT);
        }
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();  // SIGTERM to the daemon this started
            if (!daemon.waitForFinished(3000)) {
                daemon.kill();
                daemon.waitForFinished(3000);
            }
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& Address() const { return address; }
    const ScratchDir& Dir() const { return dir; }

    // Stops the daemon with SIGSTOP: the kernel still takes connections into
    // its socket's backlog, and nothing answers them. It goes on again when
    // this ends.
    bool Freeze() {
        frozen = daemon.state() == QProcess::Running &&
                 ::kill(static_cast<pid_t>(daemon.processId()), SIGSTOP) == 0;
        return frozen;
    }

    // A connection of the test's own (for the fake services), closed by the
    // caller through QDBusConnection::disconnectFromBus(name).
    QDBusConnection Connect(QString& name) const {
        static std::atomic<int> counter{0};
        name = QStringLiteral("trovik-test-%1").arg(counter.fetch_add(1));
        return QDBusConnection::connectToBus(address, name);
    }

private:
    ScratchDir dir{"trovik-bus-"};
    QProcess daemon;
    QString address;
    bool frozen = false;
};

// A Unix socket that takes connections into its backlog and never answers,
// as a hung bus daemon's would. Address() is empty when it could not be made.
class SilentSocket {
public:
    explicit SilentSocket(const std::filesystem::path& path) {
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        const std::string name = path.string();
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0 || name.size() >= sizeof(where.sun_path)) {
            return;
        }
        std::memcpy(where.sun_path, name.c_str(), name.size() + 1);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0 &&
            ::listen(fd, 16) == 0) {
            address = QStringLiteral("unix:path=") + QtPath(path);
        }
    }
    ~SilentSocket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    const QString& Address() const { return address; }

private:
    int fd = -1;
    QString address;
};

// Runs `f` on another thread and this thread's event loop until it is done,
// so that fakes living here can answer the blocking calls `f` makes.
template <typename F>
auto RunPumping(F&& f) {
    auto result = std::async(std::launch::async, std::forward<F>(f));
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return result.get();
}

// Runs this thread's event loop until `done()` or the time is up.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace trovik::testing
