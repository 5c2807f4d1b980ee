// The weekly scope's strips and the cumulative chart painted into images,
// and the texts that depend only on numbers.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "stats/Calendar.h"
#include "ui/charts/CumulativeChart.h"
#include "ui/charts/WeeklyScopeChart.h"

namespace trovik {
namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kYellow = 0xFFFFFF00;

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// ---- weekly scope ----

// One strip of 144 × 24 pixels: one pixel per column, rows 0 (top) to 23.
QImage PaintStrip(unsigned weekday, const ScopeImage& scope, unsigned currentSlot) {
    QImage image = Canvas(144, 24);
    QPainter painter(&image);
    PaintScopeStrip(painter, QRect(0, 0, 144, 24), weekday, scope, ScopeScale(scope), currentSlot);
    return image;
}

TEST(WeeklyScopeStrip, BandBarsLatestRowAndCurrentSlot) {
    ScopeImage scope;
    // Monday 12:00 (slot 216): the scale's top; latest at 100.
    scope.SetHighest(216, 230);
    scope.SetLatest(216, 100);
    // Monday 12:10, never measured, is the current slot in one case below.
    // Monday 12:20: a latest of 0 under a nonzero highest.
    scope.SetHighest(218, 23);
    // Monday 23:40 (position 70, inside the band): a low bar.
    scope.SetHighest(286, 23);
    scope.SetLatest(286, 23);

    const QImage strip = PaintStrip(1, scope, 216);
    struct Case {
        int x, y;
        QRgb colour;
        const char* what;
    } cases[] = {
        {0, 0, kGreen, "current slot above the bar"},
        {0, 1, kRed, "a full bar stops one row below the top"},
        {0, 13, kRed, "bar"},
        {0, 14, kYellow, "latest: 24 - 23 * 100 / 230"},
        {0, 23, kRed, "bar bottom row"},
        {1, 12, kBlack, "never measured"},
        {2, 23, kRed, "(24 - 1) * 23 / 230 rises 2 rows"},
        {2, 22, kRed, "no yellow for a latest of 0"},
        {2, 21, kBlack, ""},
        {65, 5, kBlack, "22:50, before the band"},
        {66, 5, kBlue, "23:00"},
        {70, 5, kBlue, "band above a bar"},
        {70, 21, kBlue, ""},
        {70, 22, kYellow, "a latest equal to the highest marks the bar's top row"},
        {70, 23, kRed, ""},
        {119, 5, kBlue, "7:50"},
        {120, 5, kBlack, "8:00, after the band"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(strip.pixel(c.x, c.y), c.colour) << c.x << "," << c.y << " " << c.what;
    }

    const QImage unmeasuredNow = PaintStrip(1, scope, 217);
    EXPECT_EQ(unmeasuredNow.pixel(1, 0), kBlack) << "no green without a bar";
    EXPECT_EQ(unmeasuredNow.pixel(0, 0), kBlack) << "the green mark follows the current slot";
}

TEST(WeeklyScopeStrip, SaturdayRunsOnIntoSunday) {
    ScopeImage scope;
    scope.SetHighest(0, 230);     // Sunday 00:00
    scope.SetHighest(1007, 115);  // Saturday 23:50
    scope.SetHighest(936, 115);   // Saturday 12:00
    const QImage saturday = PaintStrip(6, scope, 5000);
    EXPECT_EQ(saturday.pixel(0, 20), kRed) << "Saturday noon first";
    EXPECT_EQ(saturday.pixel(71, 20), kRed) << "slot 1,007";
    EXPECT_EQ(saturday.pixel(71, 5), kBlue);
    EXPECT_EQ(saturday.pixel(72, 1), kRed) << "slot 0 follows slot 1,007";
    const QImage sunday = PaintStrip(0, scope, 5000);
    EXPECT_EQ(sunday.pixel(72 - 72, 20), kBlack) << "Sunday's strip starts at its own noon";
}

TEST(WeeklyScopeStrip, TheLargestValuesFillTheStrip) {
    // Values a damaged file may hold: heights must not wrap around.
    ScopeImage scope;
    scope.SetHighest(216, 0xFFFFFFFFu);
    scope.SetLatest(216, 0xFFFFFFFFu);
    scope.SetHighest(217, 0x80000000u);
    EXPECT_EQ(ScopeScale(scope), 0xFFFFFFFFu);
    const QImage strip = PaintStrip(1, scope, 0);
    EXPECT_EQ(strip.pixel(0, 1), kYellow);
    EXPECT_EQ(strip.pixel(0, 2), kRed);
    EXPECT_EQ(strip.pixel(1, 13), kRed) << "half the scale: 11 rows";
    EXPECT_EQ(strip.pixel(1, 12), kBlack);
}

TEST(WeeklyScopeStrip, ScaleIsTheLargestValueOfBothHalvesAndAtLeastOne) {
    ScopeImage scope;
    EXPECT_EQ(ScopeScale(scope), 1u);
    scope.SetHighest(3, 70);
    scope.SetLatest(900, 90);  // a latest above every highest counts too
    EXPECT_EQ(ScopeScale(scope), 90u);
}

TEST(WeeklyScopeText, CurrentSlotAndPlaceUnderThePointer) {
    struct Now {
        unsigned weekday, hour, minute, slot;
    } nows[] = {{0, 0, 0, 0}, {6, 23, 59, 1007}, {1, 12, 5, 216}, {3, 8, 10, 3 * 144 + 49}};
    for (const Now& n : nows) {
        LocalTime t;
        t.weekday = n.weekday;
        t.hour = n.hour;
        t.minute = n.minute;
        EXPECT_EQ(CurrentScopeSlot(t), n.slot) << n.weekday << " " << n.hour << ":" << n.minute;
    }

    struct Point {
        unsigned stripWeekday;
        int x, left, width;
        std::optional<ScopePlace> place;
    } points[] = {
        {1, 16, 16, 144, ScopePlace{1, 72}},   // left edge: Monday 12:00
        {1, 159, 16, 144, ScopePlace{2, 71}},  // right end: Tuesday 11:50
        {1, 88, 16, 144, ScopePlace{2, 0}},    // midnight
        {1, 87, 16, 144, ScopePlace{1, 143}},  // Monday 23:50
        {6, 88, 16, 144, ScopePlace{0, 0}},    // Saturday into Sunday
        {1, 16 + 355, 16, 356, ScopePlace{2, 71}}, {1, 15, 16, 144, std::nullopt},
        {1, 160, 16, 144, std::nullopt},           {1, 20, 16, 0, std::nullopt},
    };
    for (const Point& p : points) {
        EXPECT_EQ(ScopePlaceAt(p.stripWeekday, p.x, p.left, p.width), p.place)
            << p.stripWeekday << " x " << p.x << " width " << p.width;
    }
}

TEST(WeeklyScopeText, StatusLine) {
    ScopeImage scope;
    scope.SetHighest(2 * 144 + 71, 5000);
    scope.SetLatest(2 * 144 + 71, 1200);
    scope.SetLatest(6 * 144 + 143, 7);  // latest without highest: never measured
    struct Case {
        ScopePlace place;
        std::string text;
    } cases[] = {
        {{1, 72}, " 月曜日 12:00 から10分間の平均受信速度は 未計測"},
        {{2, 71}, " 火曜日 11:50 から10分間の平均受信速度は 最高5000ﾊﾞｲﾄ/秒, 最新1200ﾊﾞｲﾄ/秒"},
        {{0, 0}, " 日曜日 00:00 から10分間の平均受信速度は 未計測"},
        {{6, 143}, " 土曜日 23:50 から10分間の平均受信速度は 未計測"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScopeStatusText(scope, c.place), c.text);
    }
}

// ---- cumulative chart ----

// A chart area whose plot is 310 × 200 pixels at (2, 8): day i owns the
// columns x = 2 + 10 i to 10 i + 9, the plot's bottom edge is y = 208. The
// day labels take the rows from 184 down, the transfer view's own labels
// rows 3 and 103 on at the left.
constexpr QRect kArea(0, 0, 312, 208);

struct ChartRun {
    QImage image = Canvas(320, 216);
    std::uint64_t largest = 0;
};

ChartRun Paint(const CumulativeChart& chart) {
    ChartRun run;
    QPainter painter(&run.image);
    run.largest = PaintCumulativeChart(painter, kArea, chart);
    return run;
}

// A period of 28 days from record 100, its first day a Sunday.
BillingPeriod TestPeriod() {
    BillingPeriod period;
    period.year = 2001;
    period.month = 2;
    period.closeDay = 10;
    period.firstRecord = 100;
    period.days = 28;
    period.firstWeekday = 0;
    return period;
}

void SetHour(CumulativeImage& image, std::size_t record, std::size_t hour, std::uint16_t seconds,
             std::uint8_t calls = 0) {
    image.Record(record).Hour(hour).SetSeconds(seconds);
    image.Record(record).Hour(hour).SetConnections(calls);
}

CumulativeChart Chart(const CumulativeImage& image, unsigned view, std::uint32_t fullScale,
                      const std::array<std::uint32_t, 7>& masks = {}) {
    CumulativeChart chart;
    chart.image = &image;
    chart.period = TestPeriod();
    chart.view = view;
    chart.fullScale = fullScale;
    chart.discountHours = masks;
    return chart;
}

constexpr std::array<std::uint32_t, 7> kNightMasks{0x8000FF, 0x8000FF, 0x8000FF, 0x8000FF,
                                                   0x8000FF, 0x8000FF, 0x8000FF};

TEST(CumulativeChartPaint, ConnectTimeWeekdayColoursAndOverflow) {
    CumulativeImage image;
    SetHour(image, 100, 1, 1800);   // Sunday: 1800 s in discount hours
    SetHour(image, 100, 12, 1800);  // and 1800 s in normal hours
    SetHour(image, 102, 12, 3600);  // Tuesday: 10,200 s, over the scale
    SetHour(image, 102, 13, 3600);
    SetHour(image, 102, 14, 3000);
    SetHour(image, 103, 5, 65535);  // counted as one hour
    SetHour(image, 128, 12, 3600);  // the day after the period
    CumulativeChart chart = Chart(image, kConnectTimeView, 7200, kNightMasks);
    const ChartRun run = Paint(chart);
    EXPECT_EQ(run.largest, 10200u);
    struct Case {
        int x, y;
        QRgb colour;
        const char* what;
    } cases[] = {
        {4, 170, kGreen, "Sunday discount, bright"},
        {4, 160, kGreen, "50 rows high"},
        {4, 157, kRed, "normal above it, bright"},
        {4, 120, kRed, ""},
        {4, 90, kBlack, "above the bar"},
        {4, 3, kBlack, "no overflow block"},
        {9, 170, kGreen, "the column's last pixel"},
        {10, 170, kBlack, "two pixels between columns"},
        {24, 100, 0xFFC00000, "Tuesday normal hours, dark"},
        {24, 3, 0xFFC0C000, "overflow block, dark, above the plot"},
        {34, 150, 0xFF00C000, "Wednesday discount, dark, held at one hour"},
        {34, 100, kBlack, ""},
        {34, 3, kBlack, ""},
        {285, 150, kBlack, "a 28-day period leaves the last three places empty"},
        {3, 58, 0xFF606060, "grid line at a quarter"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run.image.pixel(c.x, c.y), c.colour) << c.x << "," << c.y << " " << c.what;
    }
    EXPECT_EQ(run.image.pixel(315, 100), qRgb(255, 255, 255)) << "nothing outside the area";
}

TEST(CumulativeChartPaint, TransferHalvesAndTheirOverflow) {
    CumulativeImage image;
    image.Record(100).SetRecvKB(8192);
    image.Record(100).SetSentKB(16384);
    image.Record(101).SetSentKB(20000);
    image.Record(102).SetRecvKB(0xFFFFFFFFu);
    CumulativeChart chart = Chart(image, kTransferView, 16384);
    const ChartRun run = Paint(chart);
    EXPECT_EQ(run.largest, 0xFFFFFFFFu);
    struct Case {
        int x, y;
        QRgb colour;
    } cases[] = {
        {3, 150, kGreen},      {5, 150, kGreen}, {3, 100, kBlack},
        {7, 20, kBlue},        {7, 1, kBlack},  // at the full scale: no block
        {13, 170, kBlack},     {18, 1, kYellow}, {13, 1, kBlack},
        {24, 1, 0xFFC0C000},  // Tuesday's received KB over the scale, dark
        {24, 100, 0xFF00C000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run.image.pixel(c.x, c.y), c.colour) << c.x << "," << c.y;
    }
}

TEST(CumulativeChartPaint, HourOfDayIntensities) {
    CumulativeImage image;
    SetHour(image, 100, 3, 1);
    SetHour(image, 100, 12, 3600);
    SetHour(image, 100, 13, 4000);
    SetHour(image, 100, 14, 1800);
    struct Case {
        std::array<std::uint32_t, 7> masks;
        int y;
        QRgb colour;
    } cases[] = {
        {kNightMasks, 178, qRgb(0, 127, 0)},  // hour 3: 1 s in discount hours
        {kNightMasks, 104, qRgb(255, 0, 0)},  // hour 12: 3,600 s
        {kNightMasks, 96, qRgb(255, 0, 0)},   // hour 13: above an hour
        {kNightMasks, 88, qRgb(191, 0, 0)},   // hour 14: 127 + 64
        {kNightMasks, 150, kBlack},           // no seconds
        {{}, 178, qRgb(127, 0, 0)},           // no type: every hour normal
    };
    for (const Case& c : cases) {
        CumulativeChart chart = Chart(image, kHourOfDayView, 240, c.masks);
        const ChartRun run = Paint(chart);
        EXPECT_EQ(run.image.pixel(4, c.y), c.colour) << c.y;
        EXPECT_EQ(run.largest, 0u);
    }
}

TEST(CumulativeChartPaint, ChargeLinesForSixTypesUpToToday) {
    CumulativeImage image;
    std::vector<ChargeType> types(7);
    for (std::size_t p = 0; p < types.size(); ++p) {
        types[p].freeToll = static_cast<std::uint32_t>(1000 * (p + 1));
        types[p].tollSpan = 0;
        types[p].freeSpan = 0;
    }
    CumulativeChart chart = Chart(image, kChargeRunView, 8000);
    chart.shownTypes = types;
    chart.lastRecord = 104;  // today is the period's fifth day
    const ChartRun run = Paint(chart);
    EXPECT_EQ(run.largest, 6000u) << "the seventh type is not drawn";
    const auto lineAt = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            const QRgb c = run.image.pixel(x, y + dy);
            if (c != kBlack && c != 0xFF606060) {
                return c;
            }
        }
        return kBlack;
    };
    for (std::size_t p = 0; p < 7; ++p) {
        const int y = 208 - 25 * static_cast<int>(p + 1);
        const QRgb expected = p < 6 ? ChargeLineColour(p).rgb() : kBlack;
        EXPECT_EQ(lineAt(30, y), expected) << "type " << p;
        EXPECT_EQ(lineAt(100, y), kBlack) << "type " << p << " stops after today";
    }
    EXPECT_EQ(ChargeLineColour(6).rgb(), kBlack);
}

