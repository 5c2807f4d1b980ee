#include "platform/SystemBus.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QDBusError>
#include <QDBusVariant>
#include <QStringView>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace trovik {
namespace {

// Where libdbus looks for the system bus when the environment names none.
constexpr char kDefaultSystemBus[] = "unix:path=/var/run/dbus/system_bus_socket";

// Each private connection needs a name of its own in this process.
QString NextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("trovik-bus-%1").arg(counter.fetch_add(1) + 1);
}

QString AddressOf(const BusChoice& bus) {
    if (bus.IsNone()) {
        return {};
    }
    if (bus.IsSystem()) {
        return qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS",
                                    QString::fromLatin1(kDefaultSystemBus));
    }
    return bus.Address();
}

// The socket a "unix:" transport names, its %-escapes undone; an abstract
// name begins with a NUL. Empty for any other transport.
std::string UnixSocketName(QStringView transport) {
    constexpr QStringView kind = u"unix:";
    if (!transport.startsWith(kind)) {
        return {};
    }
    for (const QStringView pair : transport.mid(kind.size()).split(u',')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 1) {
            continue;
        }
        const QStringView key = pair.left(equals);
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(equals + 1).toUtf8());
        if (value.isEmpty()) {
            continue;
        }
        if (key == u"path") {
            return value.toStdString();
        }
        if (key == u"abstract") {
            return std::string(1, '\0') + value.toStdString();
        }
    }
    return {};
}

enum class Handshake : unsigned char { Answered, Absent, Silent };

// Whether a bus daemon at the socket answers AUTH EXTERNAL before `end`:
// Silent when it took the connection (or its backlog is full) and said
// nothing in time. The socket is closed before the handshake is finished,
// which a daemon takes as a client that went away.
Handshake AnswersHandshake(const std::string& socketName,
                           std::chrono::steady_clock::time_point end) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    if (socketName.size() >= sizeof(where.sun_path)) {
        return Handshake::Absent;
    }
    std::memcpy(where.sun_path, socketName.data(), socketName.size());
    // An abstract name is exactly as long as it is; a path ends in a NUL.
    const std::size_t nameLength = socketName.size() + (socketName[0] == '\0' ? 0 : 1);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + nameLength);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Handshake::Absent;
    }
    // A full backlog (EAGAIN) is a daemon that takes no connections either.
    bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) == 0;
    bool silent = !answered && errno == EAGAIN;
    if (answered) {
        // The credentials byte, then the uid in hex-coded decimal digits.
        const QByteArray uid = QByteArray::number(::getuid()).toHex();
        const std::string request =
            std::string(1, '\0') + "AUTH EXTERNAL " + uid.toStdString() + "\r\n";
        answered = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                   static_cast<ssize_t>(request.size());
    }
    std::string answer;
    while (answered && answer.find("\r\n") == std::string::npos && answer.size() < 512) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLIN, 0};
        const int ready =
            left.count() > 0
                ? ::poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 60000)))
                : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            answered = false;
            silent = ready == 0;
            break;
        }
        char bytes[256];
        const ssize_t n = ::recv(fd, bytes, sizeof bytes, 0);
        if (n > 0) {
            answer.append(bytes, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            answered = false;
        }
    }
    ::close(fd);
    if (answered && answer.starts_with("OK ")) {
        return Handshake::Answered;
    }
    return silent ? Handshake::Silent : Handshake::Absent;
}

QDBusConnection Open(const BusChoice& bus, const QString& name, std::chrono::milliseconds limit,
                     bool& silent) {
    silent = false;
    const QString address = AnsweringBusAddress(bus, limit, &silent);
    if (address.isEmpty()) {
        return QDBusConnection(name);  // never connected: calls fail at once
    }
    return QDBusConnection::connectToBus(address, name);
}

}  // namespace

BusConnection::BusConnection(const BusChoice& bus, std::chrono::milliseconds connectLimit)
    : name(NextConnectionName()), connection(Open(bus, name, connectLimit, silent)) {}

BusConnection::~BusConnection() {
    QDBusConnection::disconnectFromBus(name);
}

bool BusConnection::IsConnected() const {
    return connection.isConnected();
}

QDBusMessage BusConnection::Call(const QDBusMessage& call, int timeoutMs) {
    if (!connection.isConnected()) {
        return call.createErrorReply(QDBusError::Disconnected, QStringLiteral("no bus"));
    }
    // A timeout below 1 would mean QtDBus's default of 25 seconds.
    return connection.call(call, QDBus::Block, timeoutMs < 1 ? 1 : timeoutMs);
}

QVariant SingleReplyValue(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return {};
    }
    const QVariant value = reply.arguments().constFirst();
    if (value.userType() == qMetaTypeId<QDBusVariant>()) {
        return value.value<QDBusVariant>().variant();
    }
    return value;
}

QString AnsweringBusAddress(const BusChoice& bus, std::chrono::milliseconds limit, bool* silent) {
    const auto end = std::chrono::steady_clock::now() + limit;
    const QString address = AddressOf(bus);
    bool anySilent = false;
    for (const QStringView transport : QStringView(address).split(u';', Qt::SkipEmptyParts)) {
        const std::string socketName = UnixSocketName(transport);
        if (socketName.empty()) {
            continue;
        }
        switch (AnswersHandshake(socketName, end)) {
            case Handshake::Answered:
                return transport.toString();
            case Handshake::Silent:
                anySilent = true;
                break;
            case Handshake::Absent:
                break;
        }
    }
    if (silent != nullptr) {
        *silent = anySilent;
    }
    return {};
}

}  // namespace trovik
