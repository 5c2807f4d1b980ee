// The weekly scope's strips and each view of the cumulative chart, painted
// at their dialogs' sizes into an image, as a repaint of the dialog does.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <array>
#include <vector>

#include "res/DialogTemplates.h"
#include "stats/BillingSummary.h"
#include "ui/charts/CumulativeChart.h"
#include "ui/charts/WeeklyScopeChart.h"
#include "ui/common/DialogBuilder.h"

namespace trovik {
namespace {

// One application object for the whole benchmark program, made by whoever
// needs it first.
void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "trovik-bench";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        InstallFontSubstitutes();
    }
}

// The dialog of a template as the program builds it, for its size and its
// controls' places.
struct BuiltDialog {
    explicit BuiltDialog(unsigned id) { BuildDialog(&widget, *FindDialogTemplate(id)); }
    QRect Place(unsigned control) const { return ControlById(&widget, control)->geometry(); }
    QWidget widget;
};

void BM_WeeklyScopePaint(benchmark::State& state) {
    EnsureApplication();
    const BuiltDialog dialog(kWeeklyScopeDialog);
    const std::array<unsigned, 7> ids{kScopeMondayStrip,   kScopeTuesdayStrip, kScopeWednesdayStrip,
                                      kScopeThursdayStrip, kScopeFridayStrip,  kScopeSaturdayStrip,
                                      kScopeSundayStrip};
    std::array<QRect, 7> strips;
    for (std::size_t i = 0; i < strips.size(); ++i) {
        strips[i] = dialog.Place(ids[i]);
    }
    ScopeImage scope;
    for (std::size_t s = 0; s < kScopeSlots; ++s) {
        scope.SetHighest(s, static_cast<std::uint32_t>(1000 + (s * 7919) % 5000));
        scope.SetLatest(s, static_cast<std::uint32_t>(500 + (s * 104729) % 3000));
    }
    const std::uint32_t scale = ScopeScale(scope);
    QImage image(dialog.widget.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        PaintWeeklyScope(painter, strips, scope, scale, 300);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_WeeklyScopePaint)->Unit(benchmark::kMicrosecond);

void BM_CumulativeChartPaint(benchmark::State& state) {
    EnsureApplication();
    const BuiltDialog dialog(kCumInfoDialog);
    const QRect area = dialog.Place(kCumChartFrame);
    // A busy 31-day period: every hour of every day connected, every day
    // with traffic.
    static CumulativeImage year;
    const BillingPeriod period = PeriodClosingIn(2001, 1, 10);
    for (unsigned i = 0; i < period.days; ++i) {
        const DayRecord day = year.Record(period.firstRecord + i);
        day.SetRecvKB(20000 + 1000 * i);
        day.SetSentKB(3000 + 100 * i);
        for (std::size_t h = 0; h < kHoursPerDay; ++h) {
            day.Hour(h).SetSeconds(static_cast<std::uint16_t>((h * 613 + i * 97) % 3600));
            day.Hour(h).SetConnections(static_cast<std::uint8_t>(h % 3));
        }
    }
    std::vector<ChargeType> types(9);
    for (std::size_t n = 0; n < types.size(); ++n) {
        types[n].dow.fill(0x8000FF);
        types[n].freeToll = static_cast<std::uint32_t>(200 * n);
        types[n].tollSpan = static_cast<std::uint32_t>(90 + 30 * n);
        types[n].freeSpan = static_cast<std::uint32_t>(120 * (n % 3));
    }
    CumulativeChart chart;
    chart.image = &year;
    chart.period = period;
    chart.view = static_cast<unsigned>(state.range(0));
    chart.fullScale = FullScale(chart.view, 9);
    chart.discountHours.fill(0x8000FF);
    chart.shownTypes = types;
    QImage image(dialog.widget.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        benchmark::DoNotOptimize(PaintCumulativeChart(painter, area, chart));
        painter.end();
    }
}
BENCHMARK(BM_CumulativeChartPaint)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace trovik
