#include "platform/LinuxConnectionControl.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMap>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/LinkServices.h"
#include "tests/platform/FakeLinkServices.h"
#include "tests/platform/LinkDumpBuilder.h"
#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::Bytes;
using testing::CallLog;
using testing::LinkShape;
using testing::PrivateBus;
using testing::ReplayTransport;
using testing::RunPumping;
using testing::ScratchDir;
using testing::WriteText;
using namespace std::chrono_literals;

// --- netlink dumps ---

LinkShape Shape(std::int32_t index, std::string name, std::uint16_t type, bool up,
                std::uint16_t flags = NLM_F_MULTI) {
    LinkShape s;
    s.index = index;
    s.name = std::move(name);
    s.type = type;
    s.up = up;
    s.messageFlags = flags;
    return s;
}

// One datagram with the links, one with NLMSG_DONE.
std::vector<Bytes> Dump(std::initializer_list<LinkShape> links) {
    std::vector<Bytes> messages;
    for (const LinkShape& link : links) {
        messages.push_back(testing::LinkMessage(link));
    }
    return {testing::Concat(messages), testing::DoneMessage()};
}

// --- IsModemConnected: the counter source's snapshot of the tick ---

class SnapshotTest : public ::testing::Test {
protected:
    // A counter source over the queued dumps; Open takes the first.
    std::unique_ptr<LinuxCounterSource> Source(std::vector<std::string> names,
                                               std::deque<std::vector<Bytes>> dumps) {
        auto transport = std::make_unique<ReplayTransport>();
        transport->answers = std::move(dumps);
        return std::make_unique<LinuxCounterSource>(std::move(names), sysfs.path().string(),
                                                    std::move(transport));
    }
    static ConnectionControlEnvironment Isolated() {
        ConnectionControlEnvironment env;
        env.bus = BusChoice::None();
        env.pidDirs.clear();
        env.signalProcess = [](pid_t, const std::function<bool()>&, int) {
            return SignalResult::Failed;
        };
        env.links = std::make_unique<NetlinkLinkLister>(std::make_unique<ReplayTransport>());
        env.hostAddresses = [] { return std::vector<in_addr>{}; };
        return env;
    }

    ScratchDir sysfs{"trovik-sysfs-"};
};

TEST_F(SnapshotTest, PppLinksCountByDefault) {
    auto source = Source(
        {},
        {Dump({Shape(2, "eth0", ARPHRD_ETHER, true), Shape(7, "ppp0", ARPHRD_PPP, true)}),
         Dump({Shape(2, "eth0", ARPHRD_ETHER, true), Shape(7, "ppp0", ARPHRD_PPP, false)}),
         Dump({Shape(2, "eth0", ARPHRD_ETHER, true)}), Dump({Shape(8, "ppp1", ARPHRD_PPP, true)})});
    LinuxConnectionControl control(*source, Isolated());
    ASSERT_TRUE(source->Open());
    EXPECT_TRUE(control.IsModemConnected());
    source->Refresh();  // ppp0 down
    EXPECT_FALSE(control.IsModemConnected());
    source->Refresh();  // no PPP link at all, ethernet up
    EXPECT_FALSE(control.IsModemConnected());
    source->Refresh();  // a new call on another link
    EXPECT_TRUE(control.IsModemConnected());
}

TEST_F(SnapshotTest, NamedInterfacesReplaceThePppRule) {
    auto source =
        Source({"eth1"},
               {Dump({Shape(3, "eth1", ARPHRD_ETHER, true)}),
                Dump({Shape(3, "eth1", ARPHRD_ETHER, false), Shape(7, "ppp0", ARPHRD_PPP, true)})});
    LinuxConnectionControl control(*source, Isolated());
    ASSERT_TRUE(source->Open());
    EXPECT_TRUE(control.IsModemConnected());
    source->Refresh();  // the named link is down; an unnamed PPP link does not count
    EXPECT_FALSE(control.IsModemConnected());
}

