// A stand-in for logind on a private bus, for tests of the whole program:
// owns org.freedesktop.login1, answers Inhibit with the write end of a pipe
// (and says "inhibited" on standard output), and sends PrepareForSleep(true)
// for a line "sleep" and PrepareForSleep(false) for "wake" on standard
// input. Ends at the end of its input.
//
// Usage: FakeLogind BUS-ADDRESS

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

namespace {

const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");

class FakeLogin final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        int ends[2];
        if (message.member() != QLatin1String("Inhibit") || ::pipe2(ends, O_CLOEXEC) != 0) {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, {}));
            return true;
        }
        const QDBusUnixFileDescriptor lock(ends[1]);
        ::close(ends[1]);
        ::close(ends[0]);
        connection.send(message.createReply(QVariant::fromValue(lock)));
        std::printf("inhibited\n");
        std::fflush(stdout);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: FakeLogind BUS-ADDRESS\n");
        return 2;
    }
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("login"));
    FakeLogin login;
    if (!bus.isConnected() || !bus.registerVirtualObject(kLoginPath, &login) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "FakeLogind: cannot serve on %s\n", argv[1]);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == "sleep" || line == "wake") {
                QDBusMessage signal = QDBusMessage::createSignal(
                    kLoginPath, QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"));
                signal << (line == "sleep");
                bus.send(signal);
            }
        }
    });
    return app.exec();
}
