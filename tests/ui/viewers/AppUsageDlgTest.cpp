// The usage per application's viewer on a view of its own: the rows as the
// view gives them with their figures, bars and icons, the choice of days it
// asks for, the texts in place of rows, and the refresh while it is open.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDateEdit>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <utility>

#include "tests/core/EngineFixture.h"
#include "ui/viewers/AppUsageChart.h"
#include "ui/viewers/CAppUsageDlg.h"

namespace trovik {
namespace {

class FakeUsage final : public AppUsageView {
public:
    AppUsageState State() const override { return state; }
    AppUsageKind Kind() const override { return kind; }
    std::vector<AppUsageRow> Summary(std::uint32_t first, std::uint32_t last) const override {
        asked.emplace_back(first, last);
        return rows;
    }

    AppUsageState state = AppUsageState::Recording;
    AppUsageKind kind = AppUsageKind::TcpOnly;
    std::vector<AppUsageRow> rows;
    mutable std::vector<std::pair<std::uint32_t, std::uint32_t>> asked;
};

AppUsageRow App(std::string name, std::uint64_t received, std::uint64_t sent,
                std::string icon = {}) {
    AppUsageRow row;
    row.key = name;
    row.name = std::move(name);
    row.icon = std::move(icon);
    row.received = received;
    row.sent = sent;
    return row;
}

AppUsageRow Unattributed(std::uint64_t received, std::uint64_t sent) {
    AppUsageRow row = App(std::string(kUnattributedAppName), received, sent);
    row.key.clear();
    row.unattributed = true;
    return row;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool SameTexts(const AppRowTexts& a, const AppRowTexts& b) {
    return a.name == b.name && a.received == b.received && a.sent == b.sent && a.total == b.total;
}

class AppUsageViewer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }
    AppUsageViewer() {
        clock.now = At(2001, 3, 15);
        // Firefox 3 MiB down and 512 KiB up; ssh 1536 and 1023 bytes; the
        // unattributed part larger than any application, and still last.
        usage.rows = {App("Firefox", 3145728, 524288, "firefox"), App("ssh", 1536, 1023),
                      Unattributed(8388608, 0)};
    }
    std::unique_ptr<CAppUsageDlg> Open() {
        return std::make_unique<CAppUsageDlg>(usage, clock, Date{2001, 3, 10}, Date{2001, 4, 9});
    }

    FakeUsage usage;
    FakeClock clock;
};

TEST_F(AppUsageViewer, RowsAsGivenWithTheirFiguresAndSum) {
    const auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("アプリ別の通信量"));
    EXPECT_TRUE(dialog->isModal());
    const AppUsageChart& chart = dialog->Chart();
    ASSERT_EQ(chart.Rows().size(), 3u);
    // Whole kilobytes, truncated: 2559 bytes are 2 KB, 1023 are none.
    const AppRowTexts expected[] = {
        {QStringLiteral("Firefox"), QStringLiteral("3 MB"), QStringLiteral("512 KB"),
         QStringLiteral("3.5 MB")},
        {QStringLiteral("ssh"), QStringLiteral("1 KB"), QStringLiteral("0 KB"),
         QStringLiteral("2 KB")},
        {QStringLiteral("未特定 (UDP/QUIC など)"), QStringLiteral("8 MB"), QStringLiteral("0 KB"),
         QStringLiteral("8 MB")},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const AppRowTexts shown = chart.Texts(i);
        EXPECT_TRUE(SameTexts(shown, expected[i]))
            << i << ": " << shown.name.toStdString() << " " << shown.received.toStdString() << " "
            << shown.sent.toStdString() << " " << shown.total.toStdString();
    }
    EXPECT_TRUE(chart.Rows().back().unattributed);
    // 11,535,872 received and 525,311 sent bytes.
    EXPECT_EQ(dialog->TotalText(), QStringLiteral("合計 11.5 MB（受信 11 MB / 送信 512 KB）"));
    EXPECT_TRUE(dialog->Message().isEmpty());
    EXPECT_TRUE(dialog->Note().isEmpty());

    // The largest row is the unattributed one: its bar is full, Firefox's
    // 3.5 / 8 of it with 6 / 7 of that received.
    dialog->show();
    QApplication::processEvents();
    EXPECT_EQ(dialog->size(), QSize(420, 360)) << "everything fits the default size";
    const int full = chart.BarRect(2).width();
    ASSERT_GT(full, 40);
    EXPECT_EQ(chart.Segments(2), (BarSegments{full, 0}));
    const BarSegments firefox = chart.Segments(0);
    EXPECT_NEAR(firefox.received + firefox.sent, full * 0.4375, 0.5);
    EXPECT_NEAR(firefox.received, (firefox.received + firefox.sent) * 6.0 / 7.0, 0.5);
    // Painted in the legend's colours, received first.
    const QImage painted = dialog->Chart().grab().toImage();
    const QRect bar = chart.BarRect(0);
    EXPECT_EQ(painted.pixelColor(bar.left() + 1, bar.center().y()), kAppReceivedColour);
    EXPECT_EQ(
        painted.pixelColor(bar.left() + firefox.received + firefox.sent - 1, bar.center().y()),
        kAppSentColour);
}

