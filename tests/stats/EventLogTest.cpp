#include "stats/EventLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

// "2001/03/03 21:05 " is 17 bytes; a line is 17 + text + 2 bytes.
const LocalTime kMarch3 = {2001, 3, 3, 21, 5, 42, 6};
constexpr std::string_view kStamp = "2001/03/03 21:05 ";

// Numbered lines of exactly `width` bytes including CR LF: "00042xxx...\r\n".
std::string NumberedLine(unsigned number, std::size_t width) {
    char head[8];
    std::snprintf(head, sizeof head, "%05u", number);
    return std::string(head) + std::string(width - 7, 'x') + "\r\n";
}
std::string NumberedLines(unsigned first, unsigned end, std::size_t width) {
    std::string out;
    for (unsigned n = first; n < end; ++n) {
        out += NumberedLine(n, width);
    }
    return out;
}

class EventLogTest : public ::testing::Test {
protected:
    std::string Contents() const { return ReadText(path); }
    void Store(const std::string& bytes) const { WriteText(path, bytes); }
    ino_t Inode() const {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    ScratchDir dir{"trovik-eventlog-"};
    std::string path = dir.Path("Trovik.LOG").string();
    LocalTime time = kMarch3;

    // A log whose clock reads `time` at each line.
    EventLog Log() {
        return EventLog(path, [this] { return time; });
    }
};

TEST_F(EventLogTest, LoggingOffOrAnIdWithoutTextWritesNothingAndCreatesNoFile) {
    EventLog log = Log();
    EXPECT_FALSE(log.LogEvent(false, 216));
    EXPECT_FALSE(log.LogEvent(true, 199));
    EXPECT_FALSE(fs::exists(path));

    Store("kept\r\n");
    EXPECT_FALSE(log.LogEvent(false, 216));
    EXPECT_EQ(Contents(), "kept\r\n");
}

TEST_F(EventLogTest, LinesAreStampedWithTheLocalTimeAndEndInCrLf) {
    EventLog log = Log();
    EXPECT_TRUE(log.LogEvent(true, 216));
    time = {1999, 12, 31, 23, 59, 0, 5};
    EXPECT_TRUE(log.LogEvent(true, 219));
    time = {2002, 1, 2, 0, 0, 0, 3};
    EXPECT_TRUE(log.AppendLogLine(""));
    EXPECT_EQ(Contents(),
              "2001/03/03 21:05 回線が接続されました\r\n"
              "1999/12/31 23:59 - - - - - -\r\n"
              "2002/01/02 00:00 \r\n");
    // The same first line as bytes: the UTF-8 of 回 is E5 9B 9E.
    const std::string bytes = Contents();
    EXPECT_EQ(bytes.substr(0, 20), "2001/03/03 21:05 \xE5\x9B\x9E");
    EXPECT_EQ(bytes.size(), 17u + 30u + 2u + 17u + 11u + 2u + 17u + 2u);
}

TEST_F(EventLogTest, TextsAreWrittenVerbatim) {
    EventLog log = Log();
    // The error line with all seven bits, as the tick joins it: half-width
    // katakana are three bytes each in UTF-8 (ｱ is EF BD B1), the last part
    // begins with an ideographic space (E3 80 80).
    const std::string errors =
        "通信エラー発生 - ｱﾗｲﾒﾝトｴﾗｰ ﾊﾞｯﾌｧｵｰﾊﾞｰﾗﾝ CRCｴﾗｰ ﾌﾚｰﾐﾝｸﾞｴﾗｰ ｵｰﾊﾞｰﾗﾝ 不完全ﾌﾚｰﾑ"
        "\xE3\x80\x80ﾀｲﾑｱｳﾄ";
    EXPECT_TRUE(log.AppendLogLine(errors));
    // Format directives in a text are not interpreted.
    EXPECT_TRUE(log.AppendLogLine("100%u %s %% done"));
    EXPECT_EQ(Contents(),
              std::string(kStamp) + errors + "\r\n" + std::string(kStamp) + "100%u %s %% done\r\n");
    EXPECT_EQ(Contents().substr(17 + 23, 4), " \xEF\xBD\xB1");
}

TEST_F(EventLogTest, TheLineAfterTheThousandthRemovesTheOldest) {
    EventLog log = Log();
    Store(NumberedLines(1, 1000, 40));  // 999 lines
    EXPECT_TRUE(log.AppendLogLine("a"));
    const std::string thousand = NumberedLines(1, 1000, 40) + std::string(kStamp) + "a\r\n";
    EXPECT_EQ(Contents(), thousand);

    EXPECT_TRUE(log.AppendLogLine("b"));
    EXPECT_EQ(Contents(), NumberedLines(2, 1000, 40) + std::string(kStamp) + "a\r\n" +
                              std::string(kStamp) + "b\r\n");
}

TEST_F(EventLogTest, ALongerLogIsCutToItsLastThousandLinesAtTheNextAppend) {
    EventLog log = Log();
    Store(NumberedLines(1, 1501, 30));  // 1500 lines, 45,000 bytes
    EXPECT_TRUE(log.AppendLogLine("new"));
    // 1501 lines: the oldest 501 go.
    EXPECT_EQ(Contents(), NumberedLines(502, 1501, 30) + std::string(kStamp) + "new\r\n");

    // Also when the line itself does not fit.
    Store(NumberedLines(1, 1201, 20));
    EXPECT_FALSE(log.AppendLogLine(std::string(100000, 'y')));
    EXPECT_EQ(Contents(), NumberedLines(201, 1201, 20));
}

TEST_F(EventLogTest, AFinalLineWithoutLfIsNotCountedAndStays) {
    EventLog log = Log();
    const std::string full = NumberedLines(1, 1001, 30);  // exactly 1000 lines
    Store(full + "partial");
    // A text that can never fit: nothing is appended, nothing is cut, because
    // the unended line is not the 1001st.
    EXPECT_FALSE(log.AppendLogLine(std::string(100000, 'y')));
    EXPECT_EQ(Contents(), full + "partial");

    // An appended line continues the unended one and ends it.
    EXPECT_TRUE(log.AppendLogLine("z"));
    EXPECT_EQ(Contents(), NumberedLines(2, 1001, 30) + "partial" + std::string(kStamp) + "z\r\n");
}

TEST_F(EventLogTest, ByteBound) {
    EventLog log = Log();
    // A line of text "abc" is 20 bytes plus CR LF. It fits while the file is
    // below 100,000 - 20 - 3 = 99,977 bytes.
    const std::string first = "first\r\n";  // 7 bytes
    // 99,976 = 7 + 499 lines of 200 + 99,969 - 99,800 = 169 more.
    const std::string body = NumberedLines(2, 501, 200) + NumberedLine(501, 169);
    ASSERT_EQ(first.size() + body.size(), 99976u);
    Store(first + body);
    EXPECT_TRUE(log.AppendLogLine("abc"));
    EXPECT_EQ(Contents(), first + body + std::string(kStamp) + "abc\r\n");
    EXPECT_EQ(Contents().size(), 99998u);

    // At 99,977 bytes it no longer fits: the oldest line makes room.
    const std::string body2 = NumberedLines(2, 501, 200) + NumberedLine(501, 170);
    Store(first + body2);
    EXPECT_TRUE(log.AppendLogLine("abc"));
    EXPECT_EQ(Contents(), body2 + std::string(kStamp) + "abc\r\n");
    EXPECT_EQ(Contents().size(), 99970u + 22u);
}

TEST_F(EventLogTest, ATextThatCanNeverFitIsDroppedAndTheFileRewrittenUnchanged) {
    EventLog log = Log();
    // 17 + 99,979 + 3 = 99,999: the longest text that fits, in an empty log.
    const std::string longest(99979, 'L');
    EXPECT_TRUE(log.AppendLogLine(longest));
    EXPECT_EQ(Contents(), std::string(kStamp) + longest + "\r\n");
    EXPECT_EQ(Contents().size(), 99998u);

    // In a log that holds a line, that line gives way to it.
    Store("old\r\n");
    EXPECT_TRUE(log.AppendLogLine(longest));
    EXPECT_EQ(Contents(), std::string(kStamp) + longest + "\r\n");

    // One byte more never fits; the file is still rewritten (a new inode).
    Store("old\r\n");
    const ino_t before = Inode();
    EXPECT_FALSE(log.AppendLogLine(longest + "L"));
    EXPECT_EQ(Contents(), "old\r\n");
    EXPECT_NE(Inode(), before);

    // An unended line that fills the buffer cannot be dropped to make room.
    const std::string unended = "a\r\n" + std::string(99990, 'u');
    Store(unended);
    EXPECT_FALSE(log.AppendLogLine("x"));
    EXPECT_EQ(Contents(), unended);
}

TEST_F(EventLogTest, AnOversizedForeignLogKeepsItsLastWholeLinesWithinTheBuffer) {
    EventLog log = Log();
    // Lines 0 to 4999 of 60 bytes: 300,000 bytes. The last 100,000 bytes
    // begin at 200,000, inside line 3333, so lines 3334 to 4999 remain:
    // 1666 lines, 99,960 bytes.
    Store(NumberedLines(0, 5000, 60));
    const LogText shown = log.ReadLogText();
    EXPECT_EQ(shown.kind, LogText::Kind::Log);
    EXPECT_EQ(shown.text, NumberedLines(3334, 5000, 60));

    // Appending then keeps the newest 1000 lines: 999 old ones and the new.
    EXPECT_TRUE(log.AppendLogLine("after"));
    EXPECT_EQ(Contents(), NumberedLines(4001, 5000, 60) + std::string(kStamp) + "after\r\n");

    // 3000 lines of 100 bytes: the last 100,000 bytes are exactly lines
    // 2000 to 2999, all whole.
    Store(NumberedLines(0, 3000, 100));
    EXPECT_EQ(log.ReadLogText().text, NumberedLines(2000, 3000, 100));
    // 100,000 bytes leave no room: line 2000 gives way to the new line.
    EXPECT_TRUE(log.AppendLogLine("n"));
    EXPECT_EQ(Contents(), NumberedLines(2001, 3000, 100) + std::string(kStamp) + "n\r\n");

    // Without any LF in its last 100,000 bytes nothing is kept.
    Store(std::string(250000, 'q'));
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::Empty);
    EXPECT_TRUE(log.AppendLogLine("fresh"));
    EXPECT_EQ(Contents(), std::string(kStamp) + "fresh\r\n");
}

