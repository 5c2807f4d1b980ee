// The record of the usage per application: sums and days as written,
// somebody else's files left alone, and whole transactions only when the
// writer is killed at any moment.

#include "stats/AppUsageDb.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class AppUsageDbTest : public ::testing::Test {
protected:
    testing::ScratchDir dir{"trovik-appdb-"};
    std::string path = (dir.path() / "Trovik_apps.sqlite").string();
};

TEST_F(AppUsageDbTest, SumsAndDaysAddUpToTheLinks) {
    AppUsageDb db;
    ASSERT_EQ(db.Open(path, false), AppUsageDb::OpenResult::Open);
    const std::vector<AppUsageDelta> first = {
        {20261208, {}, {}, {}, 10000, 2000},
        {20261208, "exe:curl", "curl", "curl", 6000, 500},
        {20261208, "desktop:org.example.Mail", "メール", "mail", 1000, 1000},
        {20261209, {}, {}, {}, 300, 30},
        {20261209, "exe:curl", "curl", "curl", 300, 40},  // a second's skew: above the links
    };
    ASSERT_TRUE(db.Add(first));
    // A later write adds up, and the newest name of a key is kept.
    const std::vector<AppUsageDelta> second = {
        {20261208, {}, {}, {}, 1000, 0},
        {20261208, "desktop:org.example.Mail", "Mail", "mail-new", 500, 0},
    };
    ASSERT_TRUE(db.Add(second));

    std::vector<AppUsageRow> apps;
    AppUsageRow links;
    ASSERT_TRUE(db.Sum(20261201, 20261231, apps, links));
    EXPECT_EQ(links.received, 11300u);
    EXPECT_EQ(links.sent, 2030u);
    ArrangeAppUsage(apps, links);
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0].key, "exe:curl");
    EXPECT_EQ(apps[0].received, 6300u);
    EXPECT_EQ(apps[1].name, "Mail");
    EXPECT_EQ(apps[1].icon, "mail-new");
    EXPECT_TRUE(apps[2].unattributed);
    EXPECT_EQ(apps[2].name, kUnattributedAppName);
    EXPECT_EQ(apps[2].received, 11300u - 6300u - 1500u);
    EXPECT_EQ(apps[2].sent, 2030u - 540u - 1000u);

    std::vector<AppUsageDayRow> days;
    ASSERT_TRUE(db.Days(20261201, 20261231, days));
    std::string listed;
    for (const AppUsageDayRow& d : days) {
        listed += std::to_string(d.day) + ":" + (d.row.unattributed ? "?" : d.row.key) + "=" +
                  std::to_string(d.row.received) + " ";
    }
    // The second day's curl is above the links: that day has no unattributed row.
    EXPECT_EQ(listed,
              "20261208:exe:curl=6000 20261208:desktop:org.example.Mail=1500 20261208:?=3500 "
              "20261209:exe:curl=300 ");
    ASSERT_TRUE(db.Days(20261209, 20261209, days));
    EXPECT_EQ(days.size(), 1u);
}

TEST_F(AppUsageDbTest, FilesThatAreNotOursAreLeftAsTheyAre) {
    struct Case {
        const char* what;
        std::string contents;  // written as the file; empty: an SQLite database of another kind
    };
    const std::vector<Case> cases = {
        {"text", "hello, this is a note"},
        {"a truncated database header", std::string("SQLite format 3\0\x10\0", 19)},
        {"another program's database", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        if (c.contents.empty()) {
            sqlite3* raw = nullptr;
            ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE notes(t TEXT); INSERT INTO notes VALUES('x')",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
            sqlite3_close(raw);
        } else {
            std::ofstream(path, std::ios::binary) << c.contents;
        }
        const std::string before = FileBytes(path);
        AppUsageDb db;
        EXPECT_EQ(db.Open(path, false), AppUsageDb::OpenResult::Damaged);
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(db.Open(path, true), AppUsageDb::OpenResult::Damaged);
    }
    std::filesystem::remove(path);
    AppUsageDb db;
    EXPECT_EQ(db.Open(path, true), AppUsageDb::OpenResult::Missing);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(AppUsageDbTest, ADatabaseInUseByAnotherProgramIsLocked) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    AppUsageDb db;
    EXPECT_EQ(db.Open(path, false), AppUsageDb::OpenResult::Locked);
    sqlite3_close(raw);
    EXPECT_EQ(db.Open(path, false), AppUsageDb::OpenResult::Open);
}

// The child adds one byte to each of its applications and two to the links
// per transaction, until it is killed.
[[noreturn]] void WriteForever(const std::string& path) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    AppUsageDb db;
    if (db.Open(path, false) != AppUsageDb::OpenResult::Open) {
        ::_exit(3);
    }
    std::vector<std::string> keys;
    for (int i = 0; i < 20; ++i) {
        keys.push_back("exe:app" + std::to_string(i));
    }
    std::vector<AppUsageDelta> deltas;
    deltas.push_back({20261209, {}, {}, {}, 2, 2});
    for (const std::string& k : keys) {
        deltas.push_back({20261209, k, k, {}, 1, 1});
    }
    for (;;) {
        (void)db.Add(deltas);
    }
}

TEST_F(AppUsageDbTest, AKilledWriterLeavesWholeTransactionsOnly) {
    std::mt19937 random(20261209);
    std::uint64_t seen = 0;
    {
        AppUsageDb made;
        ASSERT_EQ(made.Open(path, false), AppUsageDb::OpenResult::Open);
    }
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteForever(path);
        }
        const timespec pause{0, static_cast<long>(2000000 + random() % 100000000)};
        ::nanosleep(&pause, nullptr);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;

        AppUsageDb db;
        ASSERT_EQ(db.Open(path, true), AppUsageDb::OpenResult::Open);
        std::vector<AppUsageRow> apps;
        AppUsageRow links;
        ASSERT_TRUE(db.Sum(20261209, 20261209, apps, links));
        // Every application has as many bytes as there were transactions,
        // and the links twice as many.
        const std::uint64_t n = links.received / 2;
        EXPECT_EQ(links.received, 2 * n);
        EXPECT_EQ(apps.size(), n == 0 ? 0u : 20u);
        for (const AppUsageRow& row : apps) {
            ASSERT_EQ(row.received, n) << row.key;
            ASSERT_EQ(row.sent, n) << row.key;
        }
        EXPECT_GE(n, seen);
        seen = n;
    }
    EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace trovik