TEST_F(AppUsageViewer, EachRangeAsksForItsDays) {
    const auto dialog = Open();
    dialog->show();
    EXPECT_EQ(dialog->RangeButton(AppUsageRange::Period)->text(),
              QStringLiteral("今期 (3/10〜4/9)"));
    EXPECT_TRUE(dialog->RangeButton(AppUsageRange::Today)->isChecked());
    struct Step {
        const char* what;
        std::function<void()> act;
        AppUsageRange range;
        std::uint32_t first;
        std::uint32_t last;
    };
    const Step steps[] = {
        {"opened on today", [] {}, AppUsageRange::Today, 20010315, 20010315},
        {"the period", [&] { dialog->RangeButton(AppUsageRange::Period)->click(); },
         AppUsageRange::Period, 20010310, 20010409},
        {"a day picked", [&] { dialog->DayEdit()->setDate(QDate(2001, 2, 3)); }, AppUsageRange::Day,
         20010203, 20010203},
        {"today again", [&] { dialog->RangeButton(AppUsageRange::Today)->click(); },
         AppUsageRange::Today, 20010315, 20010315},
        {"the picked day again", [&] { dialog->RangeButton(AppUsageRange::Day)->click(); },
         AppUsageRange::Day, 20010203, 20010203},
        {"today, then the arrow key to the period",
         [&] {
             dialog->RangeButton(AppUsageRange::Today)->click();
             dialog->activateWindow();
             dialog->RangeButton(AppUsageRange::Today)->setFocus();
             QApplication::processEvents();
             QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
             QApplication::sendEvent(dialog->RangeButton(AppUsageRange::Today), &right);
         },
         AppUsageRange::Period, 20010310, 20010409},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        ASSERT_FALSE(usage.asked.empty());
        EXPECT_EQ(usage.asked.back(), std::make_pair(step.first, step.last));
        EXPECT_EQ(dialog->Range(), step.range);
        EXPECT_TRUE(dialog->RangeButton(step.range)->isChecked());
    }
    EXPECT_EQ(dialog->DayEdit()->maximumDate(), QDate(2001, 3, 15)) << "no day after today";

    // A period over the turn of the year.
    CAppUsageDlg winter(usage, clock, Date{2000, 12, 10}, Date{2001, 1, 9});
    EXPECT_EQ(winter.RangeButton(AppUsageRange::Period)->text(),
              QStringLiteral("今期 (12/10〜1/9)"));
    winter.RangeButton(AppUsageRange::Period)->click();
    EXPECT_EQ(usage.asked.back(), std::make_pair(20001210u, 20010109u));
}

TEST_F(AppUsageViewer, TextsInPlaceOfRows) {
    const QString off =
        QStringLiteral("アプリ別の通信量の記録はオフです（設定の「その他」ページで切り替えます）");
    const QString none = QStringLiteral("この期間の記録はありません");
    const QString inMemory =
        QStringLiteral("記録ファイルが使えないため、この実行中の分だけを表示しています");
    struct Case {
        AppUsageState state;
        bool withRows;
        QString message;
        QString note;
    };
    const Case cases[] = {
        {AppUsageState::Off, false, off, {}},
        {AppUsageState::Recording, false, none, {}},
        {AppUsageState::InMemory, false, none, inMemory},
        {AppUsageState::InMemory, true, {}, inMemory},
    };
    const std::vector<AppUsageRow> rows = usage.rows;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state) * 2 + c.withRows);
        usage.state = c.state;
        usage.rows = c.withRows ? rows : std::vector<AppUsageRow>{};
        usage.asked.clear();
        const auto dialog = Open();
        EXPECT_EQ(dialog->Message(), c.message);
        EXPECT_EQ(dialog->Note(), c.note);
        EXPECT_EQ(dialog->Chart().Rows().size(), c.withRows ? rows.size() : 0u);
        EXPECT_EQ(dialog->TotalText().isEmpty(), !c.withRows);
        const bool isOff = c.state == AppUsageState::Off;
        EXPECT_EQ(usage.asked.empty(), isOff) << "nothing to ask while off";
        EXPECT_EQ(dialog->RangeButton(AppUsageRange::Period)->isEnabled(), !isOff);
    }
}

