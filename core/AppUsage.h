#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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

    // How the applications are told apart now (the source's kind).
    virtual AppUsageKind Kind() const { return AppUsageKind::TcpOnly; }
};

// The usage per application of the running meter: once a second it takes
// what the source attributed and what the counted links moved (the
// unattributed part being the difference), keeps it per local day, and once
// a minute hands it to a writer of its own, which adds it to the record in
// one transaction (and at the end, before the meter goes). A record that
// cannot be opened or written is reported once; what could not be written
// stays in memory and goes with the next write that succeeds; no file is
// ever deleted.
//
// The per-second step works in fixed tables, allocates nothing and never
// waits: the hand-over only tries the writer's lock, and a writer still busy
// gets the minute's rows a second later. The record's work (and its
// allocation) is the writer thread's.
class AppUsageLedger final : public AppUsageView {
public:
    // Applications (with the day they belong to) held between writes; a
    // further one on a full table is counted under kOtherAppName.
    static constexpr std::size_t kPendingRows = 128;
    static constexpr std::size_t kPendingDays = 4;
    static constexpr std::uint32_t kWriteSeconds = 60;

    explicit AppUsageLedger(AppUsageSource& apps);
    ~AppUsageLedger() override;
    AppUsageLedger(const AppUsageLedger&) = delete;
    AppUsageLedger& operator=(const AppUsageLedger&) = delete;

    // Switches counting on (opening the record at `path`) or off. `linkRecv`
    // and `linkSent` are the meter's counts as they stand: the next seconds
    // count from them. True when the record cannot be used and this is the
    // first time in this run: the meter says so (once); counting goes on in
    // memory, and each minute's write tries the record again.
    bool Start(bool enabled, const std::string& path, std::uint64_t linkRecv,
               std::uint64_t linkSent);

    // One second: `day` is today's DayNumber; the link counts are the
    // meter's 64-bit totals (a total that fell was reset: it counts from 0).
    // Hands the rows to the writer when a minute has gone by since the last
    // hand-over; true when the record failed for the first time in this run
    // (the meter says so).
    bool Second(std::uint32_t day, std::uint64_t linkRecv, std::uint64_t linkSent);

    // Hands over what is pending and waits until the writer is done with
    // it; false when it could not be written.
    bool Flush();

    // Flushes, stops the writer and closes the record (the meter's end).
    void Stop();

    AppUsageState State() const override;
    std::vector<AppUsageRow> Summary(std::uint32_t first, std::uint32_t last) const override;
    AppUsageKind Kind() const override { return source.Kind(); }

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
    // The rows of a minute (or longer, while the writer was busy).
    struct Batch {
        std::array<PendingApp, kPendingRows> apps{};
        std::size_t appCount = 0;
        std::array<PendingDay, kPendingDays> days{};
        std::size_t dayCount = 0;
        void AddApp(std::uint32_t day, const AppBytes& bytes);
        void AddLink(std::uint32_t day, std::uint64_t received, std::uint64_t sent);
    };
    // A row the writer could not write yet.
    struct Unwritten {
        std::uint32_t day = 0;
        std::string key;  // empty: the links' total
        std::string name;
        std::string icon;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
    };

    bool OpenRecord();
    bool Fail();
    void HandOver(std::unique_lock<std::mutex>& lock);
    void Writer();
    void TakeBatch(const Batch& batch);
    bool WriteUnwritten();
    static void AddRows(const Batch& batch, std::uint32_t first, std::uint32_t last,
                        std::vector<AppUsageRow>& apps, AppUsageRow& links);

    AppUsageSource& source;
    bool enabled = false;
    bool reported = false;
    std::uint64_t lastRecv = 0;
    std::uint64_t lastSent = 0;
    std::uint32_t secondsSinceWrite = 0;
    std::array<AppBytes, 32> taken{};
    Batch pending;  // the tick's own

    // Shared with the writer, under `mutex`: the record, the rows handed
    // over and not taken yet, and those that failed to be written.
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::unique_ptr<AppUsageDb> db;
    std::string dbPath;
    Batch handed;
    bool handedFull = false;
    bool writing = false;
    bool stopping = false;
    std::vector<Unwritten> unwritten;
    std::atomic<bool> failing{false};
    std::atomic<bool> failedUnseen{false};
    std::thread writer;
};

}  // namespace trovik
