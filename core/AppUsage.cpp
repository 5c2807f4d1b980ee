#include "core/AppUsage.h"

#include <algorithm>

namespace trovik {

AppUsageLedger::AppUsageLedger(AppUsageSource& apps) : source(apps) {}

AppUsageLedger::~AppUsageLedger() {
    Stop();
}

bool AppUsageLedger::Start(bool on, const std::string& path, std::uint64_t linkRecv,
                           std::uint64_t linkSent) {
    lastRecv = linkRecv;
    lastSent = linkSent;
    secondsSinceWrite = 0;
    source.Enable(on);
    if (!on) {
        Stop();
        enabled = false;
        failing = false;
        pending = Batch{};
        const std::lock_guard lock(mutex);
        handed = Batch{};
        unwritten.clear();
        return false;
    }
    enabled = true;
    bool opened = false;
    {
        const std::lock_guard lock(mutex);
        dbPath = path;
        opened = OpenRecord();
        stopping = false;
    }
    if (!writer.joinable()) {
        writer = std::thread([this] { Writer(); });
    }
    failing = !opened;
    return !opened && Fail();
}

bool AppUsageLedger::OpenRecord() {
    if (db != nullptr) {
        return true;
    }
    auto opened = std::make_unique<AppUsageDb>();
    if (opened->Open(dbPath, false) != AppUsageDb::OpenResult::Open) {
        return false;
    }
    db = std::move(opened);
    return true;
}

bool AppUsageLedger::Fail() {
    if (reported) {
        return false;
    }
    reported = true;
    return true;
}

void AppUsageLedger::Batch::AddLink(std::uint32_t day, std::uint64_t received, std::uint64_t sent) {
    const auto begin = days.begin();
    auto it = std::find_if(begin, begin + static_cast<std::ptrdiff_t>(dayCount),
                           [day](const PendingDay& d) { return d.day == day; });
    if (it == begin + static_cast<std::ptrdiff_t>(dayCount)) {
        if (dayCount == days.size()) {
            // Days are handed over each minute; only a writer that is stuck
            // fills the table, and then the newest day takes it on.
            it = begin + static_cast<std::ptrdiff_t>(dayCount - 1);
        } else {
            ++dayCount;
            *it = PendingDay{day, 0, 0};
        }
    }
    it->received += received;
    it->sent += sent;
}

void AppUsageLedger::Batch::AddApp(std::uint32_t day, const AppBytes& bytes) {
    const std::string_view key = AppText(bytes.key);
    PendingApp* slot = nullptr;
    PendingApp* other = nullptr;
    for (std::size_t i = 0; i < appCount; ++i) {
        PendingApp& p = apps[i];
        if (p.day == day && AppText(p.app.key) == key) {
            slot = &p;
            break;
        }
        if (p.day == day && AppText(p.app.key) == kOtherAppKey) {
            other = &p;
        }
    }
    if (slot == nullptr) {
        if (appCount < apps.size() - 1 || (key == kOtherAppKey && other == nullptr)) {
            slot = &apps[appCount++];
            slot->day = day;
            slot->app = bytes;
            slot->app.received = 0;
            slot->app.sent = 0;
        } else {
            // The last place is kept for the other applications.
            if (other == nullptr) {
                other = &apps[appCount++];
                other->day = day;
                other->app = AppBytes{};
                CopyAppText(other->app.key, kOtherAppKey);
                CopyAppText(other->app.name, kOtherAppName);
            }
            slot = other;
        }
    } else if (AppText(bytes.name) != AppText(slot->app.name)) {
        slot->app.name = bytes.name;
        slot->app.icon = bytes.icon;
    }
    slot->app.received += bytes.received;
    slot->app.sent += bytes.sent;
}

bool AppUsageLedger::Second(std::uint32_t day, std::uint64_t linkRecv, std::uint64_t linkSent) {
    if (!enabled) {
        return false;
    }
    // A total that fell was cleared by a reset and counts again from 0.
    const std::uint64_t received = linkRecv >= lastRecv ? linkRecv - lastRecv : linkRecv;
    const std::uint64_t sent = linkSent >= lastSent ? linkSent - lastSent : linkSent;
    lastRecv = linkRecv;
    lastSent = linkSent;
    pending.AddLink(day, received, sent);
    for (std::size_t n = source.TakeAttributed(taken); n != 0; n = source.TakeAttributed(taken)) {
        for (std::size_t i = 0; i < n; ++i) {
            pending.AddApp(day, taken[i]);
        }
        if (n < taken.size()) {
            break;
        }
    }
    if (++secondsSinceWrite >= kWriteSeconds) {
        std::unique_lock lock(mutex, std::try_to_lock);
        if (lock.owns_lock() && !handedFull) {
            HandOver(lock);
        }
    }
    return failedUnseen.exchange(false) && Fail();
}

void AppUsageLedger::HandOver(std::unique_lock<std::mutex>&) {
    handed = pending;
    handedFull = true;
    pending.appCount = 0;
    pending.dayCount = 0;
    secondsSinceWrite = 0;
    wake.notify_one();
}

void AppUsageLedger::Writer() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return handedFull || stopping; });
        if (!handedFull) {
            break;  // stopping, with nothing left
        }
        writing = true;
        TakeBatch(handed);
        handedFull = false;
        // The lock is held while the record is written, so that a summary
        // sees each row in one place only; the tick never waits for it.
        const bool ok = WriteUnwritten();
        if (!ok && !failing.exchange(true)) {
            failedUnseen = true;
        }
        if (ok) {
            failing = false;
        }
        writing = false;
        idle.notify_all();
    }
}