TEST(NetlinkLinkListerTest, ListsEveryLinkAndAsksAgainWhenTheDumpWasInterrupted) {
    auto transport = std::make_unique<ReplayTransport>();
    ReplayTransport* dumps = transport.get();
    NetlinkLinkLister lister(std::move(transport));

    dumps->answers = {
        Dump({Shape(1, "lo", ARPHRD_LOOPBACK, true), Shape(7, "ppp0", ARPHRD_PPP, false)})};
    std::vector<LinkEntry> links;
    ASSERT_TRUE(lister.ListLinks(links));
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].index, 1);
    EXPECT_EQ(links[0].name, "lo");
    EXPECT_EQ(links[0].type, ARPHRD_LOOPBACK);
    EXPECT_TRUE(links[0].up);
    EXPECT_EQ(links[1].index, 7);
    EXPECT_EQ(links[1].name, "ppp0");
    EXPECT_EQ(links[1].type, ARPHRD_PPP);
    EXPECT_FALSE(links[1].up);

    // Links changed during the dump: the whole list is asked again.
    dumps->answers = {Dump({Shape(7, "ppp0", ARPHRD_PPP, true, NLM_F_MULTI | NLM_F_DUMP_INTR)}),
                      Dump({Shape(9, "ppp1", ARPHRD_PPP, true)})};
    ASSERT_TRUE(lister.ListLinks(links));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].name, "ppp1");

    // An error answer, or none at all, is no list.
    dumps->answers = {{testing::ErrorMessage(-ENOBUFS)}};
    EXPECT_FALSE(lister.ListLinks(links));
    EXPECT_FALSE(lister.ListLinks(links));
}

// --- HangUpModem and GetHostAddress ---

const LinkEntry kLo{1, ARPHRD_LOOPBACK, true, "lo"};
const LinkEntry kEth0{2, ARPHRD_ETHER, true, "eth0"};
const LinkEntry kPpp0{7, ARPHRD_PPP, true, "ppp0"};

// The kernel's links as the fakes let them change: `before` until a hang-up
// was made (through the fake NetworkManager or a signal), `after` from then
// on, unless the line is to stay.
struct LinkWorld {
    std::mutex mutex;
    std::vector<LinkEntry> before{kEth0, kPpp0};
    std::vector<LinkEntry> after{kEth0};
    std::atomic<bool> hungUp{false};
    std::atomic<bool> lineStays{false};
    std::atomic<int> lists{0};
};

class FakeLinks final : public LinkLister {
public:
    explicit FakeLinks(std::shared_ptr<LinkWorld> w) : world(std::move(w)) {}
    bool ListLinks(std::vector<LinkEntry>& out) override {
        std::lock_guard lock(world->mutex);
        ++world->lists;
        out = world->hungUp && !world->lineStays ? world->after : world->before;
        return true;
    }

private:
    std::shared_ptr<LinkWorld> world;
};

const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kDevicePath = QStringLiteral("/org/freedesktop/NetworkManager/Devices/3");
const QString kActivePath = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/12");

