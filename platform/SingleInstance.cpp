#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <utility>

#include "stats/FileImage.h"

namespace trovik {

namespace {

constexpr qsizetype kQuestionSize = 12;
constexpr qsizetype kAnswerSize = 4;
// A peer that connects and does not finish its question within this time
// is dropped.
constexpr int kServeTimeoutMs = 2000;
// How long Listen waits to learn whether anybody accepts on an existing file.
constexpr int kProbeTimeoutMs = 500;

// Where Qt puts the socket of `name`.
QString SocketPath(const QString& name) {
    if (name.startsWith(QLatin1Char('/'))) {
        return name;
    }
    return QDir::tempPath() + QLatin1Char('/') + name;
}

bool PeerIsThisUser(qintptr fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (fd < 0 || ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        size != sizeof(peer)) {
        return false;
    }
    return peer.uid == ::geteuid();
}

int Remaining(const QElapsedTimer& clock, int timeoutMs) {
    const qint64 left = timeoutMs - clock.elapsed();
    return left < 1 ? 0 : static_cast<int>(left);
}

// Whether a live listener accepts on `name`.
bool AnyoneListening(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool connected = probe.waitForConnected(kProbeTimeoutMs);
    probe.abort();
    return connected;
}

// Removes the file behind `name` when it is a socket of this user's;
// anything else is left alone.
bool RemoveStaleSocket(const QString& name) {
    const QByteArray path = QFile::encodeName(SocketPath(name));
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        return errno == ENOENT;  // gone meanwhile
    }
    if (!S_ISSOCK(info.st_mode) || info.st_uid != ::geteuid()) {
        return false;
    }
    return ::unlink(path.constData()) == 0 || errno == ENOENT;
}

// Whether `path` is a directory of this user's that no one else may enter.
// With `create` it is a name in a shared place: a missing one is made 0700
// first, a link there is not followed, and one of this user's that others
// may enter is closed to them.
bool IsPrivateDirectory(const QByteArray& path, bool create) {
    if (create && ::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    const int found = create ? ::lstat(path.constData(), &info) : ::stat(path.constData(), &info);
    if (found != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        return create && ::chmod(path.constData(), 0700) == 0;
    }
    return true;
}

// What one connection has sent so far.
struct Exchange {
    std::array<std::uint8_t, kQuestionSize> question{};
    qsizetype received = 0;
    bool answered = false;
};

}  // namespace

QString InstanceDirectory() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && IsPrivateDirectory(runtime, false)) {
        return QFile::decodeName(runtime);
    }
    const QByteArray temp =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/trovik-%1").arg(::geteuid()));
    if (IsPrivateDirectory(temp, true)) {
        return QFile::decodeName(temp);
    }
    // Someone else took the shared name: the user's own cache folder.
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/')) {
            return {};
        }
        cache = home + "/.cache";
    }
    ::mkdir(cache.constData(), 0700);
    const QByteArray own = cache + "/trovik-run";
    return IsPrivateDirectory(own, true) ? QFile::decodeName(own) : QString();
}

QString DefaultInstanceName() {
    const QString directory = InstanceDirectory();
    return directory.isEmpty() ? QString() : directory + QStringLiteral("/trovik-meter");
}

bool PingRunningMeter(const QString& name, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(std::max(1, timeoutMs)) ||
        !PeerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    std::array<std::uint8_t, kQuestionSize> question{};
    StoreLE32(question.data(), kPingMessage);
    StoreLE32(question.data() + 4, kPingWParam);
    StoreLE32(question.data() + 8, kPingLParam);
    if (socket.write(reinterpret_cast<const char*>(question.data()), kQuestionSize) !=
        kQuestionSize) {
        socket.abort();
        return false;
    }
    while (socket.bytesToWrite() > 0) {
        const int left = Remaining(clock, timeoutMs);
        if (left == 0 || !socket.waitForBytesWritten(left)) {
            socket.abort();
            return false;
        }
    }
    std::array<std::uint8_t, kAnswerSize> answer{};
    qsizetype got = 0;
    while (got < kAnswerSize) {
        if (socket.bytesAvailable() == 0) {
            const int left = Remaining(clock, timeoutMs);
            if (left == 0 || !socket.waitForReadyRead(left)) {
                break;
            }
        }
        const qint64 n =
            socket.read(reinterpret_cast<char*>(answer.data()) + got, kAnswerSize - got);
        if (n < 0) {
            break;
        }
        got += n;
    }
    socket.abort();
    return got == kAnswerSize && LoadLE32(answer.data()) == kPingAnswer;
}