TEST_F(AppUsageViewer, FollowsTheViewWhileOpen) {
    const std::vector<AppUsageRow> rows = usage.rows;
    usage.rows.clear();
    const auto dialog = Open();
    dialog->RangeButton(AppUsageRange::Period)->click();
    ASSERT_FALSE(dialog->Message().isEmpty());

    usage.rows = rows;
    usage.rows[0].received += 1048576;
    usage.rows.insert(usage.rows.begin() + 1, App("curl", 2048, 0));
    QApplication::processEvents();
    EXPECT_FALSE(dialog->Message().isEmpty()) << "not before the second is up";
    usage.asked.clear();
    Wait(1200);
    EXPECT_TRUE(dialog->Message().isEmpty());
    ASSERT_EQ(dialog->Chart().Rows().size(), 4u);
    EXPECT_EQ(dialog->Chart().Texts(0).received, QStringLiteral("4 MB"));
    EXPECT_EQ(dialog->Chart().Texts(1).name, QStringLiteral("curl"));
    EXPECT_EQ(dialog->TotalText(), QStringLiteral("合計 12.5 MB（受信 12 MB / 送信 512 KB）"));
    ASSERT_FALSE(usage.asked.empty());
    EXPECT_EQ(usage.asked.back(), std::make_pair(20010310u, 20010409u)) << "the chosen range";
}

// The line under the rows says how the applications were told apart, and
// follows the source when it changes while the viewer is open (the helper
// starts or stops answering).
TEST_F(AppUsageViewer, SaysHowTheApplicationsAreToldApart) {
    const auto dialog = Open();
    EXPECT_EQ(dialog->KindText(), QStringLiteral("計測：TCP のみ（UDP/QUIC は未特定に入ります）"));
    usage.kind = AppUsageKind::Exact;
    Wait(1200);
    EXPECT_EQ(dialog->KindText(), QStringLiteral("計測：正確 (trovik-acctd)"));
    usage.kind = AppUsageKind::TcpOnly;
    usage.rows.clear();
    dialog->Refresh();
    EXPECT_EQ(dialog->KindText(), QStringLiteral("計測：TCP のみ（UDP/QUIC は未特定に入ります）"))
        << "also without rows";
}

TEST(AppUsageBars, SegmentsAgainstTheLargestRow) {
    struct Case {
        std::uint64_t received;
        std::uint64_t sent;
        std::uint64_t largest;
        int width;
        BarSegments bar;
    };
    const Case cases[] = {
        {50, 50, 100, 100, {50, 50}},
        {100, 0, 100, 100, {100, 0}},
        {0, 100, 400, 100, {0, 25}},
        {0, 0, 100, 100, {0, 0}},
        {1, 0, 1000000, 100, {1, 0}},  // anything moved shows
        {1, 999, 1000, 100, {1, 99}},  // so does each direction that moved
        {999, 1, 1000, 100, {99, 1}},
        {200, 0, 100, 100, {100, 0}},  // never past the bar
        {1ull << 62, 1ull << 62, 1ull << 63, 100, {50, 50}},
        {5, 5, 0, 100, {0, 0}},
        {5, 5, 10, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        const BarSegments bar = AppBarSegments(App("a", c.received, c.sent), c.largest, c.width);
        EXPECT_EQ(bar, c.bar) << c.received << "/" << c.sent << " of " << c.largest << ": "
                              << bar.received << "+" << bar.sent;
    }
}

TEST(AppUsageIcons, NamePathOrFallback) {
    testing::ScratchDir dir{"trovik-app-icons-"};
    const QString picture = QString::fromStdString(dir.Path("red.png").string());
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(picture));
    std::ofstream(dir.Path("notes.png")) << "not a picture";
    const std::string fifo = dir.Path("pipe.png").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    const QIcon fallback(blue);
    const QIcon fromFile = AppUsageIcon(App("a", 1, 1, picture.toStdString()), fallback);
    EXPECT_EQ(fromFile.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));

    const std::string fallsBack[] = {
        "",
        dir.Path("missing.png").string(),
        dir.Path("notes.png").string(),
        fifo,  // never opened: it would wait for a writer
        dir.path().string(),
        "icons/red.png",
        "trovik-no-such-theme-icon",
    };
    for (const std::string& icon : fallsBack) {
        EXPECT_EQ(AppUsageIcon(App("a", 1, 1, icon), fallback).cacheKey(), fallback.cacheKey())
            << icon;
    }
    AppUsageRow unattributed = Unattributed(1, 1);
    unattributed.icon = picture.toStdString();
    EXPECT_TRUE(AppUsageIcon(unattributed, fallback).isNull()) << "no application's icon";
}

}  // namespace
}  // namespace trovik
