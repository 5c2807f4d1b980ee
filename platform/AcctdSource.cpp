#include "platform/AcctdSource.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <utility>

#include "acctd/AcctdProtocol.h"
#include "stats/AppUsageDb.h"

namespace trovik {
namespace {

QDBusMessage AcctdCall(const char* member) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kAcctdService), QString::fromLatin1(kAcctdPath),
        QString::fromLatin1(kAcctdInterface), QString::fromLatin1(member));
    // A helper that is installed and off stays off: only the settings start it.
    call.setAutoStartService(false);
    return call;
}

}  // namespace

bool AskAcctdCounts(BusConnection& connection, int timeoutMs, std::vector<AcctdCount>& out) {
    out.clear();
    const QDBusMessage reply = connection.Call(AcctdCall("Counts"), timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().constFirst().userType() != qMetaTypeId<QDBusArgument>()) {
        return false;
    }
    const auto counts = reply.arguments().constFirst().value<QDBusArgument>();
    if (counts.currentSignature() != QStringLiteral("a(tuutt)")) {
        return false;
    }
    counts.beginArray();
    while (!counts.atEnd()) {
        qulonglong cgroup = 0;
        uint ifindex = 0;
        uint direction = 0;
        qulonglong bytes = 0;
        qulonglong packets = 0;
        counts.beginStructure();
        counts >> cgroup >> ifindex >> direction >> bytes >> packets;
        counts.endStructure();
        out.push_back(AcctdCount{cgroup, ifindex, direction, bytes, packets});
    }
    counts.endArray();
    return true;
}

bool AcctdAnswers(const BusChoice& bus, int timeoutMs) {
    if (bus.IsNone()) {
        return false;
    }
    BusConnection connection(bus);
    const QVariant version = SingleReplyValue(connection.Call(AcctdCall("Version"), timeoutMs));
    return version.userType() == QMetaType::UInt && version.toUInt() == kAcctdVersion;
}

AcctdSource::AcctdSource(const CountedLinkBoard& counted, std::unique_ptr<AppNamer> names,
                         BusChoice choice)
    : board(counted),
      namer(std::move(names)),
      bus(std::move(choice)),
      rounds([this] { (void)RunRound(); }, [this] { Forget(); },
             [this] { connection.reset(); }) {  // on the thread that made it
    totals.reserve(kEntries);
    nextTotals.reserve(kEntries);
}

AcctdSource::~AcctdSource() {
    rounds.Stop();
}

void AcctdSource::Enable(bool on) {
    rounds.Enable(on);
}

void AcctdSource::Forget() {
    totals.clear();
    baseline = true;
    answering = false;
    connection.reset();
    const std::lock_guard book(bookMutex);
    appCount = 0;
}

bool AcctdSource::RunRound() {
    if (bus.IsNone()) {
        return false;
    }
    if (connection == nullptr) {
        connection = std::make_unique<BusConnection>(bus);
    }
    if (!AskAcctdCounts(*connection, kCallTimeoutMs, answer)) {
        // A bus that went away is met afresh next time; a helper that went
        // away may come back having started again: its totals count from
        // then.
        if (!connection->IsConnected()) {
            connection.reset();
        }
        baseline = true;
        answering = false;
        return false;
    }
    CountedLinkBoard::Indexes counted{};
    const std::size_t countedSize = board.Read(counted);
    Book(counted, countedSize);
    answering = true;
    return true;
}

void AcctdSource::Book(const CountedLinkBoard::Indexes& counted, std::size_t countedSize) {
    for (const AcctdCount& c : answer) {
        const auto last = totals.find(AcctdKey{c.cgroupId, c.ifindex, c.direction});
        if (last != totals.end() && c.bytes < last->second) {
            baseline = true;  // the helper started again
            break;
        }
    }
    const auto isCounted = [&](std::uint32_t ifindex) {
        return std::find(counted.begin(),
                         counted.begin() + static_cast<std::ptrdiff_t>(countedSize),
                         static_cast<std::int32_t>(ifindex)) !=
               counted.begin() + static_cast<std::ptrdiff_t>(countedSize);
    };
    nextTotals.clear();
    increases.clear();
    for (const AcctdCount& c : answer) {
        if (nextTotals.size() == kEntries) {
            break;
        }
        const AcctdKey key{c.cgroupId, c.ifindex, c.direction};
        const auto last = totals.find(key);
        const std::uint64_t from = baseline ? c.bytes : last != totals.end() ? last->second : 0;
        nextTotals.insert_or_assign(key, c.bytes);
        if (c.cgroupId == 0 || c.bytes <= from || !isCounted(c.ifindex) ||
            (c.direction != kAcctdReceived && c.direction != kAcctdSent)) {
            continue;
        }
        auto entry = std::find_if(increases.begin(), increases.end(),
                                  [&](const CgroupBytes& b) { return b.cgroupId == c.cgroupId; });
        if (entry == increases.end()) {
            entry = increases.insert(increases.end(), CgroupBytes{c.cgroupId, 0, 0});
        }
        (c.direction == kAcctdReceived ? entry->received : entry->sent) += c.bytes - from;
    }
    totals.swap(nextTotals);
    baseline = false;
    if (increases.empty()) {
        return;
    }
    // Named before the lock is taken: naming reads the cgroups' files.
    namer->BeginRound();
    std::vector<AppBytes> named(increases.size());
    for (std::size_t i = 0; i < increases.size(); ++i) {
        namer->NameCgroup(increases[i].cgroupId, named[i]);
        named[i].received = increases[i].received;
        named[i].sent = increases[i].sent;
    }
    const std::lock_guard book(bookMutex);
    for (const AppBytes& app : named) {
        Add(app);
    }
}

void AcctdSource::Add(const AppBytes& app) {
    std::string_view key = AppText(app.key);
    for (std::size_t i = 0; i < appCount; ++i) {
        if (AppText(apps[i].key) == key) {
            apps[i].received += app.received;
            apps[i].sent += app.sent;
            return;
        }
    }
    if (appCount < kApps - 1 || (appCount == kApps - 1 && key == kOtherAppKey)) {
        apps[appCount++] = app;
        return;
    }
    // The last place belongs to the other applications.
    for (std::size_t i = 0; i < appCount; ++i) {
        if (AppText(apps[i].key) == kOtherAppKey) {
            apps[i].received += app.received;
            apps[i].sent += app.sent;
            return;
        }
    }
    AppBytes& other = apps[appCount++];
    other = AppBytes{};
    CopyAppText(other.key, kOtherAppKey);
    CopyAppText(other.name, kOtherAppName);
    other.received = app.received;
    other.sent = app.sent;
}

std::size_t AcctdSource::TakeAttributed(std::span<AppBytes> out) {
    const std::unique_lock book(bookMutex, std::try_to_lock);
    if (!book.owns_lock()) {
        return 0;
    }
    const std::size_t n = std::min(out.size(), appCount);
    std::copy_n(apps.begin(), n, out.begin());
    // What did not fit moves to the front, for the next take.
    std::copy(apps.begin() + static_cast<std::ptrdiff_t>(n),
              apps.begin() + static_cast<std::ptrdiff_t>(appCount), apps.begin());
    appCount -= n;
    return n;
}

bool AcctdSource::DropAttributed() {
    const std::unique_lock book(bookMutex, std::try_to_lock);
    if (!book.owns_lock()) {
        return false;
    }
    appCount = 0;
    return true;
}

}  // namespace trovik
