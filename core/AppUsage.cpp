#include "core/AppUsage.h"

#include <algorithm>

namespace trovik {

bool AppUsageLedger::Start(bool on, const std::string& path, std::uint64_t linkRecv,
                           std::uint64_t linkSent) {
    lastRecv = linkRecv;
    lastSent = linkSent;
    secondsSinceWrite = 0;
    dbPath = path;
    source.Enable(on);
    if (!on) {
        Stop();
        enabled = false;
        failing = false;
        pendingAppCount = 0;
        pendingDayCount = 0;
        return false;
    }
    enabled = true;
    return !OpenRecord() && Fail();
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
    failing = false;
    return true;
}

bool AppUsageLedger::Fail() {
    failing = true;
    if (reported) {
        return false;
    }
    reported = true;
    return true;
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
    AddLink(day, received, sent);
    for (std::size_t n = source.TakeAttributed(taken); n != 0; n = source.TakeAttributed(taken)) {
        for (std::size_t i = 0; i < n; ++i) {
            AddApp(day, taken[i]);
        }
        if (n < taken.size()) {
            break;
        }
    }
    if (++secondsSinceWrite < kWriteSeconds) {
        return false;
    }
    secondsSinceWrite = 0;
    return !Write() && Fail();
}

void AppUsageLedger::AddLink(std::uint32_t day, std::uint64_t received, std::uint64_t sent) {
    const auto begin = pendingDays.begin();
    auto it = std::find_if(begin, begin + static_cast<std::ptrdiff_t>(pendingDayCount),
                           [day](const PendingDay& d) { return d.day == day; });
    if (it == begin + static_cast<std::ptrdiff_t>(pendingDayCount)) {
        if (pendingDayCount == pendingDays.size()) {
            // Days are written each minute; only a record that cannot be
            // written fills the table, and then the newest day takes it on.
            it = begin + static_cast<std::ptrdiff_t>(pendingDayCount - 1);
        } else {
            ++pendingDayCount;
            *it = PendingDay{day, 0, 0};
        }
    }
    it->received += received;
    it->sent += sent;
}

void AppUsageLedger::AddApp(std::uint32_t day, const AppBytes& bytes) {
    const std::string_view key = AppText(bytes.key);
    PendingApp* slot = nullptr;
    PendingApp* other = nullptr;
    for (std::size_t i = 0; i < pendingAppCount; ++i) {
        PendingApp& p = pendingApps[i];
        if (p.day == day && AppText(p.app.key) == key) {
            slot = &p;
            break;
        }
        if (p.day == day && AppText(p.app.key) == kOtherAppKey) {
            other = &p;
        }
    }
    if (slot == nullptr) {
        if (pendingAppCount < pendingApps.size() - 1 || (key == kOtherAppKey && other == nullptr)) {
            slot = &pendingApps[pendingAppCount++];
            slot->day = day;
            slot->app = bytes;
            slot->app.received = 0;
            slot->app.sent = 0;
        } else {
            // The last place is kept for the other applications.
            if (other == nullptr) {
                other = &pendingApps[pendingAppCount++];
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

bool AppUsageLedger::Write() {
    if (!enabled) {
        return true;
    }
    // A record another program held may be free now; a damaged one stays
    // as it is and is only read again.
    if (!OpenRecord()) {
        return false;
    }
    if (pendingAppCount == 0 && pendingDayCount == 0) {
        return true;
    }
    std::vector<AppUsageDelta> deltas;
    deltas.reserve(pendingAppCount + pendingDayCount);
    for (std::size_t i = 0; i < pendingDayCount; ++i) {
        const PendingDay& d = pendingDays[i];
        deltas.push_back({d.day, {}, {}, {}, d.received, d.sent});
    }
    for (std::size_t i = 0; i < pendingAppCount; ++i) {
        const PendingApp& p = pendingApps[i];
        deltas.push_back({p.day, AppText(p.app.key), AppText(p.app.name), AppText(p.app.icon),
                          p.app.received, p.app.sent});
    }
    if (!db->Add(deltas)) {
        return false;
    }
    failing = false;
    pendingAppCount = 0;
    pendingDayCount = 0;
    return true;
}

void AppUsageLedger::Stop() {
    if (db != nullptr) {
        (void)Write();
        db.reset();
    }
}

AppUsageState AppUsageLedger::State() const {
    if (!enabled) {
        return AppUsageState::Off;
    }
    return db != nullptr && !failing ? AppUsageState::Recording : AppUsageState::InMemory;
}

std::vector<AppUsageRow> AppUsageLedger::Summary(std::uint32_t first, std::uint32_t last) const {
    std::vector<AppUsageRow> apps;
    AppUsageRow links;
    if (!enabled) {
        return apps;
    }
    if (db != nullptr && !db->Sum(first, last, apps, links)) {
        apps.clear();
        links = AppUsageRow{};
    }
    for (std::size_t i = 0; i < pendingDayCount; ++i) {
        if (pendingDays[i].day >= first && pendingDays[i].day <= last) {
            links.received += pendingDays[i].received;
            links.sent += pendingDays[i].sent;
        }
    }
    for (std::size_t i = 0; i < pendingAppCount; ++i) {
        const PendingApp& p = pendingApps[i];
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
    ArrangeAppUsage(apps, links);
    return apps;
}

}  // namespace trovik
