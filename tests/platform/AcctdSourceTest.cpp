// The usage per application from the accounting helper, served by a fake
// helper on a private bus: increases per cgroup named as applications, only
// the counted links, a new baseline when the helper starts again or comes
// back, and the choice between the helper and the socket watch.

#include "platform/AcctdSource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "acctd/AcctdProtocol.h"
#include "platform/AppUsageSources.h"
#include "tests/platform/PrivateBus.h"

struct FakeAcctdCount {
    qulonglong cgroup = 0;
    uint ifindex = 0;
    uint direction = 0;
    qulonglong bytes = 0;
    qulonglong packets = 0;
};
Q_DECLARE_METATYPE(FakeAcctdCount)

QDBusArgument& operator<<(QDBusArgument& out, const FakeAcctdCount& c) {
    out.beginStructure();
    out << c.cgroup << c.ifindex << c.direction << c.bytes << c.packets;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, FakeAcctdCount& c) {
    in.beginStructure();
    in >> c.cgroup >> c.ifindex >> c.direction >> c.bytes >> c.packets;
    in.endStructure();
    return in;
}

namespace trovik {
namespace {

using testing::PrivateBus;
using testing::PumpUntil;
using testing::RunPumping;
using testing::ScratchDir;
using testing::WriteText;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The helper's Counts() and Version(), answering what the test set.
class FakeAcctd final : public QDBusVirtualObject {
public:
    FakeAcctd() {
        qDBusRegisterMetaType<FakeAcctdCount>();
        qDBusRegisterMetaType<QList<FakeAcctdCount>>();
    }

    void Set(QList<FakeAcctdCount> c) {
        QMutexLocker lock(&mutex);
        counts = std::move(c);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        QMutexLocker lock(&mutex);
        if (m.interface() != QString::fromLatin1(kAcctdInterface)) {
            return false;
        }
        if (m.member() == QStringLiteral("Counts")) {
            connection.send(m.createReply(QVariant::fromValue(counts)));
        } else if (m.member() == QStringLiteral("Version")) {
            connection.send(m.createReply(QVariant::fromValue(uint{kAcctdVersion})));
        } else {
            return false;
        }
        return true;
    }

private:
    QMutex mutex;
    QList<FakeAcctdCount> counts;
};

std::uint64_t InodeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

constexpr uint kLine = 3;   // the counted link
constexpr uint kOther = 4;  // a link not counted
constexpr uint kIn = kAcctdReceived;
constexpr uint kOut = kAcctdSent;

using Taken = std::map<std::string, std::tuple<std::string, std::uint64_t, std::uint64_t>>;

Taken Take(AppUsageSource& source) {
    std::array<AppBytes, 16> out{};
    Taken taken;
    const std::size_t n = source.TakeAttributed(out);
    for (std::size_t i = 0; i < n; ++i) {
        taken[std::string(AppText(out[i].key))] = {std::string(AppText(out[i].name)),
                                                   out[i].received, out[i].sent};
    }
    return taken;
}

class AcctdSourceTest : public ::testing::Test {
protected:
    AcctdSourceTest() {
        // A desktop application's scope, a session whose processes all run
        // curl, a service of two programs and a scope with no process left.
        const fs::path cgroups = scratch.Path("cgroup");
        const fs::path user = cgroups / "user.slice/user-1000.slice";
        editor = MakeCgroup(user / "app.slice/app-gnome-editor-123.scope");
        session = MakeCgroup(user / "session-2.scope", "200\n201\n");
        service = MakeCgroup(user / "app.slice/tools.service", "300\n301\n");
        empty = MakeCgroup(user / "app.slice/gone.scope");
        const fs::path proc = scratch.Path("proc");
        for (const auto& [pid, exe] : {std::pair{"200", "/usr/bin/curl"},
                                       {"201", "/usr/bin/curl"},
                                       {"300", "/usr/bin/a"},
                                       {"301", "/usr/bin/b"}}) {
            fs::create_directories(proc / pid);
            fs::create_symlink(exe, proc / pid / "exe");
        }
        WriteText(scratch.Path("apps/editor.desktop"),
                  "[Desktop Entry]\nName=Editor\nIcon=editor\n");
        CountedLinkBoard::Indexes counted{};
        counted[0] = kLine;
        board.Publish(counted, 1);

        EXPECT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
        connection = bus.Connect(connectionName);
        EXPECT_TRUE(connection.registerVirtualObject(QString::fromLatin1(kAcctdPath), &fake));
        Serve(true);
    }
    ~AcctdSourceTest() override { QDBusConnection::disconnectFromBus(connectionName); }