TEST_F(EventLogTest, ReadLogText) {
    EventLog log = Log();
    LogText shown = log.ReadLogText();
    EXPECT_EQ(shown.kind, LogText::Kind::Empty);
    EXPECT_EQ(shown.text, "ログは空です。");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);

    Store(std::string("2001/03/03 21:05 x\r\n\0tail", 25));
    shown = log.ReadLogText();
    EXPECT_EQ(shown.kind, LogText::Kind::Log);
    EXPECT_EQ(shown.text, std::string("2001/03/03 21:05 x\r\n\0tail", 25));
}

TEST_F(EventLogTest, ClearLogEmptiesOrCreatesTheFileAndLeavesNothingElse) {
    EventLog log = Log();
    EXPECT_TRUE(log.ClearLog());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);

    EXPECT_TRUE(log.AppendLogLine("x"));
    EXPECT_TRUE(log.ClearLog());
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::Empty);

    // No replacement leaves a temporary file behind.
    Store(NumberedLines(0, 1200, 90));
    EXPECT_TRUE(log.AppendLogLine("a"));
    EXPECT_FALSE(log.AppendLogLine(std::string(100000, 'b')));
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::Log);
    EXPECT_TRUE(log.ClearLog());
    EXPECT_EQ(dir.Entries(), 1u);
}