void AppUsageLedger::TakeBatch(const Batch& batch) {
    const auto add = [this](std::uint32_t day, std::string_view key, std::string_view name,
                            std::string_view icon, std::uint64_t received, std::uint64_t sent) {
        const auto it = std::find_if(unwritten.begin(), unwritten.end(), [&](const Unwritten& u) {
            return u.day == day && u.key == key;
        });
        if (it != unwritten.end()) {
            it->received += received;
            it->sent += sent;
            return;
        }
        unwritten.push_back(
            {day, std::string(key), std::string(name), std::string(icon), received, sent});
    };
    for (std::size_t i = 0; i < batch.dayCount; ++i) {
        const PendingDay& d = batch.days[i];
        add(d.day, {}, {}, {}, d.received, d.sent);
    }
    for (std::size_t i = 0; i < batch.appCount; ++i) {
        const PendingApp& p = batch.apps[i];
        add(p.day, AppText(p.app.key), AppText(p.app.name), AppText(p.app.icon), p.app.received,
            p.app.sent);
    }
}

bool AppUsageLedger::WriteUnwritten() {
    // A record another program held may be free now; a damaged one stays
    // as it is and is only tried again.
    if (!OpenRecord()) {
        return false;
    }
    if (unwritten.empty()) {
        return true;
    }
    std::vector<AppUsageDelta> deltas;
    deltas.reserve(unwritten.size());
    for (const Unwritten& u : unwritten) {
        deltas.push_back({u.day, u.key, u.name, u.icon, u.received, u.sent});
    }
    if (!db->Add(deltas)) {
        return false;
    }
    unwritten.clear();
    return true;
}

bool AppUsageLedger::Flush() {
    std::unique_lock lock(mutex);
    if (!enabled || !writer.joinable()) {
        return !failing;
    }
    idle.wait(lock, [this] { return !handedFull && !writing; });
    HandOver(lock);
    idle.wait(lock, [this] { return !handedFull && !writing; });
    return !failing;
}

void AppUsageLedger::Stop() {
    if (writer.joinable()) {
        (void)Flush();
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        writer.join();
    }
    const std::lock_guard lock(mutex);
    db.reset();
}

AppUsageState AppUsageLedger::State() const {
    if (!enabled) {
        return AppUsageState::Off;
    }
    return failing ? AppUsageState::InMemory : AppUsageState::Recording;
}

void AppUsageLedger::AddRows(const Batch& batch, std::uint32_t first, std::uint32_t last,
                             std::vector<AppUsageRow>& apps, AppUsageRow& links) {
    for (std::size_t i = 0; i < batch.dayCount; ++i) {
        if (batch.days[i].day >= first && batch.days[i].day <= last) {
            links.received += batch.days[i].received;
            links.sent += batch.days[i].sent;
        }
    }
    for (std::size_t i = 0; i < batch.appCount; ++i) {
        const PendingApp& p = batch.apps[i];
        if (p.day < first || p.day > last) {
            continue;
        }
        const std::string_view key = AppText(p.app.key);
        auto it = std::find_if(apps.begin(), apps.end(),
                               [key](const AppUsageRow& row) { return row.key == key; });
        if (it == apps.end()) {
            apps.push_back({std::string(key), std::string(AppText(p.app.name)),
                            std::string(AppText(p.app.icon)), 0, 0, false});
            it = apps.end() - 1;
        }
        it->received += p.app.received;
        it->sent += p.app.sent;
    }
}

std::vector<AppUsageRow> AppUsageLedger::Summary(std::uint32_t first, std::uint32_t last) const {
    std::vector<AppUsageRow> apps;
    AppUsageRow links;
    if (!enabled) {
        return apps;
    }
    const std::lock_guard lock(mutex);
    if (db != nullptr && !db->Sum(first, last, apps, links)) {
        apps.clear();
        links = AppUsageRow{};
    }
    for (const Unwritten& u : unwritten) {
        if (u.day < first || u.day > last) {
            continue;
        }
        if (u.key.empty()) {
            links.received += u.received;
            links.sent += u.sent;
            continue;
        }
        auto it = std::find_if(apps.begin(), apps.end(),
                               [&u](const AppUsageRow& row) { return row.key == u.key; });
        if (it == apps.end()) {
            apps.push_back({u.key, u.name, u.icon, 0, 0, false});
            it = apps.end() - 1;
        }
        it->received += u.received;
        it->sent += u.sent;
    }
    if (handedFull) {
        AddRows(handed, first, last, apps, links);
    }
    AddRows(pending, first, last, apps, links);
    ArrangeAppUsage(apps, links);
    return apps;
}

}  // namespace trovik