// NetworkManager's root, device and active-connection objects, as far as
// the hang-up asks them. Calls come in on this thread's event loop.
class FakeNetworkManager final : public QDBusVirtualObject {
public:
    QMap<QString, QString> devices;  // ip interface -> device path
    QString activeConnection = kActivePath;
    std::optional<unsigned> stateFlags = 0x0F;  // activated, layer 2 and IPv4 ready
    bool refuse = false;
    std::function<void()> onDeactivate;
    // Calls (a member, or the property that Get asks for) answered with an
    // error of this name, and calls never answered.
    QMap<QString, QString> failures;
    QStringList silent;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        const QList<QVariant> args = m.arguments();
        QString line = m.path() + QLatin1Char(' ') + m.member() + QLatin1Char('(') + m.signature() +
                       QLatin1Char(')');
        QDBusMessage reply;
        const QString key =
            m.member() == QStringLiteral("Get") ? args.value(1).toString() : m.member();
        if (silent.contains(key)) {
            log.Add(line + QStringLiteral(" (no answer)"));
            return true;
        }
        if (failures.contains(key)) {
            log.Add(line + QStringLiteral(" (error)"));
            connection.send(m.createErrorReply(failures.value(key), QStringLiteral("refused")));
            return true;
        }
        if (m.member() == QStringLiteral("GetDeviceByIpIface")) {
            const QString iface = args.value(0).toString();
            line += QLatin1Char(' ') + iface;
            reply = devices.contains(iface)
                        ? m.createReply(QVariant::fromValue(QDBusObjectPath(devices.value(iface))))
                        : m.createErrorReply(
                              QStringLiteral("org.freedesktop.NetworkManager.UnknownDevice"),
                              QStringLiteral("No device found for the requested iface."));
        } else if (m.member() == QStringLiteral("Get")) {
            const QString property = args.value(1).toString();
            line += QLatin1Char(' ') + args.value(0).toString() + QLatin1Char(' ') + property;
            if (m.path() == kDevicePath && property == QStringLiteral("ActiveConnection")) {
                reply = m.createReply(QVariant::fromValue(
                    QDBusVariant(QVariant::fromValue(QDBusObjectPath(activeConnection)))));
            } else if (m.path() == kActivePath && property == QStringLiteral("StateFlags") &&
                       stateFlags) {
                reply = m.createReply(QVariant::fromValue(QDBusVariant(QVariant(*stateFlags))));
            } else {
                reply = m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                           QStringLiteral("No such property"));
            }
        } else if (m.member() == QStringLiteral("DeactivateConnection")) {
            line += QLatin1Char(' ') + args.value(0).value<QDBusObjectPath>().path();
            if (refuse) {
                reply = m.createErrorReply(
                    QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied"),
                    QStringLiteral("Not authorized to deactivate connections"));
            } else {
                if (onDeactivate) {
                    onDeactivate();
                }
                reply = m.createReply();
            }
        } else {
            return false;
        }
        log.Add(line);
        connection.send(reply);
        return true;
    }

    QStringList Calls() const { return log.Calls(); }

private:
    CallLog log;
};

const QString kFind = QStringLiteral("/org/freedesktop/NetworkManager GetDeviceByIpIface(s) ppp0");
const QString kGetActive = QStringLiteral(
    "/org/freedesktop/NetworkManager/Devices/3 Get(ss) "
    "org.freedesktop.NetworkManager.Device ActiveConnection");
const QString kGetFlags = QStringLiteral(
    "/org/freedesktop/NetworkManager/ActiveConnection/12 Get(ss) "
    "org.freedesktop.NetworkManager.Connection.Active StateFlags");
const QString kDeactivate = QStringLiteral(
    "/org/freedesktop/NetworkManager DeactivateConnection(o) "
    "/org/freedesktop/NetworkManager/ActiveConnection/12");

class HangUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        nm.onDeactivate = [this] { world->hungUp = true; };
        WritePppd(4242, "pppd\n");
        WriteText(root.Path("run") / "ppp0.pid", "4242\n");
    }
    void TearDown() override {
        if (!nmConnection.isEmpty()) {
            QDBusConnection::disconnectFromBus(nmConnection);
        }
    }

    BusChoice StartBus() {
        bus.emplace();
        EXPECT_FALSE(bus->Address().isEmpty()) << "dbus-daemon did not start";
        return BusChoice::At(bus->Address());
    }
    // A private bus with the fake NetworkManager on it.
    BusChoice StartNetworkManager() {
        BusChoice choice = StartBus();
        nm.devices.insert(QStringLiteral("ppp0"), kDevicePath);
        QDBusConnection c = bus->Connect(nmConnection);
        EXPECT_TRUE(c.registerVirtualObject(kNmPath, &nm, QDBusConnection::SubPath));
        EXPECT_TRUE(c.registerService(QStringLiteral("org.freedesktop.NetworkManager")));
        return choice;
    }

    // A process as /proc shows it, started a minute ago.
    void WritePppd(pid_t pid, const std::string& comm) {
        const std::filesystem::path dir = root.Path("proc") / std::to_string(pid);
        WriteText(dir / "comm", comm);
        // Booted 1000 s ago; the start is field 22, in clock ticks since then.
        const auto ticks = static_cast<std::uint64_t>(940 * ::sysconf(_SC_CLK_TCK));
        WriteText(dir / "stat", std::to_string(pid) + " (" + comm.substr(0, comm.find('\n')) +
                                    ") S 1 2 3 0 -1 4194560 100 0 0 0 0 0 0 0 20 0 1 0 " +
                                    std::to_string(ticks) + " 1234 56\n");
        WriteText(root.Path("proc") / "stat", "cpu  1 2 3 4\ncpu0 1 2 3 4\nintr 5\nctxt 6\nbtime " +
                                                  std::to_string(::time(nullptr) - 1000) +
                                                  "\nprocesses 7\n");
    }

    ConnectionControlEnvironment Env(BusChoice choice) {
        ConnectionControlEnvironment env;
        env.bus = std::move(choice);
        env.pidDirs = {root.Path("run").string(), (root.Path("var") / "run").string()};
        env.procRoot = root.Path("proc").string();
        env.signalProcess = [this](pid_t pid, const std::function<bool()>& isTarget, int signal) {
            if (!isTarget()) {
                return SignalResult::NotTarget;
            }
            sent.emplace_back(pid, signal);
            if (signalResult != SignalResult::Failed) {
                world->hungUp = true;
            }
            return signalResult;
        };
        env.links = std::make_unique<FakeLinks>(world);
        env.hostAddresses = [this] { return hostAddresses; };
        env.hangUpWait = wait;
        env.pollInterval = 10ms;
        return env;
    }

    // A counter source that took the world's links as they are now.
    std::unique_ptr<LinuxCounterSource> Source(std::vector<std::string> names = {},
                                               ServiceLinkBoard* board = nullptr) {
        std::vector<Bytes> messages;
        for (const LinkEntry& link : world->before) {
            messages.push_back(
                testing::LinkMessage(Shape(link.index, link.name, link.type, link.up)));
        }
        auto transport = std::make_unique<ReplayTransport>();
        transport->answers = {{testing::Concat(messages), testing::DoneMessage()}};
        auto source = std::make_unique<LinuxCounterSource>(std::move(names), root.path().string(),
                                                           std::move(transport), nullptr, board);
        EXPECT_TRUE(source->Open());
        return source;
    }

    bool HangUp(BusChoice choice, std::vector<std::string> names = {}) {
        const auto source = Source(std::move(names));
        LinuxConnectionControl control(*source, Env(std::move(choice)));
        return RunPumping([&control] { return control.HangUpModem(); });
    }

    using Signals = std::vector<std::pair<pid_t, int>>;

    ScratchDir root{"trovik-hangup-"};
    std::optional<PrivateBus> bus;
    FakeNetworkManager nm;
    QString nmConnection;
    std::shared_ptr<LinkWorld> world = std::make_shared<LinkWorld>();
    Signals sent;
    SignalResult signalResult = SignalResult::Sent;
    std::chrono::milliseconds wait = 3s;
    std::vector<in_addr> hostAddresses;
};

TEST_F(HangUpTest, NetworkManagerDeactivatesTheLinesActiveConnection) {
    const BusChoice choice = StartNetworkManager();
    EXPECT_TRUE(HangUp(choice));
    EXPECT_EQ(nm.Calls(), (QStringList{kFind, kGetActive, kGetFlags, kDeactivate}));
    EXPECT_TRUE(sent.empty()) << "pppd is NetworkManager's to end";
}

