#include "platform/LinkServices.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace trovik {
namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

const QString kNmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kNmDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kNmWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
constexpr unsigned kNmDeviceActivated = 100;  // NM_DEVICE_STATE_ACTIVATED
constexpr unsigned kNmDeviceWifi = 2;         // NM_DEVICE_TYPE_WIFI
constexpr unsigned kNmMeteredYes = 1;         // NM_METERED_YES
constexpr unsigned kNmMeteredGuessYes = 3;    // NM_METERED_GUESS_YES

const QString kMmService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kMmPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kMmModem = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kMmBearer = QStringLiteral("org.freedesktop.ModemManager1.Bearer");

// Which of the two services are on the bus, asked of the bus itself so that
// an installed service that is off is not started by the question.
bool HasOwner(BusConnection& bus, const QString& service, int timeoutMs) {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << service;
    const QVariant owned = SingleReplyValue(bus.Call(ask, timeoutMs));
    return owned.userType() == QMetaType::Bool && owned.toBool();
}

QVariantMap AllProperties(BusConnection& bus, const QString& service, const QString& path,
                          const QString& iface, int timeoutMs) {
    QDBusMessage ask =
        QDBusMessage::createMethodCall(service, path, kProperties, QStringLiteral("GetAll"));
    ask << iface;
    const QDBusMessage reply = bus.Call(ask, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return {};
    }
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

QList<QDBusObjectPath> Paths(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        return qdbus_cast<QList<QDBusObjectPath>>(value);
    }
    return value.value<QList<QDBusObjectPath>>();
}

std::uint32_t SaturatedBits(std::uint64_t bits) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(bits, std::numeric_limits<std::uint32_t>::max()));
}

void CopyText(const char* text, std::array<char, 16>& out) {
    out.fill('\0');
    const std::string_view view(text);
    view.copy(out.data(), std::min(view.size(), out.size() - 1));
}

void AskNetworkManager(BusConnection& bus, int timeoutMs, ServiceLinks& out) {
    const QDBusMessage reply =
        bus.Call(QDBusMessage::createMethodCall(kNmService, kNmPath, kNmService,
                                                QStringLiteral("GetDevices")),
                 timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return;
    }
    for (const QDBusObjectPath& device : Paths(reply.arguments().constFirst())) {
        const QVariantMap p = AllProperties(bus, kNmService, device.path(), kNmDevice, timeoutMs);
        if (p.isEmpty() || !p.value(QStringLiteral("Managed")).toBool()) {
            continue;
        }
        // The traffic is counted on the interface that carries IP: a modem's
        // data port, not its control port.
        QString name = p.value(QStringLiteral("IpInterface")).toString();
        if (name.isEmpty()) {
            name = p.value(QStringLiteral("Interface")).toString();
        }
        ServiceLink* link = out.Entry(name.toStdString());
        if (link == nullptr) {
            continue;
        }
        const auto active = p.value(QStringLiteral("ActiveConnection")).value<QDBusObjectPath>();
        const unsigned metered = p.value(QStringLiteral("Metered")).toUInt();
        link->byNetworkManager = true;
        link->activated = p.value(QStringLiteral("State")).toUInt() == kNmDeviceActivated;
        link->metered =
            active.path().size() > 1 && (metered == kNmMeteredYes || metered == kNmMeteredGuessYes);
        if (p.value(QStringLiteral("DeviceType")).toUInt() == kNmDeviceWifi) {
            // Kbit/s.
            const QVariantMap w =
                AllProperties(bus, kNmService, device.path(), kNmWireless, timeoutMs);
            link->speedBits =
                SaturatedBits(std::uint64_t{w.value(QStringLiteral("Bitrate")).toUInt()} * 1000);
        }
    }
}