    std::uint64_t MakeCgroup(const fs::path& dir, std::string_view procs = "") {
        WriteText(dir / "cgroup.procs", procs);
        return InodeOf(dir);
    }

    std::unique_ptr<AcctdSource> MakeSource() {
        return std::make_unique<AcctdSource>(
            board,
            std::make_unique<AppNamer>(scratch.Path("cgroup").string(),
                                       scratch.Path("proc").string(),
                                       std::vector<std::string>{scratch.Path("apps").string()}),
            BusChoice::At(bus.Address()));
    }

    // The helper comes (takes its name) or goes.
    void Serve(bool on) {
        const QString name = QString::fromLatin1(kAcctdService);
        EXPECT_TRUE(on ? connection.registerService(name) : connection.unregisterService(name));
    }

    static bool Round(AcctdSource& source) {
        return RunPumping([&source] { return source.RunRound(); });
    }

    ScratchDir scratch{"trovik-acctd-"};
    CountedLinkBoard board;
    std::uint64_t editor = 0;
    std::uint64_t session = 0;
    std::uint64_t service = 0;
    std::uint64_t empty = 0;
    PrivateBus bus;
    QString connectionName;
    QDBusConnection connection{QString()};
    FakeAcctd fake;
};

TEST_F(AcctdSourceTest, IncreasesOnTheCountedLinkGoToTheCgroupsApplications) {
    const auto source = MakeSource();
    fake.Set({{editor, kLine, kIn, 10000, 10},
              {editor, kLine, kOut, 2000, 5},
              {editor, kOther, kIn, 50000, 40},
              {0, kLine, kIn, 9000, 9},
              {session, kLine, kIn, 700, 1}});
    ASSERT_TRUE(Round(*source));
    EXPECT_TRUE(source->Answering());
    EXPECT_TRUE(Take(*source).empty()) << "the first answer is a baseline";

    // The editor 1000 down and 200 up on the line (its 5000 on the other
    // link and the kernel's own 7000 are no application's); curl 300; the
    // service's and the empty scope's totals are new since the last answer
    // and count whole.
    fake.Set({{editor, kLine, kIn, 11000, 11},
              {editor, kLine, kOut, 2200, 6},
              {editor, kOther, kIn, 55000, 44},
              {0, kLine, kIn, 16000, 16},
              {session, kLine, kIn, 1000, 2},
              {service, kLine, kOut, 50, 1},
              {empty, kLine, kIn, 40, 1}});
    ASSERT_TRUE(Round(*source));
    const Taken expected = {
        {"desktop:editor", {"Editor", 1000, 200}},
        {"exe:curl", {"curl", 300, 0}},
        {"unit:tools.service", {"tools.service", 0, 50}},
        {"unit:gone.scope", {"gone.scope", 40, 0}},
    };
    EXPECT_EQ(Take(*source), expected);
    EXPECT_TRUE(Take(*source).empty()) << "taken once";

    // A take with room for fewer leaves the rest for the next.
    fake.Set({{editor, kLine, kIn, 11100, 12}, {session, kLine, kIn, 1010, 3}});
    ASSERT_TRUE(Round(*source));
    std::array<AppBytes, 1> one{};
    ASSERT_EQ(source->TakeAttributed(one), 1u);
    EXPECT_EQ(AppText(one[0].key), "desktop:editor");
    EXPECT_EQ(one[0].received, 100u);
    ASSERT_EQ(source->TakeAttributed(one), 1u);
    EXPECT_EQ(AppText(one[0].key), "exe:curl");
    EXPECT_EQ(one[0].received, 10u);
}

TEST_F(AcctdSourceTest, CountsAfreshWhenTheHelperStartsAgainOrComesBack) {
    const auto source = MakeSource();
    fake.Set({{editor, kLine, kIn, 10000, 10}, {session, kLine, kIn, 5000, 5}});
    ASSERT_TRUE(Round(*source));

    // Started again between two calls: its totals fell, and the whole
    // answer counts from then (curl's 6000 is no increase since 5000).
    fake.Set({{editor, kLine, kIn, 300, 1}, {session, kLine, kIn, 6000, 6}});
    ASSERT_TRUE(Round(*source));
    EXPECT_TRUE(Take(*source).empty());
    fake.Set({{editor, kLine, kIn, 500, 2}, {session, kLine, kIn, 6100, 7}});
    ASSERT_TRUE(Round(*source));
    EXPECT_EQ(Take(*source),
              (Taken{{"desktop:editor", {"Editor", 200, 0}}, {"exe:curl", {"curl", 100, 0}}}));

    // Gone: no answer. Back with totals above the last ones: what it counted
    // meanwhile is not known to be since then, so it counts from now.
    Serve(false);
    EXPECT_FALSE(Round(*source));
    EXPECT_FALSE(source->Answering());
    Serve(true);
    fake.Set({{editor, kLine, kIn, 900, 3}, {session, kLine, kIn, 6200, 8}});
    ASSERT_TRUE(Round(*source));
    EXPECT_TRUE(source->Answering());
    EXPECT_TRUE(Take(*source).empty());
    fake.Set({{editor, kLine, kIn, 950, 4}, {session, kLine, kIn, 6200, 8}});
    ASSERT_TRUE(Round(*source));
    EXPECT_EQ(Take(*source), (Taken{{"desktop:editor", {"Editor", 50, 0}}}));

    EXPECT_TRUE(RunPumping([this] { return AcctdAnswers(BusChoice::At(bus.Address()), 2000); }));
    Serve(false);
    EXPECT_FALSE(RunPumping([this] { return AcctdAnswers(BusChoice::At(bus.Address()), 2000); }));
}

// The socket watch's stand-in: hands out what the test sets while enabled.
class FakeWatch final : public AppUsageSource {
public:
    void Enable(bool on) override {
        enabled = on;
        switches.push_back(on);
    }
    std::size_t TakeAttributed(std::span<AppBytes> out) override {
        if (!enabled || pending == 0 || out.empty()) {
            return 0;
        }
        out[0] = AppBytes{};
        CopyAppText(out[0].key, "exe:watched");
        CopyAppText(out[0].name, "watched");
        out[0].received = pending;
        pending = 0;
        return 1;
    }

