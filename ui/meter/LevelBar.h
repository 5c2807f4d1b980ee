#pragma once

// The meter's horizontal level bar: three coloured zones (the first 40 % red,
// the next 40 % green, the last 20 % yellow), dark where the level does not
// reach and bright where it does, and a one-pixel marker line.

#include <QRgb>
#include <array>

class QPainter;
class QRect;

namespace trovik {

// Colours of the zones 0 to 2, dark (unlit) and bright (lit).
inline constexpr std::array<QRgb, 3> kBarUnlit{qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0)};
inline constexpr std::array<QRgb, 3> kBarLit{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0)};

// Paints one bar over the whole of `bar`, with pixel-exact fills (no
// antialiasing). `level` and `marker` are percentages of the full scale and
// count as 100 above it. The zones end at e = 2w/5 and f = 4w/5 (w the
// bar's width); each zone is lit from its left edge in proportion to the
// part of the level that falls into it. A marker m > 0 draws a full-height
// line at x = w × (m − 1) / 100, pulled back to w − 2 where it would touch
// the right edge (to 0 in a bar narrower than 2 pixels), in its zone's
// bright colour where the level has not reached it and in the dark colour
// where it has. Marker 0 draws no line. Allocates nothing, so the tick may
// call it.
void DrawLevelBar(QPainter& painter, const QRect& bar, unsigned level, unsigned marker);

}  // namespace trovik