InstanceListener::InstanceListener(QString socketName) : name(std::move(socketName)) {}

InstanceListener::~InstanceListener() {
    Close();
}

bool InstanceListener::Listen(std::function<void()> onRaise) {
    Close();
    raise = std::move(onRaise);
    // No socket options: with them Qt binds elsewhere and renames the socket
    // into place, replacing a live meter's. The directory and the peer check
    // keep other users out.
    auto candidate = std::make_unique<QLocalServer>();
    bool listening = candidate->listen(name);
    if (!listening && candidate->serverError() == QAbstractSocket::AddressInUseError &&
        !AnyoneListening(name) && RemoveStaleSocket(name)) {
        listening = candidate->listen(name);
    }
    if (!listening) {
        return false;  // a server that never listened leaves the file alone
    }
    server = std::move(candidate);
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(),
                     [this] { AcceptPending(); });
    return true;
}

void InstanceListener::Close() {
    server.reset();  // closing removes the socket file, and drops open connections
}

void InstanceListener::AcceptPending() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kServeTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        auto exchange = std::make_shared<Exchange>();
        const auto serve = [this, socket, exchange] {
            if (exchange->answered) {
                socket->readAll();  // anything after the question is ignored
                return;
            }
            const qint64 n = socket->read(
                reinterpret_cast<char*>(exchange->question.data()) + exchange->received,
                kQuestionSize - exchange->received);
            if (n > 0) {
                exchange->received += n;
            }
            if (exchange->received < kQuestionSize) {
                return;
            }
            exchange->answered = true;
            const std::uint8_t* q = exchange->question.data();
            const bool match = LoadLE32(q) == kPingMessage && LoadLE32(q + 4) == kPingWParam &&
                               LoadLE32(q + 8) == kPingLParam;
            std::array<std::uint8_t, kAnswerSize> answer{};
            StoreLE32(answer.data(), match ? kPingAnswer : 0);
            socket->write(reinterpret_cast<const char*>(answer.data()), kAnswerSize);
            socket->disconnectFromServer();  // once the answer is written
            if (match) {
                // Queued, so that a callback that closes the listener does
                // not delete this socket under its own signal.
                QMetaObject::invokeMethod(
                    server.get(),
                    [this] {
                        if (raise) {
                            raise();
                        }
                    },
                    Qt::QueuedConnection);
            }
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, serve);
        if (socket->bytesAvailable() > 0) {
            serve();
        }
    }
}

MeterInstance::MeterInstance(QString folder)
    : directory(std::move(folder)),
      listener(directory.isEmpty() ? QString() : directory + QStringLiteral("/trovik-meter")) {}

MeterInstance::~MeterInstance() {
    listener.Close();  // the socket goes before the lock is given up
    if (lockFd >= 0) {
        ::close(lockFd);
    }
}

bool MeterInstance::Claim(int pingTimeoutMs) {
    if (directory.isEmpty()) {
        return true;  // nowhere private to meet another meter: run alone
    }
    const QByteArray lockPath = QFile::encodeName(directory + QStringLiteral("/trovik-meter.lock"));
    if (lockFd < 0) {
        lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    int locked = -1;
    if (lockFd >= 0) {
        do {
            locked = ::flock(lockFd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 && errno == EWOULDBLOCK) {
            PingRunningMeter(listener.Name(), pingTimeoutMs);  // raises it when it can
            return false;
        }
    }
    const auto onRaise = [this] {
        if (raise) {
            raise();
        }
    };
    if (locked != 0) {
        // No lock to be had: ask, as the best that is left.
        if (PingRunningMeter(listener.Name(), pingTimeoutMs)) {
            return false;
        }
        listener.Listen(onRaise);
        return true;
    }
    if (!listener.Listen(onRaise) && PingRunningMeter(listener.Name(), pingTimeoutMs)) {
        // A meter that takes no lock (an older one) answers on the socket.
        ::close(lockFd);
        lockFd = -1;
        return false;
    }
    return true;
}

void MeterInstance::OnRaise(std::function<void()> onRaise) {
    raise = std::move(onRaise);
}

}  // namespace trovik