// A metered link NetworkManager reports (a phone's hotspot) is hung up by
// deactivating its connection, never by a pid file of its name.
TEST_F(HangUpTest, AMeteredNetworkManagerLinkIsDeactivated) {
    const BusChoice choice = StartNetworkManager();
    nm.devices.insert(QStringLiteral("wlan0"), kDevicePath);
    const LinkEntry wlan{5, ARPHRD_ETHER, true, "wlan0"};
    world->before = {kEth0, wlan};
    world->after = {kEth0};
    nm.onDeactivate = [this] { world->hungUp = true; };
    WritePppd(2222, "pppd\n");
    WriteText(root.Path("run") / "wlan0.pid", "2222\n");
    ServiceLinkBoard board;
    ServiceLinks report;
    report.networkManager = true;
    ServiceLink* link = report.Entry("wlan0");
    link->byNetworkManager = link->metered = link->activated = true;
    board.Publish(report);
    const auto source = Source({}, &board);
    LinuxConnectionControl control(*source, Env(choice));
    EXPECT_TRUE(control.IsModemConnected());
    EXPECT_TRUE(RunPumping([&control] { return control.HangUpModem(); }));
    EXPECT_EQ(nm.Calls().size(), 4);
    EXPECT_TRUE(nm.Calls().constFirst().endsWith(QStringLiteral(" wlan0")));
    EXPECT_TRUE(sent.empty());
}

// A modem's link that NetworkManager does not drive is hung up by
// disconnecting its bearer through ModemManager.
TEST_F(HangUpTest, AModemLinkIsHungUpThroughItsBearer) {
    const BusChoice choice = StartBus();
    testing::FakeLinkServices mm;
    mm.Set({}, {testing::FakeModem{1u << 14, {testing::FakeBearer{QStringLiteral("wwan0")}}}});
    QString name;
    QDBusConnection c = bus->Connect(name);
    ASSERT_TRUE(mm.Register(c, false, true));
    world->before = {kEth0, LinkEntry{6, ARPHRD_NONE, true, "wwan0"}};
    ServiceLinkBoard board;
    board.Publish(RunPumping([&choice] { return AskLinkServices(choice, 2000); }));
    const auto source = Source({}, &board);
    LinuxConnectionControl control(*source, Env(choice));
    ASSERT_TRUE(control.IsModemConnected());
    EXPECT_TRUE(RunPumping([&control] { return control.HangUpModem(); }));
    EXPECT_EQ(mm.Disconnects(), 1);
    std::string unmanaged;
    EXPECT_FALSE(control.TakeUnmanagedLine(unmanaged));
}

TEST_F(HangUpTest, NetworkManagersRefusalIsFinal) {
    const BusChoice choice = StartNetworkManager();
    nm.refuse = true;
    EXPECT_FALSE(HangUp(choice));
    EXPECT_EQ(nm.Calls().size(), 4);
    EXPECT_TRUE(sent.empty());
}

TEST_F(HangUpTest, ALineThatStaysIsAFailureOnceTheWaitIsOver) {
    const BusChoice choice = StartNetworkManager();
    world->lineStays = true;
    wait = 300ms;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(HangUp(choice));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 3s);
    EXPECT_GT(world->lists.load(), 3) << "the links are looked at again while waiting";
    EXPECT_EQ(nm.Calls().size(), 4);
}

// A bus that takes the connection and says nothing (a socket nobody
// serves, a stopped daemon) may hold a NetworkManager: the hang-up is
// refused within its wait, and the pppd is not signalled behind its back.
TEST_F(HangUpTest, AStalledBusRefusesTheHangUpInTime) {
    wait = 5s;
    const testing::SilentSocket silent(root.Path("silent"));
    ASSERT_FALSE(silent.Address().isEmpty());
    testing::PrivateBus stopped;
    ASSERT_FALSE(stopped.Address().isEmpty());
    ASSERT_TRUE(stopped.Freeze());
    for (const QString& address : {silent.Address(), stopped.Address()}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(HangUp(BusChoice::At(address))) << address.toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << address.toStdString();
        EXPECT_TRUE(sent.empty()) << address.toStdString();
    }
}

