// A writer of every record killed at random moments, a few hundred times:
// each record is always whole, holding what one completed write left, and
// the clean-up of the next start leaves no temporary file behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "stats/EventLog.h"
#include "stats/GraphSnapshot.h"
#include "stats/Leftovers.h"
#include "stats/WeeklyScope.h"
#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kPeriodStart = 1765100000;  // early December 2025 in every zone
constexpr int kKills = 300;

// The child: writes every record in turn, each write carrying a number that
// only grows, until it is killed.
[[noreturn]] void WriteForever(const DataFiles& files, std::uint32_t first) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    EventLog log(files.LogPath(), [] { return LocalTime{2025, 12, 7, 21, 0, 0, 0}; });
    RateHistory history;
    for (std::uint32_t value = first; value < first + 100000; ++value) {
        for (auto* series : {&history.historySent, &history.historyRecv, &history.historyRecvAvg}) {
            for (auto& level : *series) {
                level.fill(value);
            }
        }
        for (auto& level : history.historyEvents) {
            level.fill(static_cast<std::uint8_t>(value));
        }
        (void)SaveGraphSnapshot(files.SnapshotPath(), LocalTime{}, 2000, 5000, history);
        (void)log.AppendLogLine("n=" + std::to_string(value));
        (void)AddCumulativeInterval(files, CumulativeInterval{kPeriodStart, 1, 0, 1, 0});
        (void)RecordScopeSample(files, value, 0, 0);
    }
    ::_exit(0);
}

// What the records held after the last kill; each must stay or grow.
struct Seen {
    std::uint32_t snapshot = 0;
    std::uint32_t logLast = 0;
    std::uint32_t cumulative = 0;
    std::uint32_t scope = 0;
};

// Checks that every record present is whole and not older than before.
void CheckRecords(const DataFiles& files, unsigned year, Seen& seen) {
    if (fs::exists(files.SnapshotPath())) {
        GraphSnapshotHeader header;
        RateHistory history;
        ASSERT_TRUE(LoadGraphSnapshot(files.SnapshotPath(), header, history));
        const std::uint32_t value = history.historySent[0][0];
        for (const auto* series :
             {&history.historySent, &history.historyRecv, &history.historyRecvAvg}) {
            for (const auto& level : *series) {
                ASSERT_TRUE(std::all_of(level.begin(), level.end(),
                                        [value](std::uint32_t v) { return v == value; }));
            }
        }
        ASSERT_EQ(history.historyEvents[3][119], static_cast<std::uint8_t>(value));
        ASSERT_GE(value, seen.snapshot);
        seen.snapshot = value;
    }
    if (fs::exists(files.LogPath())) {
        const std::string text = testing::ReadText(files.LogPath());
        const std::string prefix = "2025/12/07 21:00 n=";
        std::uint32_t last = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t end = text.find("\r\n", pos);
            ASSERT_NE(end, std::string::npos) << "a cut line";
            const std::string_view line(text.data() + pos, end - pos);
            ASSERT_TRUE(line.starts_with(prefix)) << line;
            std::uint32_t n = 0;
            const auto digits = line.substr(prefix.size());
            const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            ASSERT_TRUE(parsed.ec == std::errc{} && parsed.ptr == digits.data() + digits.size())
                << line;
            ASSERT_GT(n, last) << "lines out of order";
            last = n;
            pos = end + 2;
        }
        ASSERT_GE(last, seen.logLast);
        seen.logLast = last;
    }
    if (fs::exists(files.CumulativePath(year))) {
        ASSERT_EQ(fs::file_size(files.CumulativePath(year)), kCumulativeFileSize);
        CumulativeImage image;
        ASSERT_TRUE(ReadCumulativeYear(files, year, image));
        const LocalTime start = ToLocalTime(kPeriodStart);
        const ConstDayRecord day =
            std::as_const(image).Record(DayIndex(start.year, start.month, start.day));
        // One kilobyte and one second per write: both or neither.
        ASSERT_EQ(day.RecvKB(), day.Hour(start.hour).Seconds());
        ASSERT_GE(day.RecvKB(), seen.cumulative);
        seen.cumulative = day.RecvKB();
    }
    if (fs::exists(files.ScopePath())) {
        ASSERT_EQ(fs::file_size(files.ScopePath()), kScopeFileSize);
        ScopeImage image;
        ASSERT_TRUE(LoadWeeklyScope(files, image));
        ASSERT_EQ(image.Latest(0), image.Highest(0));
        ASSERT_GE(image.Latest(0), seen.scope);
        seen.scope = image.Latest(0);
    }
}

TEST(WriterKillTest, RecordsStayWholeAndNoLeftoverSurvivesTheNextStart) {
    testing::ScratchDir dir("trovik-kill-");
    const DataFiles files(dir.path().string(), "Trovik");
    const unsigned year = ToLocalTime(kPeriodStart).year;
    const std::set<std::string> records = {"Trovik.DAT", "Trovik.LOG", "Trovik.STA",
                                           "Trovik_" + std::to_string(year) + ".CUM"};
    std::mt19937 random(20261208);
    std::uniform_int_distribution<long> delayUs(0, 12000);
    Seen seen;
    std::size_t leftovers = 0;
    for (int run = 0; run < kKills; ++run) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteForever(files, static_cast<std::uint32_t>(run + 1) * 100000u);
        }
        const long us = delayUs(random);
        const timespec wait{0, us * 1000};
        ::nanosleep(&wait, nullptr);
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";

        // The next start.
        leftovers += RemoveRecordLeftovers(files);
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            ASSERT_TRUE(records.count(entry.path().filename().string()) == 1)
                << "left behind: " << entry.path().filename();
        }
        CheckRecords(files, year, seen);
        if (HasFatalFailure()) {
            return;
        }
    }
    // The kills did land inside writes: otherwise this test proved nothing.
    EXPECT_GT(leftovers, 0u);
    EXPECT_GT(seen.logLast, 0u);
    std::cout << kKills << " kills, " << leftovers << " leftovers removed\n";
}

}  // namespace
}  // namespace trovik