TEST(CumulativeChartPaint, HugeEstimatesAndEmptyAreasAreHarmless) {
    CumulativeImage image;
    SetHour(image, 100, 12, 65535, 255);
    std::vector<ChargeType> types(1);
    types[0].freeToll = 0xFFFFFF00u;
    types[0].tollSpan = 1;
    CumulativeChart chart = Chart(image, kChargeRunView, 2000);
    chart.shownTypes = types;
    const ChartRun run = Paint(chart);
    EXPECT_GT(run.largest, 2000u);
    QImage tiny = Canvas(4, 4);
    QPainter painter(&tiny);
    EXPECT_EQ(PaintCumulativeChart(painter, QRect(0, 0, 1, 1), chart), 0u);
    chart.image = nullptr;
    EXPECT_EQ(PaintCumulativeChart(painter, QRect(0, 0, 4, 4), chart), 0u);
}

TEST(CumulativeChartText, ScalesAndLabels) {
    struct Scale {
        unsigned view, step;
        std::uint32_t full;
    } scales[] = {{0, 1, 240},   {0, 11, 86400}, {0, 12, 86400},  {0, 0, 240},
                  {2, 5, 2400},  {1, 1, 16384},  {1, 7, 1048576}, {1, 11, 16777216},
                  {3, 8, 20000}, {3, 11, 160000}};
    for (const Scale& s : scales) {
        EXPECT_EQ(FullScale(s.view, s.step), s.full) << s.view << " " << s.step;
    }

    struct Best {
        unsigned view;
        std::uint64_t largest;
        unsigned step;
    } bests[] = {{0, 0, 1},         {0, 240, 1},       {0, 241, 2},   {0, 86401, 12},
                 {1, 16777216, 11}, {1, 16777217, 12}, {3, 10200, 6}, {3, 2000, 1}};
    for (const Best& b : bests) {
        EXPECT_EQ(BestScaleStep(b.view, b.largest), b.step) << b.view << " " << b.largest;
    }

    struct Side {
        unsigned view;
        std::uint32_t full;
        ScaleLabels labels;
    } sides[] = {{0, 240, {"4m", "2m"}},
                 {0, 3600, {"60m", "30m"}},
                 {0, 7200, {"2h", "1h"}},
                 {0, 86400, {"24h", "12h"}},
                 {2, 240, {"24", "12"}},
                 {1, 16384, {}},
                 {3, 2000, {}}};
    for (const Side& s : sides) {
        EXPECT_EQ(SideScaleLabels(s.view, s.full), s.labels) << s.view << " " << s.full;
    }

    struct Axis {
        std::uint32_t kb;
        const char* text;
    } axes[] = {{512, "512KB"},      {1023, "1023KB"}, {1024, "1MB"},   {16384, "16MB"},
                {1048575, "1023MB"}, {1048576, "1GB"}, {8388608, "8GB"}};
    for (const Axis& a : axes) {
        EXPECT_EQ(TransferAxisLabel(a.kb), a.text) << a.kb;
    }
}