TEST_F(HangUpTest, LinesNetworkManagerDoesNotOwnAreLeftToTheirPppd) {
    // Not running at all: the bus has no NetworkManager.
    EXPECT_TRUE(HangUp(StartBus()));
    EXPECT_EQ(sent, (Signals{{4242, SIGTERM}}));

    const BusChoice choice = StartNetworkManager();
    struct Case {
        const char* what;
        std::function<void()> set;
        QStringList calls;
    };
    const Case cases[] = {
        {"unknown device", [this] { nm.devices.clear(); }, {kFind}},
        {"no active connection",
         [this] { nm.activeConnection = QStringLiteral("/"); },
         {kFind, kGetActive}},
        {"external connection (pppd started by hand)",
         [this] { nm.stateFlags = 0x80 | 0x0F; },
         {kFind, kGetActive, kGetFlags}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nm.devices.insert(QStringLiteral("ppp0"), kDevicePath);
        nm.activeConnection = kActivePath;
        nm.stateFlags = 0x0F;
        c.set();
        const QStringList before = nm.Calls();
        world->hungUp = false;
        sent.clear();
        EXPECT_TRUE(HangUp(choice));
        EXPECT_EQ(nm.Calls().mid(before.size()), c.calls);
        EXPECT_EQ(sent, (Signals{{4242, SIGTERM}}));
    }
}

TEST_F(HangUpTest, AnyOtherAnswerOfNetworkManagersRefusesTheHangUp) {
    const BusChoice choice = StartNetworkManager();
    const QString denied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
    struct Case {
        const char* what;
        std::function<void()> set;
    };
    const Case cases[] = {
        {"device look-up denied",
         [&] { nm.failures.insert(QStringLiteral("GetDeviceByIpIface"), denied); }},
        {"device look-up never answered",
         [&] { nm.silent << QStringLiteral("GetDeviceByIpIface"); }},
        {"active connection denied",
         [&] { nm.failures.insert(QStringLiteral("ActiveConnection"), denied); }},
        {"state flags never answered", [&] { nm.silent << QStringLiteral("StateFlags"); }},
    };
    wait = 400ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nm.failures.clear();
        nm.silent.clear();
        c.set();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(HangUp(choice));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_TRUE(sent.empty()) << "NetworkManager's pppd is never signalled";
        EXPECT_FALSE(nm.Calls().join(QLatin1Char('\n')).contains(QStringLiteral("Deactivate")));
    }

    // An older daemon without StateFlags still hangs up its own connection.
    nm.failures.clear();
    nm.silent.clear();
    nm.stateFlags.reset();
    wait = 3s;
    EXPECT_TRUE(HangUp(choice));
    EXPECT_TRUE(nm.Calls().endsWith(kDeactivate));
    EXPECT_TRUE(sent.empty());
}

TEST_F(HangUpTest, APidFileOlderThanItsProcessNamesAnotherOne) {
    // The pppd with pid 4242 started a minute ago; the file is an hour old.
    const auto file = root.Path("run") / "ppp0.pid";
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - 1h);
    EXPECT_FALSE(HangUp(BusChoice::None()));
    EXPECT_TRUE(sent.empty());

    // Written after it started: its own.
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now());
    EXPECT_TRUE(HangUp(BusChoice::None()));
    EXPECT_EQ(sent, (Signals{{4242, SIGTERM}}));

    // Without its start time it proves nothing.
    std::filesystem::remove(root.Path("proc") / "4242" / "stat");
    sent.clear();
    world->hungUp = false;
    EXPECT_FALSE(HangUp(BusChoice::None()));
    EXPECT_TRUE(sent.empty());
}

TEST_F(HangUpTest, PppdIsFoundByInterfaceOrLinkNamePidFile) {
    std::filesystem::remove(root.Path("run") / "ppp0.pid");
    // pppd's `linkname` file: the pid, then the interface. One naming
    // another interface is not this line's.
    WritePppd(5151, "pppd\n");
    WritePppd(6161, "pppd\n");
    WriteText(root.Path("var") / "run" / "ppp-other.pid", "6161\nppp1\n");
    WriteText(root.Path("var") / "run" / "ppp-provider.pid", "5151\nppp0\n");
    EXPECT_TRUE(HangUp(BusChoice::None()));
    EXPECT_EQ(sent, (Signals{{5151, SIGTERM}}));

    // Without any pid file nothing can be done.
    std::filesystem::remove_all(root.Path("var"));
    sent.clear();
    world->hungUp = false;
    EXPECT_FALSE(HangUp(BusChoice::None()));
    EXPECT_TRUE(sent.empty());
}

