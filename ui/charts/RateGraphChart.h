#pragma once

// The rate graph's picture and texts, apart from its dialog: the chart is
// painted over a given frame rectangle of any paint device, and the labels
// depend on numbers only.

#include <QRect>
#include <array>
#include <cstdint>
#include <string>

#include "stats/GraphSnapshot.h"
#include "stats/RateHistory.h"

class QPainter;

namespace trovik {

inline constexpr int kGraphModeCount = 4;

// The text of one axis label: "%u" up to 9999, "%uK" of thousands above it,
// "%uM" of millions above 9999999.
std::string AxisLabelText(std::uint32_t value);

// The five labels of a scale, from the top: 10, 8, 6, 4 and 2 tenths of it
// (32-bit unsigned, so a scale above 429 MB/s wraps as the meter's scale
// arithmetic does everywhere).
std::array<std::string, 5> AxisLabels(std::uint32_t scale);

// The time label for `pointsBack` points before the newest in a mode (0 to
// 3; any other mode counts single seconds): "-" and the hours with "'", the
// minutes with '"' and the bare seconds, each left out when it is 0.
std::string TimeLabelText(int mode, unsigned pointsBack);

// "%u月%u日 %u時%u分 時点の推移グラフ" of the snapshot's time.
std::string SnapshotTitle(const GraphSnapshotHeader& header);

// A scale after one step of the mouse: stretched by a fifth, or shrunk by a
// sixth (unsigned, truncating).
std::uint32_t StretchedScale(std::uint32_t scale);
std::uint32_t ShrunkScale(std::uint32_t scale);

// The height of a value against a scale in percent, limited to 0..100. A
// scale of 0 (only a damaged snapshot carries one) measures nothing: every
// point lies at 0.
int GraphPercent(std::uint32_t value, std::uint32_t scale);

// The plot inside the frame (left + 2, top + 2, right - 4, bottom - 4, with
// right and bottom one past the frame) and the part the refresh repaints
// (right - 3, bottom - 3).
QRect GraphPlotRect(const QRect& frame);
QRect GraphRedrawRect(const QRect& frame);

// Paints the frame black, the grid, and, when `mode` is 0 to 3, that
// level's connection and error marks and its three curves (receive average,
// send, receive; receive last, on top). Only the frame rectangle is touched.
void PaintRateGraph(QPainter& painter, const QRect& frame, const RateHistory& history, int mode,
                    std::uint32_t scaleTx, std::uint32_t scaleRx);

}  // namespace trovik
