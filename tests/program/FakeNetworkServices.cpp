// A stand-in for NetworkManager and ModemManager on a private bus, for tests
// of the whole program: reports the devices named on the command line, each
// managed and activated, "NAME:metered" as metered, and says "ready" once it
// serves and "asked" whenever the device list is asked for. Ends when its
// standard input ends.
//
// Usage: FakeNetworkServices BUS-ADDRESS [NAME[:metered]]...

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <cstdio>

#include "tests/platform/FakeLinkServices.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: FakeNetworkServices BUS-ADDRESS [NAME[:metered]]...\n");
        return 2;
    }
    QList<trovik::testing::FakeDevice> devices;
    for (int i = 2; i < argc; ++i) {
        const QStringList parts = QString::fromLocal8Bit(argv[i]).split(QLatin1Char(':'));
        trovik::testing::FakeDevice device;
        device.iface = parts.value(0);
        device.metered = parts.value(1) == QStringLiteral("metered") ? 1 : 4;
        devices << device;
    }
    trovik::testing::FakeLinkServices services;
    services.Set(devices, {});
    services.onAsked = [] {
        std::printf("asked\n");
        std::fflush(stdout);
    };
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("services"));
    if (!bus.isConnected() || !services.Register(bus, true, true)) {
        std::fprintf(stderr, "FakeNetworkServices: cannot serve on %s\n", argv[1]);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            QCoreApplication::quit();
        }
    });
    return app.exec();
}
