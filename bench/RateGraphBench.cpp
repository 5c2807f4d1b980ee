// The rate graph's chart at its dialog size, painted into an image: what one
// refresh of the live graph costs (goal: under 2 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <memory>

#include "res/DialogTemplates.h"
#include "stats/RateHistory.h"
#include "ui/charts/RateGraphChart.h"
#include "ui/common/DialogBuilder.h"

namespace {

using namespace trovik;

void EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "trovik-bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    InstallFontSubstitutes();
}

// A busy history: every point moves, with marks here and there.
std::unique_ptr<RateHistory> BusyHistory() {
    auto history = std::make_unique<RateHistory>();
    std::uint32_t state = 0x2545F491u;
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        for (std::size_t i = 0; i < kHistoryPoints; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            history->historyRecv[level][i] = state % 7000;
            history->historySent[level][i] = state % 2500;
            history->historyRecvAvg[level][i] = 2000 + state % 500;
            history->historyEvents[level][i] = i % 17 == 0 ? 0x81 : (i % 7 == 0 ? 0x04 : 0);
        }
    }
    return history;
}

void BM_RateGraphPaint(benchmark::State& state) {
    EnsureApplication();
    QWidget dialog;
    BuildDialog(&dialog, *FindDialogTemplate(kRateGraphDialog));
    const QRect frame = ControlById(&dialog, kGraphFrameControl)->geometry();
    QImage image(dialog.size(), QImage::Format_RGB32);
    image.fill(Qt::lightGray);
    const auto history = BusyHistory();
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QPainter painter(&image);
        PaintRateGraph(painter, frame, *history, mode, 2000, 5000);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(std::to_string(frame.width()) + "x" + std::to_string(frame.height()));
}
BENCHMARK(BM_RateGraphPaint)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
