#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace trovik {

// The row of the links' traffic no application was found for.
inline constexpr std::string_view kUnattributedAppName = "未特定 (UDP/QUIC など)";
// What a socket is put under when nothing tells whose it is, and its key.
inline constexpr std::string_view kOtherAppName = "その他";
inline constexpr std::string_view kOtherAppKey = "other";

// The day's number as the record keeps it: yyyymmdd.
constexpr std::uint32_t DayNumber(unsigned year, unsigned month, unsigned day) {
    return year * 10000u + month * 100u + day;
}

// One application's use: how it is known and shown, and its bytes. The
// unattributed row has `unattributed` set and an empty key.
struct AppUsageRow {
    std::string key;
    std::string name;
    std::string icon;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    bool unattributed = false;

    std::uint64_t Total() const { return received + sent; }
};

// A day's use of one application, or of the counted links (empty key).
struct AppUsageDelta {
    std::uint32_t day = 0;  // yyyymmdd, local
    std::string_view key;   // empty: the links' own total
    std::string_view name;
    std::string_view icon;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

// A day's rows, as the export lists them.
struct AppUsageDayRow {
    std::uint32_t day = 0;
    AppUsageRow row;
};

// The record of the usage per application: an SQLite database (WAL,
// synchronous FULL) holding, per local day, each application's bytes
// received and sent and the counted links' total, from which the
// unattributed part follows. Nothing is ever deleted from it.
class AppUsageDb {
public:
    enum class OpenResult : std::uint8_t {
        Open,
        Missing,  // read-only, and there is no file (or one without records)
        Damaged,  // not a database of this kind, or unreadable
        Locked,   // another program holds it
    };

    AppUsageDb() = default;
    ~AppUsageDb();
    AppUsageDb(const AppUsageDb&) = delete;
    AppUsageDb& operator=(const AppUsageDb&) = delete;

    // Opens (for writing: creates) the database at `path`.
    OpenResult Open(const std::string& path, bool readOnly);
    void Close();
    bool IsOpen() const { return handle != nullptr; }

    // Adds the deltas in one transaction: all or nothing.
    bool Add(std::span<const AppUsageDelta> deltas);

    // The applications' sums over the days `first` to `last` (inclusive),
    // in no particular order, and the links' own sum into `links`.
    bool Sum(std::uint32_t first, std::uint32_t last, std::vector<AppUsageRow>& apps,
             AppUsageRow& links) const;

    // Every day of `first` to `last` with its applications' rows, and each
    // day's unattributed row, in date order.
    bool Days(std::uint32_t first, std::uint32_t last, std::vector<AppUsageDayRow>& out) const;

    // The last error's text, for messages.
    std::string LastError() const;

private:
    sqlite3* handle = nullptr;
    bool readOnly = false;
};

// Orders rows for showing: the largest first (received plus sent, then by
// name), the unattributed row last. Adds the unattributed row from the
// links' total less the applications' (nothing when that is 0 or less).
void ArrangeAppUsage(std::vector<AppUsageRow>& apps, const AppUsageRow& links);

}  // namespace trovik
