#include "stats/AppUsageDb.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace trovik {
namespace {

// The schema: applications by key, and per day their bytes and the links'.
// A database whose tables have another form is taken as damaged.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS apps("
    " id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE,"
    " name TEXT NOT NULL, icon TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS usage("
    " day INTEGER NOT NULL, app INTEGER NOT NULL REFERENCES apps(id),"
    " received INTEGER NOT NULL, sent INTEGER NOT NULL,"
    " PRIMARY KEY(day, app)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS links("
    " day INTEGER PRIMARY KEY, received INTEGER NOT NULL, sent INTEGER NOT NULL);";

// A statement that is finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return stmt != nullptr; }
    sqlite3_stmt* get() const { return stmt; }

    // Binds text; an empty view binds "" (a null pointer would bind NULL).
    void Text(int n, std::string_view text) {
        sqlite3_bind_text(stmt, n, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void Int(int n, std::uint64_t value) {
        sqlite3_bind_int64(stmt, n, static_cast<sqlite3_int64>(value));
    }
    // Runs a statement that returns no rows, ready to be bound again.
    bool Run() {
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        return rc == SQLITE_DONE;
    }
    std::string ColumnText(int n) const {
        const auto* text = sqlite3_column_text(stmt, n);
        return text == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt, n)));
    }
    std::uint64_t ColumnInt(int n) const {
        const sqlite3_int64 v = sqlite3_column_int64(stmt, n);
        return v < 0 ? 0 : static_cast<std::uint64_t>(v);
    }

private:
    sqlite3_stmt* stmt = nullptr;
};

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool HasTables(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_schema", -1, &stmt, nullptr) !=
        SQLITE_OK) {
        return true;
    }
    const bool any = sqlite3_step(stmt) != SQLITE_ROW || sqlite3_column_int64(stmt, 0) != 0;
    sqlite3_finalize(stmt);
    return any;
}

bool HasForeignTables(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM sqlite_schema WHERE type = 'table'"
                           " AND name NOT IN ('apps', 'usage', 'links')",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        return true;
    }
    const bool foreign = sqlite3_step(stmt) != SQLITE_ROW || sqlite3_column_int64(stmt, 0) != 0;
    sqlite3_finalize(stmt);
    return foreign;
}

AppUsageDb::OpenResult Classify(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return AppUsageDb::OpenResult::Locked;
        default:
            return AppUsageDb::OpenResult::Damaged;
    }
}

}  // namespace

AppUsageDb::~AppUsageDb() {
    Close();
}

void AppUsageDb::Close() {
    if (handle != nullptr) {
        sqlite3_close_v2(handle);
        handle = nullptr;
    }
}

AppUsageDb::OpenResult AppUsageDb::Open(const std::string& path, bool readOnlyOpen) {
    Close();
    readOnly = readOnlyOpen;
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return readOnly && (rc & 0xFF) == SQLITE_CANTOPEN ? OpenResult::Missing : Classify(rc);
    }
    // Another program's lock is waited for a moment, never longer: the
    // meter's tick is waiting.
    sqlite3_busy_timeout(db, 200);
    // Reading the schema is what finds a file that is no database, and a
    // lock held by another program.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && !readOnly && HasForeignTables(db)) {
        // Somebody else's database is left as it is.
        sqlite3_close_v2(db);
        return OpenResult::Damaged;
    }
    if (rc == SQLITE_OK && !readOnly) {
        // Each write reaches the disk before the meter goes on (FULL), and a
        // process killed mid-write leaves the last whole transaction (WAL).
        rc = sqlite3_exec(db,
                          "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                          "PRAGMA foreign_keys=ON;",
                          nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        }
    }
    if (rc == SQLITE_OK && readOnly && !HasTables(db)) {
        // Made but never written (a meter that ended at once): no records.
        sqlite3_close_v2(db);
        return OpenResult::Missing;
    }
    if (rc == SQLITE_OK) {
        // Tables of another form are somebody else's database.
        sqlite3_stmt* check = nullptr;
        rc = sqlite3_prepare_v2(db,
                                "SELECT a.key, a.name, a.icon, u.day, u.received, u.sent,"
                                " l.received FROM apps a, usage u, links l LIMIT 0",
                                -1, &check, nullptr);
        sqlite3_finalize(check);
    }
    if (rc != SQLITE_OK) {
        const OpenResult result = Classify(rc);
        sqlite3_close_v2(db);
        return result;
    }
    handle = db;
    return OpenResult::Open;
}

bool AppUsageDb::Add(std::span<const AppUsageDelta> deltas) {
    if (handle == nullptr || readOnly) {
        return false;
    }
    if (!Exec(handle, "BEGIN IMMEDIATE")) {
        return false;
    }
    Statement app(handle,
                  "INSERT INTO apps(key, name, icon) VALUES(?1, ?2, ?3)"
                  " ON CONFLICT(key) DO UPDATE SET name = ?2, icon = ?3");
    Statement use(handle,
                  "INSERT INTO usage(day, app, received, sent)"
                  " VALUES(?1, (SELECT id FROM apps WHERE key = ?2), ?3, ?4)"
                  " ON CONFLICT(day, app) DO UPDATE SET"
                  " received = received + ?3, sent = sent + ?4");
    Statement link(handle,
                   "INSERT INTO links(day, received, sent) VALUES(?1, ?2, ?3)"
                   " ON CONFLICT(day) DO UPDATE SET received = received + ?2, sent = sent + ?3");
    bool ok = app && use && link;
    for (const AppUsageDelta& d : deltas) {
        if (!ok) {
            break;
        }
        if (d.key.empty()) {
            link.Int(1, d.day);
            link.Int(2, d.received);
            link.Int(3, d.sent);
            ok = link.Run();
            continue;
        }
        app.Text(1, d.key);
        app.Text(2, d.name);
        app.Text(3, d.icon);
        use.Int(1, d.day);
        use.Text(2, d.key);
        use.Int(3, d.received);
        use.Int(4, d.sent);
        ok = app.Run() && use.Run();
    }
    if (ok && Exec(handle, "COMMIT")) {
        return true;
    }
    Exec(handle, "ROLLBACK");
    return false;
}