void AskModemManager(BusConnection& bus, int timeoutMs, ServiceLinks& out) {
    const QDBusMessage reply =
        bus.Call(QDBusMessage::createMethodCall(
                     kMmService, kMmPath, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                     QStringLiteral("GetManagedObjects")),
                 timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().constFirst().userType() != qMetaTypeId<QDBusArgument>()) {
        return;
    }
    // a{oa{sa{sv}}}: each modem's interfaces and their properties.
    const auto objects = reply.arguments().constFirst().value<QDBusArgument>();
    if (objects.currentSignature() != QStringLiteral("a{oa{sa{sv}}}")) {
        return;
    }
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        objects.beginMapEntry();
        objects >> path;
        objects.beginMap();
        while (!objects.atEnd()) {
            QString name;
            QVariantMap properties;
            objects.beginMapEntry();
            objects >> name >> properties;
            objects.endMapEntry();
            interfaces.insert(name, properties);
        }
        objects.endMap();
        objects.endMapEntry();
        const auto modem = interfaces.constFind(kMmModem);
        if (modem == interfaces.constEnd()) {
            continue;
        }
        const unsigned technology = modem->value(QStringLiteral("AccessTechnologies")).toUInt();
        for (const QDBusObjectPath& bearer : Paths(modem->value(QStringLiteral("Bearers")))) {
            const QVariantMap b =
                AllProperties(bus, kMmService, bearer.path(), kMmBearer, timeoutMs);
            const QString iface = b.value(QStringLiteral("Interface")).toString();
            ServiceLink* link = iface.isEmpty() ? nullptr : out.Entry(iface.toStdString());
            if (link == nullptr) {
                continue;
            }
            const bool connected = b.value(QStringLiteral("Connected")).toBool();
            // A modem NetworkManager drives is activated as NetworkManager
            // says; one it does not, as its bearer says.
            if (!link->byNetworkManager) {
                link->activated = connected;
            }
            link->byModemManager = true;
            link->bearerPath.fill('\0');
            if (const QByteArray bearerPath = bearer.path().toUtf8();
                static_cast<std::size_t>(bearerPath.size()) < link->bearerPath.size()) {
                std::copy(bearerPath.begin(), bearerPath.end(), link->bearerPath.begin());
            }
            CopyText(AccessTechnologyName(technology), link->technology);
            const auto stats = qdbus_cast<QVariantMap>(b.value(QStringLiteral("Stats")));
            const std::uint64_t downlink =
                stats.value(QStringLiteral("downlink-speed")).toULongLong();
            if (downlink != 0) {
                link->speedBits = SaturatedBits(downlink);
            }
        }
    }
    objects.endMap();
}

}  // namespace

const char* AccessTechnologyName(unsigned bits) {
    // Newest first: a modem on LTE also reports what it falls back to.
    static constexpr std::pair<unsigned, const char*> kNames[] = {
        {1u << 15, "5G"},    {1u << 14, "LTE"},   {1u << 16, "LTE-M"}, {1u << 17, "NB-IoT"},
        {1u << 9, "HSPA+"},  {1u << 8, "HSPA"},   {1u << 7, "HSUPA"},  {1u << 6, "HSDPA"},
        {1u << 5, "UMTS"},   {1u << 13, "EV-DO"}, {1u << 12, "EV-DO"}, {1u << 11, "EV-DO"},
        {1u << 10, "1xRTT"}, {1u << 4, "EDGE"},   {1u << 3, "GPRS"},   {1u << 1, "GSM"},
        {1u << 2, "GSM"},
    };
    for (const auto& [bit, name] : kNames) {
        if ((bits & bit) != 0) {
            return name;
        }
    }
    return "";
}

ServiceLinks AskLinkServices(const BusChoice& bus, int timeoutMs) {
    ServiceLinks links;
    if (bus.IsNone()) {
        return links;
    }
    BusConnection connection(bus);
    if (!connection.IsConnected()) {
        return links;
    }
    links.networkManager = HasOwner(connection, kNmService, timeoutMs);
    if (links.networkManager) {
        AskNetworkManager(connection, timeoutMs, links);
    }
    if (HasOwner(connection, kMmService, timeoutMs)) {
        AskModemManager(connection, timeoutMs, links);
    }
    return links;
}

LinkServiceWatch::LinkServiceWatch(ServiceLinkBoard& target, BusChoice bus,
                                   std::chrono::milliseconds interval)
    : board(target) {
    asker = std::thread([this, bus = std::move(bus), interval] {
        do {
            board.Publish(AskLinkServices(bus, kCallTimeoutMs));
        } while (board.WaitForRequest(interval));
    });
}

LinkServiceWatch::~LinkServiceWatch() {
    board.Stop();
    asker.join();
}

}  // namespace trovik
