#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppUsageSource.h"
#include "stats/AppUsageDb.h"

namespace trovik {

// The messages shown once when the record of the applications' usage
// cannot be used: the meter counts in memory for as long as it runs.
inline constexpr std::string_view kAppUsageDbUnusableText =
    "アプリ別の通信量の記録ファイルが壊れているか、ほかのプログラムが使用中のため使えません。"
    "終了するまでメモリーで数えます。ファイルはそのままにします。";

enum class AppUsageState : std::uint8_t {
    Off,        // the AppUsage setting is off: nothing is counted or read
    Recording,  // counted and written to the record
    InMemory,   // counted, but the record cannot be used
};

// What a viewer sees of the usage per application.
class AppUsageView {
public:
    virtual ~AppUsageView() = default;

    virtual AppUsageState State() const = 0;

    // The applications' use over the local days `first` to `last` (both
    // yyyymmdd, inclusive): the record's and what is not written yet, one
    // row per application, the largest first (received plus sent), and the
    // unattributed row last (left out when it is 0). Empty while Off.
    virtual std::vector<AppUsageRow> Summary(std::uint32_t first, std::uint32_t last) const = 0;
};

// The usage per application of the running meter: once a second it takes
// what the source attributed and what the counted links moved (the
// unattributed part being the difference), keeps it per local day, and once
// a minute (and at the end) writes it to the record in one transaction. A
// record that cannot be opened or written is reported once; the counts then
// stay in memory (pending rows), and no file is ever deleted.
//
// The per-second step works in fixed tables and allocates nothing; the
// minute's write is the one step that does (the database's own work).
class AppUsageLedger final : public AppUsageView {
public:
    // Applications (with the day they belong to) held between writes; a
    // further one on a full table is counted under kOtherAppName.
    static constexpr std::size_t kPendingRows = 128;
    static constexpr std::size_t kPendingDays = 4;
    static constexpr std::uint32_t kWriteSeconds = 60;

    explicit AppUsageLedger(AppUsageSource& apps) : source(apps) {}

    // Switches counting on (opening the record at `path`) or off. `linkRecv`
    // and `linkSent` are the meter's counts as they stand: the next seconds
    // count from them. True when the record cannot be used and this is the
    // first time in this run: the meter says so (once); counting goes on in
    // memory, and each minute's write tries the record again.
    bool Start(bool enabled, const std::string& path, std::uint64_t linkRecv,
               std::uint64_t linkSent);

    // One second: `day` is today's DayNumber; the link counts are the
    // meter's 64-bit totals (a total that fell was reset: it counts from 0).
    // Writes when a minute has gone by since the last write; true when the
    // record failed for the first time in this run (the meter says so).
    bool Second(std::uint32_t day, std::uint64_t linkRecv, std::uint64_t linkSent);

    // Writes what is pending; false when it could not be written.
    bool Write();

    // Writes what is pending and closes the record (the meter's end).
    void Stop();

    AppUsageState State() const override;
    std::vector<AppUsageRow> Summary(std::uint32_t first, std::uint32_t last) const override;

    // Whether the record's trouble was reported already in this run.
    bool Reported() const { return reported; }

private:
    struct PendingApp {
        std::uint32_t day = 0;
        AppBytes app{};
    };
    struct PendingDay {
        std::uint32_t day = 0;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
    };

    bool OpenRecord();
    void AddApp(std::uint32_t day, const AppBytes& bytes);
    void AddLink(std::uint32_t day, std::uint64_t received, std::uint64_t sent);
    bool Fail();

    AppUsageSource& source;
    std::unique_ptr<AppUsageDb> db;
    std::string dbPath;
    bool enabled = false;
    bool reported = false;
    bool failing = false;
    std::uint64_t lastRecv = 0;
    std::uint64_t lastSent = 0;
    std::uint32_t secondsSinceWrite = 0;
    std::array<AppBytes, 32> taken{};
    std::array<PendingApp, kPendingRows> pendingApps{};
    std::size_t pendingAppCount = 0;
    std::array<PendingDay, kPendingDays> pendingDays{};
    std::size_t pendingDayCount = 0;
};

}  // namespace trovik