TEST_F(HangUpTest, OnlyAProvenPppdIsEverSignalled) {
    struct Case {
        const char* pidFile;
        const char* comm;  // of /proc/<4242>/comm; null: no such process
    };
    const Case cases[] = {
        {"4242\n", "bash\n"},                              // the pid was reused
        {"4242\n", "pppd-helper\n"}, {"4242\n", nullptr},  // the process is gone
        {"1\n", "pppd\n"},                                 // init, or kill(1)...
        {"0\n", "pppd\n"},                                 // ...a process group
        {"-1\n", "pppd\n"},                                // ...or every process
        {"42x\n", "pppd\n"},         {"\n", "pppd\n"},    {"99999999999999999999\n", "pppd\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pidFile);
        std::filesystem::remove_all(root.Path("proc"));
        for (const char* pid : {"4242", "1", "0", "-1", "42"}) {
            if (c.comm != nullptr) {
                WriteText(root.Path("proc") / pid / "comm", c.comm);
            }
        }
        WriteText(root.Path("run") / "ppp0.pid", c.pidFile);
        EXPECT_FALSE(HangUp(BusChoice::None()));
        EXPECT_TRUE(sent.empty());
    }
}

TEST_F(HangUpTest, SignalThatCannotBeSentIsAFailure) {
    signalResult = SignalResult::Failed;  // a pppd of root's, started by another user
    EXPECT_FALSE(HangUp(BusChoice::None()));
    EXPECT_EQ(sent, (Signals{{4242, SIGTERM}}));

    // Gone before the signal came: the wait sees the line go.
    signalResult = SignalResult::Gone;
    sent.clear();
    EXPECT_TRUE(HangUp(BusChoice::None()));
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(HangUpTest, WithoutALineNothingIsTouched) {
    const BusChoice choice = StartNetworkManager();
    world->before = {kLo, kEth0, LinkEntry{7, ARPHRD_PPP, false, "ppp0"}};
    EXPECT_FALSE(HangUp(choice));
    EXPECT_TRUE(nm.Calls().isEmpty());
    EXPECT_TRUE(sent.empty());
}

TEST_F(HangUpTest, TheFirstCountedLineInTheKernelsOrderIsHungUp) {
    world->before = {kEth0, LinkEntry{4, ARPHRD_PPP, true, "ppp3"}, kPpp0};
    world->after = {kEth0, kPpp0};
    WritePppd(3333, "pppd\n");
    WriteText(root.Path("run") / "ppp3.pid", "3333\n");
    EXPECT_TRUE(HangUp(BusChoice::None()));
    EXPECT_EQ(sent, (Signals{{3333, SIGTERM}}));

    // With named interfaces the PPP rule gives way to the names; a named
    // link that is not PPP and that no service manages is left alone, even
    // with a pid file of its name, and the meter is told so once.
    world->before = {kEth0, kPpp0};
    world->hungUp = false;
    sent.clear();
    WritePppd(2222, "pppd\n");
    WriteText(root.Path("run") / "eth0.pid", "2222\n");
    const auto source = Source({"eth0"});
    LinuxConnectionControl control(*source, Env(BusChoice::None()));
    EXPECT_FALSE(control.HangUpModem());
    EXPECT_TRUE(sent.empty());
    std::string name;
    EXPECT_TRUE(control.TakeUnmanagedLine(name));
    EXPECT_EQ(name, "eth0");
    EXPECT_FALSE(control.TakeUnmanagedLine(name));
}

in_addr Address(const char* dotted) {
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a;
}

TEST_F(HangUpTest, HostAddressIsTheLinesThenTheHostNamesUnlessLoopback) {
    std::string text = "left over";
    {
        // The line's own address, here loopback's, which this machine has.
        world->before = {kLo, kEth0};
        const auto source = Source({"lo"});
        LinuxConnectionControl control(*source, Env(BusChoice::None()));
        EXPECT_TRUE(control.GetHostAddress(text));
        EXPECT_EQ(text, " 127.0.0.1");
    }
    {
        // A line without an IPv4 address, and no line: the host name's
        // first address that is not loopback.
        world->before = {kLo, LinkEntry{99, ARPHRD_PPP, true, "tvkppp9"}};
        const auto source = Source();
        LinuxConnectionControl control(*source, Env(BusChoice::None()));
        hostAddresses = {Address("127.0.1.1"), Address("198.51.100.23"), Address("192.0.2.9")};
        EXPECT_TRUE(control.GetHostAddress(text));
        EXPECT_EQ(text, " 198.51.100.23");

        world->before = {kLo};
        hostAddresses = {Address("127.0.1.1"), Address("0.0.0.0")};
        text = "left over";
        EXPECT_FALSE(control.GetHostAddress(text));
        EXPECT_EQ(text, " Unknown");
        hostAddresses.clear();
        EXPECT_FALSE(control.GetHostAddress(text));
        EXPECT_EQ(text, " Unknown");
    }
}

// The real /proc and signaller, on a child of the test's own that runs under
// the name pppd (a copy of sleep).
TEST_F(HangUpTest, ARealPppdOfTheTestsOwnIsFoundAndSignalled) {
    const std::filesystem::path pppd = root.Path("bin") / "pppd";
    std::filesystem::create_directories(pppd.parent_path());
    ASSERT_TRUE(std::filesystem::copy_file("/bin/sleep", pppd));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl(pppd.c_str(), "pppd", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string comm = "/proc/" + std::to_string(child) + "/comm";
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (testing::ReadText(comm) != "pppd\n" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(testing::ReadText(comm), "pppd\n");

    const auto pidFile = root.Path("run") / "ppp0.pid";
    const auto hangUp = [this] {
        ConnectionControlEnvironment env = Env(BusChoice::None());
        env.procRoot = "/proc";
        env.signalProcess = nullptr;
        env.hangUpWait = 100ms;  // the fake links never see the line go
        const auto source = Source();
        LinuxConnectionControl control(*source, std::move(env));
        control.HangUpModem();
    };
    int status = 0;
    // A file older than the process names another one.
    WriteText(pidFile, std::to_string(child) + "\n");
    std::filesystem::last_write_time(pidFile, std::filesystem::file_time_type::clock::now() - 1h);
    hangUp();
    EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "still running";

    WriteText(pidFile, std::to_string(child) + "\n");
    hangUp();
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

// The real signaller, on a child process of the test's own.
TEST(SignalCheckedProcessTest, SignalsOnlyTheCheckedProcessThroughItsHandle) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (;;) {
            ::pause();
        }
    }
    int status = 0;
    EXPECT_EQ(SignalCheckedProcess(
                  child, [] { return false; }, SIGTERM),
              SignalResult::NotTarget);
    EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "refused by the check: still running";

    EXPECT_EQ(SignalCheckedProcess(
                  child, [] { return true; }, SIGTERM),
              SignalResult::Sent);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);

    // Ended and reaped: there is nothing to hold.
    EXPECT_EQ(SignalCheckedProcess(
                  child, [] { return true; }, SIGTERM),
              SignalResult::Gone);

    // Ended while it was being checked: the signal is not passed on to
    // whatever has the pid now.
    const pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        for (;;) {
            ::pause();
        }
    }
    const auto endMeanwhile = [second] {
        int ignored = 0;
        ::kill(second, SIGKILL);
        ::waitpid(second, &ignored, 0);
        return true;
    };
    EXPECT_EQ(SignalCheckedProcess(second, endMeanwhile, SIGTERM), SignalResult::Gone);
    EXPECT_EQ(SignalCheckedProcess(
                  0, [] { return true; }, 0),
              SignalResult::NotTarget);
    EXPECT_EQ(SignalCheckedProcess(
                  1, [] { return true; }, 0),
              SignalResult::NotTarget);
}

}  // namespace
}  // namespace trovik