bool AppUsageDb::Sum(std::uint32_t first, std::uint32_t last, std::vector<AppUsageRow>& apps,
                     AppUsageRow& links) const {
    apps.clear();
    links = AppUsageRow{};
    if (handle == nullptr) {
        return false;
    }
    Statement rows(handle,
                   "SELECT a.key, a.name, a.icon, sum(u.received), sum(u.sent)"
                   " FROM usage u JOIN apps a ON a.id = u.app"
                   " WHERE u.day BETWEEN ?1 AND ?2 GROUP BY a.id");
    Statement total(handle,
                    "SELECT coalesce(sum(received), 0), coalesce(sum(sent), 0)"
                    " FROM links WHERE day BETWEEN ?1 AND ?2");
    if (!rows || !total) {
        return false;
    }
    rows.Int(1, first);
    rows.Int(2, last);
    int rc = 0;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        apps.push_back({rows.ColumnText(0), rows.ColumnText(1), rows.ColumnText(2),
                        rows.ColumnInt(3), rows.ColumnInt(4), false});
    }
    if (rc != SQLITE_DONE) {
        return false;
    }
    total.Int(1, first);
    total.Int(2, last);
    if (sqlite3_step(total.get()) != SQLITE_ROW) {
        return false;
    }
    links.received = total.ColumnInt(0);
    links.sent = total.ColumnInt(1);
    return true;
}

bool AppUsageDb::Days(std::uint32_t first, std::uint32_t last,
                      std::vector<AppUsageDayRow>& out) const {
    out.clear();
    if (handle == nullptr) {
        return false;
    }
    Statement rows(handle,
                   "SELECT u.day, a.key, a.name, a.icon, u.received, u.sent"
                   " FROM usage u JOIN apps a ON a.id = u.app"
                   " WHERE u.day BETWEEN ?1 AND ?2 ORDER BY u.day");
    Statement totals(handle, "SELECT day, received, sent FROM links WHERE day BETWEEN ?1 AND ?2");
    if (!rows || !totals) {
        return false;
    }
    std::map<std::uint32_t, std::vector<AppUsageRow>> byDay;
    std::map<std::uint32_t, AppUsageRow> linkByDay;
    rows.Int(1, first);
    rows.Int(2, last);
    int rc = 0;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        byDay[static_cast<std::uint32_t>(rows.ColumnInt(0))].push_back(
            {rows.ColumnText(1), rows.ColumnText(2), rows.ColumnText(3), rows.ColumnInt(4),
             rows.ColumnInt(5), false});
    }
    if (rc != SQLITE_DONE) {
        return false;
    }
    totals.Int(1, first);
    totals.Int(2, last);
    while ((rc = sqlite3_step(totals.get())) == SQLITE_ROW) {
        const auto day = static_cast<std::uint32_t>(totals.ColumnInt(0));
        linkByDay[day] = AppUsageRow{{}, {}, {}, totals.ColumnInt(1), totals.ColumnInt(2), true};
        byDay[day];
    }
    if (rc != SQLITE_DONE) {
        return false;
    }
    for (auto& [day, apps] : byDay) {
        ArrangeAppUsage(apps, linkByDay[day]);
        for (AppUsageRow& row : apps) {
            out.push_back({day, std::move(row)});
        }
    }
    return true;
}

std::string AppUsageDb::LastError() const {
    return handle == nullptr ? std::string() : std::string(sqlite3_errmsg(handle));
}

void ArrangeAppUsage(std::vector<AppUsageRow>& apps, const AppUsageRow& links) {
    std::uint64_t receivedByApps = 0;
    std::uint64_t sentByApps = 0;
    for (const AppUsageRow& row : apps) {
        receivedByApps += row.received;
        sentByApps += row.sent;
    }
    std::sort(apps.begin(), apps.end(), [](const AppUsageRow& a, const AppUsageRow& b) {
        return std::make_tuple(b.Total(), a.name, a.key) <
               std::make_tuple(a.Total(), b.name, b.key);
    });
    // The links count headers and retransmissions the sockets do not; a
    // second's skew between the two readings may put the applications a
    // little above the links, which is then no unattributed traffic.
    AppUsageRow rest;
    rest.name = std::string(kUnattributedAppName);
    rest.unattributed = true;
    rest.received = links.received > receivedByApps ? links.received - receivedByApps : 0;
    rest.sent = links.sent > sentByApps ? links.sent - sentByApps : 0;
    if (rest.Total() != 0) {
        apps.push_back(std::move(rest));
    }
}

}  // namespace trovik