TEST_F(EventLogTest, AFileThatCannotBeUsedIsLeftAlone) {
    // The log's name taken by a directory: nothing is read, replaced or shown.
    fs::create_directory(path);
    fs::create_directory(fs::path(path) / "inside");
    EventLog log = Log();
    EXPECT_FALSE(log.AppendLogLine("x"));
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::NoResult);
    EXPECT_FALSE(log.ClearLog());
    EXPECT_TRUE(fs::is_directory(fs::path(path) / "inside"));
    EXPECT_EQ(dir.Entries(), 1u);

    // A link that leads to itself cannot be read: it is not replaced either.
    fs::remove_all(path);
    fs::create_symlink("Trovik.LOG", path);
    EXPECT_FALSE(log.AppendLogLine("x"));
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::NoResult);
    EXPECT_FALSE(log.ClearLog());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(dir.Entries(), 1u);

    // Nor a FIFO, which must not block either.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(log.AppendLogLine("x"));
    EXPECT_EQ(log.ReadLogText().kind, LogText::Kind::NoResult);
    EXPECT_FALSE(log.ClearLog());
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_EQ(dir.Entries(), 1u);

    // A directory that does not exist: nothing is created.
    EventLog nowhere((dir.Path("missing") / "Trovik.LOG").string(), [this] { return time; });
    EXPECT_FALSE(nowhere.LogEvent(true, 216));
    EXPECT_EQ(nowhere.ReadLogText().kind, LogText::Kind::NoResult);
    EXPECT_FALSE(fs::exists(dir.Path("missing")));
}

TEST_F(EventLogTest, ALinkInTheLogsPlaceIsNeitherFollowedNorReplaced) {
    const std::string target = dir.Path("elsewhere.txt").string();
    const std::string nowhere = dir.Path("nowhere.txt").string();
    const std::string before = std::string(kStamp) + "kept\r\n";
    struct Case {
        const char* what;
        std::string leadsTo;
    };
    const Case cases[] = {{"a link to a real file", target}, {"a link to nothing", nowhere}};
    using Use = std::function<bool(EventLog&)>;
    const std::pair<const char*, Use> uses[] = {
        {"append", [](EventLog& log) { return log.AppendLogLine("x"); }},
        {"read", [](EventLog& log) { return log.ReadLogText().kind != LogText::Kind::NoResult; }},
        {"clear", [](EventLog& log) { return log.ClearLog(); }},
    };
    for (const Case& c : cases) {
        for (const auto& [name, use] : uses) {
            SCOPED_TRACE(std::string(c.what) + ", " + name);
            WriteText(target, before);
            fs::remove(path);
            fs::create_symlink(c.leadsTo, path);
            EventLog log = Log();
            EXPECT_FALSE(use(log));
            EXPECT_TRUE(fs::is_symlink(path));
            EXPECT_EQ(ReadText(target), before);
            EXPECT_FALSE(fs::exists(nowhere)) << "nothing is created through the link";
            EXPECT_EQ(dir.Entries(), 2u);
        }
    }
}

TEST_F(EventLogTest, AppendingKeepsTheLogsPermissions) {
    EventLog log = Log();
    ASSERT_TRUE(log.AppendLogLine("a"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(log.AppendLogLine("b"));
    ASSERT_TRUE(log.ClearLog());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace trovik