    bool enabled = false;
    std::uint64_t pending = 0;
    std::vector<bool> switches;
};

TEST_F(AcctdSourceTest, TakesFromTheHelperWhileItAnswersElseFromTheWatch) {
    Serve(false);
    auto exactOwned = MakeSource();
    AcctdSource& exact = *exactOwned;
    auto watchOwned = std::make_unique<FakeWatch>();
    FakeWatch& watch = *watchOwned;
    AppUsageSources sources(std::move(exactOwned), std::move(watchOwned));
    fake.Set({{editor, kLine, kIn, 1000, 1}});

    sources.Enable(true);
    EXPECT_EQ(watch.switches, std::vector<bool>{true});
    watch.pending = 70;
    EXPECT_EQ(Take(sources), (Taken{{"exe:watched", {"watched", 70, 0}}}));
    EXPECT_EQ(sources.Kind(), AppUsageKind::TcpOnly);

    // The helper comes: the watch stops (forgetting its sockets) and
    // nothing it had is taken; the helper counts from its first answer.
    Serve(true);
    ASSERT_TRUE(PumpUntil([&exact] { return exact.Answering(); }, 5s));
    watch.pending = 30;
    EXPECT_TRUE(Take(sources).empty());
    EXPECT_EQ(sources.Kind(), AppUsageKind::Exact);
    EXPECT_EQ(watch.switches, (std::vector<bool>{true, false}));
    fake.Set({{editor, kLine, kIn, 1600, 2}});
    Taken taken;
    ASSERT_TRUE(PumpUntil(
        [&] {
            taken = Take(sources);
            return !taken.empty();
        },
        5s));
    EXPECT_EQ(taken, (Taken{{"desktop:editor", {"Editor", 600, 0}}}));

    // The helper goes: back to the watch, which starts afresh.
    Serve(false);
    ASSERT_TRUE(PumpUntil([&exact] { return !exact.Answering(); }, 5s));
    EXPECT_TRUE(Take(sources).empty());
    EXPECT_EQ(sources.Kind(), AppUsageKind::TcpOnly);
    EXPECT_EQ(watch.switches, (std::vector<bool>{true, false, true}));
    watch.pending = 5;
    EXPECT_EQ(Take(sources), (Taken{{"exe:watched", {"watched", 5, 0}}}));

    sources.Enable(false);
    EXPECT_FALSE(watch.enabled);
}

}  // namespace
}  // namespace trovik
