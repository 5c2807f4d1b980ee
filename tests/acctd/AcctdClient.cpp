// A caller of the accounting helper for its tests, and the datagram sender
// they count.
//
//   AcctdClient counts BUS      one line per entry: CGROUP IFINDEX DIRECTION BYTES PACKETS
//   AcctdClient links BUS       one line per link: IFINDEX COUNTED_RX COUNTED_TX LINK_RX LINK_TX
//   AcctdClient version BUS
//   AcctdClient call BUS INTERFACE MEMBER
//       any method without arguments; prints "ok" or the error's name
//   AcctdClient udp ADDRESS PORT COUNT SIZE
//       COUNT datagrams of SIZE payload bytes to an IPv4 address, one send each
// Exits 1 when the helper answers with an error.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "acctd/AcctdProtocol.h"
#include "acctd/AcctdTypes.h"

namespace {

int SendDatagrams(const char* address, const char* port, const char* count, const char* size) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(std::atoi(port)));
    if (inet_pton(AF_INET, address, &to.sin_addr) != 1) {
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const std::vector<char> payload(std::strtoul(size, nullptr, 10), 'x');
    for (long n = std::atol(count); n > 0; --n) {
        if (::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to),
                     sizeof to) != static_cast<ssize_t>(payload.size())) {
            std::perror("sendto");
            return 1;
        }
    }
    ::close(fd);
    return 0;
}

QDBusMessage Call(QDBusConnection& bus, const QString& iface, const QString& member) {
    return bus.call(
        QDBusMessage::createMethodCall(QLatin1String(trovik::kAcctdService),
                                       QLatin1String(trovik::kAcctdPath), iface, member),
        QDBus::Block, 10000);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "udp" && argc == 6) {
        return SendDatagrams(argv[2], argv[3], argv[4], argv[5]);
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: AcctdClient counts|links|version|call BUS ...\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    trovik::RegisterAcctdTypes();
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[2]), QStringLiteral("client"));
    if (!bus.isConnected()) {
        std::fprintf(stderr, "AcctdClient: no bus at %s\n", argv[2]);
        return 1;
    }
    const QString iface = QLatin1String(trovik::kAcctdInterface);
    if (command == "call" && argc == 5) {
        const QDBusMessage reply =
            Call(bus, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
        std::printf("%s\n", reply.type() == QDBusMessage::ErrorMessage
                                ? qPrintable(reply.errorName())
                                : "ok");
        return 0;
    }
    if (command == "version") {
        const QDBusReply<uint> version = Call(bus, iface, QStringLiteral("Version"));
        if (!version.isValid()) {
            std::fprintf(stderr, "%s\n", qPrintable(version.error().name()));
            return 1;
        }
        std::printf("%u\n", version.value());
        return 0;
    }
    if (command == "counts") {
        const QDBusReply<QList<trovik::AcctdCount>> counts =
            Call(bus, iface, QStringLiteral("Counts"));
        if (!counts.isValid()) {
            std::fprintf(stderr, "%s\n", qPrintable(counts.error().name()));
            return 1;
        }
        for (const trovik::AcctdCount& c : counts.value()) {
            std::printf("%llu %u %u %llu %llu\n", static_cast<unsigned long long>(c.cgroupId),
                        c.ifindex, c.direction, static_cast<unsigned long long>(c.bytes),
                        static_cast<unsigned long long>(c.packets));
        }
        return 0;
    }
    if (command == "links") {
        const QDBusReply<QList<trovik::AcctdLink>> links =
            Call(bus, iface, QStringLiteral("LinkTotals"));
        if (!links.isValid()) {
            std::fprintf(stderr, "%s\n", qPrintable(links.error().name()));
            return 1;
        }
        for (const trovik::AcctdLink& l : links.value()) {
            std::printf("%u %llu %llu %llu %llu\n", l.ifindex,
                        static_cast<unsigned long long>(l.countedReceived),
                        static_cast<unsigned long long>(l.countedSent),
                        static_cast<unsigned long long>(l.linkReceived),
                        static_cast<unsigned long long>(l.linkSent));
        }
        return 0;
    }
    std::fprintf(stderr, "AcctdClient: unknown command\n");
    return 2;
}
