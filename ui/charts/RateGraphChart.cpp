#include "ui/charts/RateGraphChart.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <algorithm>

#include "res/TextFormat.h"

namespace trovik {

namespace {

// The graph's colours.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kMagenta(255, 0, 255);

constexpr std::array<unsigned, kGraphModeCount> kSecondsPerPoint = {1, 10, 60, 360};

// Plot coordinates with right and bottom one past the plot, as the frame's.
struct Plot {
    int left;
    int top;
    int right;
    int bottom;

    int X(int index) const { return right - (right - left) * index / 120; }
    int Y(int percent) const { return bottom - (bottom - top) * percent / 100; }
};

Plot PlotOf(const QRect& frame) {
    const QRect p = GraphPlotRect(frame);
    return {p.left(), p.top(), p.left() + p.width(), p.top() + p.height()};
}

// The curves are 2 pixels wide. A wide pen goes through Qt's path stroker,
// which costs several times the rest of the chart; the same square 2 x 2 nib
// is drawn instead as four one-pixel polylines, each a pixel apart.
constexpr std::array<QPoint, 4> kNib = {QPoint(0, 0), QPoint(-1, 0), QPoint(0, -1), QPoint(-1, -1)};

void DrawSeries(QPainter& painter, const Plot& plot, const std::array<std::uint32_t, 120>& values,
                std::uint32_t scale, const QColor& colour) {
    std::array<QPoint, kHistoryPoints> points;
    for (std::size_t i = 0; i < kHistoryPoints; ++i) {
        points[i] = QPoint(plot.X(static_cast<int>(i)), plot.Y(GraphPercent(values[i], scale)));
    }
    painter.setPen(QPen(colour, 0));
    for (const QPoint& offset : kNib) {
        painter.translate(offset);
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        painter.translate(-offset);
    }
}

// A mark of the 2-pixel nib from height `from` up to height `to` (percent).
void DrawMark(QPainter& painter, const Plot& plot, int index, int from, int to,
              const QColor& colour) {
    const int x = plot.X(index);
    const int top = plot.Y(to);
    const int bottom = plot.Y(from);
    painter.fillRect(x - 1, top - 1, 2, bottom - top + 2, colour);
}

}  // namespace

std::string AxisLabelText(std::uint32_t value) {
    if (value > 9999999u) {
        return FormatText("%uM", {value / 1000000u});
    }
    if (value > 9999u) {
        return FormatText("%uK", {value / 1000u});
    }
    return FormatText("%u", {value});
}

std::array<std::string, 5> AxisLabels(std::uint32_t scale) {
    std::array<std::string, 5> labels;
    for (std::uint32_t k = 0; k < 5; ++k) {
        labels[k] = AxisLabelText(scale * (10u - 2u * k) / 10u);
    }
    return labels;
}

std::string TimeLabelText(int mode, unsigned pointsBack) {
    const unsigned unit =
        mode >= 0 && mode < kGraphModeCount ? kSecondsPerPoint[static_cast<std::size_t>(mode)] : 1;
    const unsigned seconds = pointsBack * unit;
    const unsigned hours = seconds / 3600;
    const unsigned minutes = seconds / 60 % 60;
    const unsigned rest = seconds % 60;
    std::string text = "-";
    if (hours != 0) {
        text += FormatText("%u'", {hours});
    }
    if (minutes != 0) {
        text += FormatText("%u\"", {minutes});
    }
    if (rest != 0) {
        text += FormatText("%u", {rest});
    }
    return text;
}

std::string SnapshotTitle(const GraphSnapshotHeader& header) {
    return FormatText("%u月%u日 %u時%u分 時点の推移グラフ",
                      {std::uint32_t{header.month}, std::uint32_t{header.day},
                       std::uint32_t{header.hour}, std::uint32_t{header.minute}});
}

std::uint32_t StretchedScale(std::uint32_t scale) {
    return scale + scale / 5;
}

std::uint32_t ShrunkScale(std::uint32_t scale) {
    return scale - scale / 6;
}

int GraphPercent(std::uint32_t value, std::uint32_t scale) {
    if (scale == 0) {
        return 0;
    }
    // In 64 bits: a fast line's value times 100 must not wrap into a low point.
    return static_cast<int>(std::min<std::uint64_t>(std::uint64_t{value} * 100u / scale, 100u));
}

QRect GraphPlotRect(const QRect& frame) {
    const int right = frame.left() + frame.width();
    const int bottom = frame.top() + frame.height();
    return QRect(QPoint(frame.left() + 2, frame.top() + 2), QPoint(right - 5, bottom - 5));
}

QRect GraphRedrawRect(const QRect& frame) {
    const int right = frame.left() + frame.width();
    const int bottom = frame.top() + frame.height();
    return QRect(QPoint(frame.left() + 2, frame.top() + 2), QPoint(right - 4, bottom - 4));
}

void PaintRateGraph(QPainter& painter, const QRect& frame, const RateHistory& history, int mode,
                    std::uint32_t scaleTx, std::uint32_t scaleRx) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(frame);
    painter.fillRect(frame, kBlack);
    const Plot plot = PlotOf(frame);
    const int width = plot.right - plot.left;
    const int height = plot.bottom - plot.top;

    // The grid: lines every 10 points and every 10 %, white every 20; none
    // along the left and top edges.
    for (int k = 0; k < 120; k += 10) {
        painter.fillRect(plot.X(k), plot.Y(0) - height + 1, 1, height,
                         k % 20 == 0 ? kWhite : kGrey);
    }
    for (int p = 0; p < 100; p += 10) {
        painter.fillRect(plot.X(0) - width + 1, plot.Y(p), width, 1, p % 20 == 0 ? kWhite : kGrey);
    }

    if (mode >= 0 && mode < kGraphModeCount) {
        const auto level = static_cast<std::size_t>(mode);
        const auto& events = history.historyEvents[level];
        for (std::size_t i = 0; i < kHistoryPoints; ++i) {
            if ((events[i] & 0x80) != 0) {
                DrawMark(painter, plot, static_cast<int>(i), 0, 100, kMagenta);
            }
        }
        for (std::size_t i = 0; i < kHistoryPoints; ++i) {
            if ((events[i] & 0x7F) != 0) {
                DrawMark(painter, plot, static_cast<int>(i), 70, 100, kYellow);
            }
        }
        DrawSeries(painter, plot, history.historyRecvAvg[level], scaleRx, kGreen);
        DrawSeries(painter, plot, history.historySent[level], scaleTx, kBlue);
        DrawSeries(painter, plot, history.historyRecv[level], scaleRx, kRed);
    }
    painter.restore();
}

}  // namespace trovik
