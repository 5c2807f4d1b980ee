// The usage per application as the meter keeps it: fed by the tick from a
// fake source, written once a minute, read back with what is pending, and
// kept in memory when the record cannot be used.

#include "core/AppUsage.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

class FakeApps final : public AppUsageSource {
public:
    void Enable(bool on) override { enabled = on; }
    std::size_t TakeAttributed(std::span<AppBytes> out) override {
        std::size_t n = 0;
        for (; n < due.size() && n < out.size(); ++n) {
            out[n] = due[n];
        }
        due.erase(due.begin(), due.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    void Add(std::string_view key, std::uint64_t received, std::uint64_t sent) {
        AppBytes b;
        CopyAppText(b.key, key);
        CopyAppText(b.name, key.substr(key.find(':') + 1));
        b.received = received;
        b.sent = sent;
        due.push_back(b);
    }
    bool enabled = false;
    std::vector<AppBytes> due;
};

std::string Rows(const std::vector<AppUsageRow>& rows) {
    std::string text;
    for (const AppUsageRow& r : rows) {
        text += (r.unattributed ? std::string("?") : r.name) + "=" + std::to_string(r.received) +
                "/" + std::to_string(r.sent) + " ";
    }
    return text;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

constexpr std::uint32_t kDay = DayNumber(2025, 12, 7);

class Ledger : public ::testing::Test {
protected:
    testing::ScratchDir dir{"trovik-apps-"};
    std::string path = (dir.path() / "Trovik_apps.sqlite").string();
    FakeApps apps;
    AppUsageLedger ledger{apps};
};

TEST_F(Ledger, RowsAddUpToTheLinksAcrossWritesDaysAndResets) {
    ASSERT_FALSE(ledger.Start(true, path, 5000, 500));
    EXPECT_TRUE(apps.enabled);
    EXPECT_EQ(ledger.State(), AppUsageState::Recording);
    // 59 seconds pending, then the minute's write; the day after, and a
    // reset that set the totals back to 0 (the count goes on from 0).
    std::uint64_t recv = 5000;
    std::uint64_t sent = 500;
    for (int s = 0; s < 60; ++s) {
        recv += 100;
        sent += 10;
        apps.Add("exe:curl", 60, 5);
        if (s % 2 == 0) {
            apps.Add("desktop:Mail", 20, 2);
        }
        EXPECT_FALSE(ledger.Second(kDay, recv, sent));
    }
    EXPECT_EQ(Rows(ledger.Summary(kDay, kDay)), "curl=3600/300 Mail=600/60 ?=1800/240 ");
    apps.Add("exe:curl", 40, 4);
    EXPECT_FALSE(ledger.Second(kDay + 1, 70, 7));  // reset: 70 and 7 since
    EXPECT_EQ(Rows(ledger.Summary(kDay + 1, kDay + 1)), "curl=40/4 ?=30/3 ");
    EXPECT_EQ(Rows(ledger.Summary(kDay, kDay + 1)), "curl=3640/304 Mail=600/60 ?=1830/243 ");
    ledger.Stop();

    // Everything reached the file: a new ledger reads the same.
    FakeApps none;
    AppUsageLedger again(none);
    ASSERT_FALSE(again.Start(true, path, 0, 0));
    EXPECT_EQ(Rows(again.Summary(kDay, kDay + 1)), "curl=3640/304 Mail=600/60 ?=1830/243 ");
    EXPECT_EQ(Rows(again.Summary(kDay + 2, kDay + 9)), "");
}

TEST_F(Ledger, OffCountsAndReadsNothing) {
    ASSERT_FALSE(ledger.Start(false, path, 0, 0));
    apps.Add("exe:curl", 60, 5);
    for (int s = 0; s < 61; ++s) {
        EXPECT_FALSE(ledger.Second(kDay, 100u * s, 0));
    }
    ledger.Stop();
    EXPECT_EQ(ledger.State(), AppUsageState::Off);
    EXPECT_TRUE(ledger.Summary(0, 99991231).empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Ledger, AnUnusableRecordIsReportedOnceKeptInMemoryAndLeftAlone) {
    const std::string junk = "not a database, and somebody's file";
    std::ofstream(path, std::ios::binary) << junk;
    EXPECT_TRUE(ledger.Start(true, path, 0, 0));  // say it
    EXPECT_EQ(ledger.State(), AppUsageState::InMemory);
    for (int s = 1; s <= 150; ++s) {
        apps.Add("exe:curl", 10, 1);
        EXPECT_FALSE(ledger.Second(kDay, 20u * s, 2u * s)) << s;  // never again
    }
    ledger.Stop();
    EXPECT_FALSE(ledger.Start(true, path, 3000, 300));  // a reload does not say it again
    EXPECT_EQ(Rows(ledger.Summary(kDay, kDay)), "curl=1500/150 ?=1500/150 ");
    EXPECT_EQ(FileBytes(path), junk);
}

TEST_F(Ledger, ALockedRecordIsWrittenOnceItIsFree) {
    ASSERT_FALSE(ledger.Start(true, path, 0, 0));
    AppUsageDb other;
    ASSERT_EQ(other.Open(path, false), AppUsageDb::OpenResult::Open);
    // Another program holds the write lock for a minute's write.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    for (int s = 1; s <= 60; ++s) {
        apps.Add("exe:curl", 10, 1);
        EXPECT_FALSE(ledger.Second(kDay, 10u * s, 1u * s));
    }
    EXPECT_FALSE(ledger.Flush());
    EXPECT_TRUE(ledger.Second(kDay, 600, 60)) << "the next second says so";
    EXPECT_EQ(ledger.State(), AppUsageState::InMemory);
    EXPECT_EQ(Rows(ledger.Summary(kDay, kDay)), "curl=600/60 ");
    sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    for (int s = 61; s <= 120; ++s) {
        EXPECT_FALSE(ledger.Second(kDay, 10u * s, 1u * s));
    }
    EXPECT_TRUE(ledger.Flush());
    EXPECT_EQ(ledger.State(), AppUsageState::Recording);
    std::vector<AppUsageRow> rows;
    AppUsageRow links;
    ASSERT_TRUE(other.Sum(kDay, kDay, rows, links));
    EXPECT_EQ(Rows(rows), "curl=600/60 ");
    EXPECT_EQ(links.received, 1200u);
}

TEST_F(Ledger, AFullTableCountsTheRestAsOther) {
    ASSERT_FALSE(ledger.Start(true, path, 0, 0));
    apps.Add("exe:zz-first", 1, 0);
    ASSERT_FALSE(ledger.Second(kDay, 0, 0));
    for (std::size_t i = 0; i < AppUsageLedger::kPendingRows + 5; ++i) {
        apps.Add("exe:app" + std::to_string(i), 1000, 0);
    }
    ASSERT_FALSE(ledger.Second(kDay, 0, 0));
    const auto rows = ledger.Summary(kDay, kDay);
    ASSERT_EQ(rows.size(), AppUsageLedger::kPendingRows);
    const auto other = std::find_if(rows.begin(), rows.end(),
                                    [](const AppUsageRow& r) { return r.key == kOtherAppKey; });
    ASSERT_NE(other, rows.end());
    EXPECT_EQ(other->received, 7000u);  // the six that found no place, and one more
}

// Through the meter: its ticks feed the ledger with the line's totals and
// the source's bytes, and its end writes them.
TEST_F(EngineTest, TheMeterRecordsTheUsagePerApplication) {
    FakeApps apps;
    MeterEngine meter{MeterEnv{line,
                               store,
                               clock,
                               messages,
                               connection,
                               power,
                               window,
                               DataFiles(dir.path().string(), "Trovik"),
                               dir.path().string() + "/",
                               {},
                               &apps}};
    startTime = clock.now;
    ASSERT_EQ(meter.Start(), StartResult::Running);
    EXPECT_TRUE(apps.enabled);
    for (int i = 0; i < 100; ++i) {
        line.Add(StatValue::BytesRecvd, 1000);
        line.Add(StatValue::BytesXmit, 100);
        if (i % 10 == 0) {
            apps.Add("exe:curl", 7000, 50);
        }
        clock.now = startTime + (i + 1) / 10;
        clock.tick += 100;
        meter.Tick();
    }
    meter.Destroy();
    EXPECT_TRUE(messages.shown.empty());
    FakeApps none;
    AppUsageLedger record(none);
    ASSERT_FALSE(record.Start(true, DataFiles(dir.path().string(), "Trovik").AppUsagePath(), 0, 0));
    const auto rows = record.Summary(kDay, kDay);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "curl");
    EXPECT_EQ(rows[0].received, 70000u);
    EXPECT_TRUE(rows[1].unattributed);
    EXPECT_EQ(rows[0].received + rows[1].received, meter.sampler.totalRecv);
}

}  // namespace
}  // namespace trovik