TEST(CumulativeChartText, DayLabelsWrapIntoTheClosingMonth) {
    struct Case {
        unsigned year, closingMonth, closeDay, i;
        DayLabel label;
    } cases[] = {
        {2001, 3, 10, 0, {10, 2, true}},   {2001, 3, 10, 18, {28, 2, false}},
        {2001, 3, 10, 19, {1, 3, true}},   {2001, 3, 10, 27, {9, 3, false}},
        {2000, 3, 10, 19, {29, 2, false}},  // a leap year's February
        {2001, 1, 25, 0, {25, 12, true}},  {2001, 1, 25, 7, {1, 1, true}},
        {2001, 4, 1, 0, {1, 3, true}},     {2001, 4, 1, 30, {31, 3, false}},
    };
    for (const Case& c : cases) {
        const BillingPeriod period = PeriodClosingIn(c.year, c.closingMonth, c.closeDay);
        EXPECT_EQ(PeriodDayLabel(period, c.i), c.label)
            << c.year << "/" << c.closingMonth << " close " << c.closeDay << " day " << c.i;
    }
}

TEST(CumulativeChartText, ChargeLinesStopAfterToday) {
    LocalTime today;
    today.year = 2001;
    today.month = 3;
    today.day = 15;
    EXPECT_EQ(LastRecordUpTo(2001, today), 31 + 31 + 28 + 14);
    EXPECT_EQ(LastRecordUpTo(2000, today), kNoLastRecord);
    EXPECT_EQ(LastRecordUpTo(2002, today), -1);
    today.month = 12;
    today.day = 20;
    EXPECT_EQ(LastRecordUpTo(2002, today), 19) << "the next year's previous December";
    EXPECT_EQ(LastRecordUpTo(2003, today), -1);
}

}  // namespace
}  // namespace trovik
