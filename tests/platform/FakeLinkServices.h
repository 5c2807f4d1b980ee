#pragma once

// NetworkManager and ModemManager as far as the meter asks them which links
// there are: NetworkManager's device list and device properties, and
// ModemManager's modems with their bearers. Registered on a bus of the
// test's own; calls come in on the event loop of the thread that registered
// them. What they report is plain data the test (or a fake's driver) sets.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>

namespace trovik::testing {

struct FakeDevice {
    QString iface;
    bool managed = true;
    unsigned state = 100;  // activated
    unsigned metered = 0;  // NM_METERED_*
    bool active = true;    // carries an active connection
    unsigned type = 1;     // ethernet; 2: Wi-Fi
    unsigned bitrateKbit = 0;
};

struct FakeBearer {
    QString iface;
    bool connected = true;
    std::uint64_t downlink = 0;  // bits per second; 0: no such statistic
};

struct FakeModem {
    unsigned technologies = 0;
    QList<FakeBearer> bearers;
};

using ModemInterfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, ModemInterfaces>;

class FakeLinkServices final : public QDBusVirtualObject {
public:
    static constexpr const char* kNmService = "org.freedesktop.NetworkManager";
    static constexpr const char* kMmService = "org.freedesktop.ModemManager1";

    FakeLinkServices() {
        qDBusRegisterMetaType<ModemInterfaces>();
        qDBusRegisterMetaType<ManagedObjects>();
    }

    // Replaced whole; read under the lock while a call is answered.
    void Set(QList<FakeDevice> d, QList<FakeModem> m) {
        QMutexLocker lock(&mutex);
        devices = std::move(d);
        modems = std::move(m);
    }

    // Registers the objects and takes the names of the services asked for.
    bool Register(QDBusConnection& bus, bool networkManager, bool modemManager) {
        if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop"), this,
                                       QDBusConnection::SubPath)) {
            return false;
        }
        return (!networkManager || bus.registerService(QString::fromLatin1(kNmService))) &&
               (!modemManager || bus.registerService(QString::fromLatin1(kMmService)));
    }

    // Called on each GetDevices, as the call comes in.
    std::function<void()> onAsked;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        QMutexLocker lock(&mutex);
        const QString path = m.path();
        const QString member = m.member();
        const QString nmDevices = QStringLiteral("/org/freedesktop/NetworkManager/Devices/");
        const QString bearers = QStringLiteral("/org/freedesktop/ModemManager1/Bearer/");
        QDBusMessage reply;
        if (path == QStringLiteral("/org/freedesktop/NetworkManager") &&
            member == QStringLiteral("GetDevices")) {
            QList<QDBusObjectPath> list;
            for (int i = 0; i < devices.size(); ++i) {
                list << QDBusObjectPath(nmDevices + QString::number(i));
            }
            reply = m.createReply(QVariant::fromValue(list));
            if (onAsked) {
                onAsked();
            }
        } else if (path.startsWith(nmDevices) && member == QStringLiteral("GetAll")) {
            const int i = path.mid(nmDevices.size()).toInt();
            const FakeDevice& d = devices.value(i);
            QVariantMap p;
            if (m.arguments().value(0).toString().endsWith(QStringLiteral(".Wireless"))) {
                p[QStringLiteral("Bitrate")] = d.bitrateKbit;
            } else {
                p[QStringLiteral("Interface")] = d.iface;
                p[QStringLiteral("IpInterface")] = d.iface;
                p[QStringLiteral("Managed")] = d.managed;
                p[QStringLiteral("State")] = d.state;
                p[QStringLiteral("Metered")] = d.metered;
                p[QStringLiteral("DeviceType")] = d.type;
                p[QStringLiteral("ActiveConnection")] = QVariant::fromValue(QDBusObjectPath(
                    d.active ? QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/") +
                                   QString::number(i)
                             : QStringLiteral("/")));
            }
            reply = m.createReply(p);
        } else if (path == QStringLiteral("/org/freedesktop/ModemManager1") &&
                   member == QStringLiteral("GetManagedObjects")) {
            ManagedObjects objects;
            int bearer = 0;
            for (int i = 0; i < modems.size(); ++i) {
                QList<QDBusObjectPath> own;
                for (int b = 0; b < modems[i].bearers.size(); ++b) {
                    own << QDBusObjectPath(bearers + QString::number(bearer++));
                }
                QVariantMap modem;
                modem[QStringLiteral("AccessTechnologies")] = modems[i].technologies;
                modem[QStringLiteral("Bearers")] = QVariant::fromValue(own);
                objects[QDBusObjectPath(QStringLiteral("/org/freedesktop/ModemManager1/Modem/") +
                                        QString::number(i))]
                       [QStringLiteral("org.freedesktop.ModemManager1.Modem")] = modem;
            }
            reply = m.createReply(QVariant::fromValue(objects));
        } else if (path.startsWith(bearers) && member == QStringLiteral("Disconnect")) {
            if (FakeBearer* b = Bearer(path.mid(bearers.size()).toInt())) {
                b->connected = false;
                ++disconnects;
            }
            reply = m.createReply();
        } else if (path.startsWith(bearers) && member == QStringLiteral("Get")) {
            const FakeBearer* b = Bearer(path.mid(bearers.size()).toInt());
            reply = m.createReply(
                QVariant::fromValue(QDBusVariant(QVariant(b != nullptr && b->connected))));
        } else if (path.startsWith(bearers) && member == QStringLiteral("GetAll")) {
            const FakeBearer* b = Bearer(path.mid(bearers.size()).toInt());
            const FakeBearer found = b != nullptr ? *b : FakeBearer{};
            QVariantMap p;
            p[QStringLiteral("Interface")] = found.iface;
            p[QStringLiteral("Connected")] = found.connected;
            QVariantMap stats;
            if (found.downlink != 0) {
                stats[QStringLiteral("downlink-speed")] =
                    QVariant::fromValue(qulonglong{found.downlink});
            }
            p[QStringLiteral("Stats")] = stats;
            reply = m.createReply(p);
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }

    int Disconnects() {
        QMutexLocker lock(&mutex);
        return disconnects;
    }

private:
    // The bearers are numbered across the modems, in order.
    FakeBearer* Bearer(int n) {
        for (FakeModem& modem : modems) {
            if (n < modem.bearers.size()) {
                return &modem.bearers[n];
            }
            n -= static_cast<int>(modem.bearers.size());
        }
        return nullptr;
    }

    int disconnects = 0;
    QMutex mutex;
    QList<FakeDevice> devices;
    QList<FakeModem> modems;
};

}  // namespace trovik::testing
