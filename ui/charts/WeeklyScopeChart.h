#pragma once

// The weekly scope's strips and status line, apart from any window: a strip
// is painted over a rectangle of any paint device, and the texts depend only
// on the numbers.

#include <QRect>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "stats/Calendar.h"
#include "stats/WeeklyScope.h"

class QPainter;

namespace trovik {

// The slot of the week a local time falls in (Sunday 00:00 is slot 0).
unsigned CurrentScopeSlot(const LocalTime& now);

// The largest of all the image's values, latest and highest alike, and at
// least 1: the full height of every strip.
std::uint32_t ScopeScale(const ScopeImage& image);

// Paints the strip of one weekday (0 = Sunday) over `strip`: black, the blue
// band from 23:00 to 8:00, and per ten-minute column from noon of that day
// to noon of the next (Saturday runs on into Sunday) a red bar up to the
// slot's highest value, a yellow row at its latest value and, in the column
// of `currentSlot`, green above the bar. A column never measured stays as
// the background. Heights are exact for any 32-bit value.
void PaintScopeStrip(QPainter& painter, const QRect& strip, unsigned weekday,
                     const ScopeImage& image, std::uint32_t scale, unsigned currentSlot);

// The strips in the order of the dialog, top to bottom: Monday to Sunday.
inline constexpr std::array<unsigned, 7> kScopeStripWeekdays{1, 2, 3, 4, 5, 6, 0};

// Paints all seven strips; `strips` in the order of kScopeStripWeekdays.
void PaintWeeklyScope(QPainter& painter, const std::array<QRect, 7>& strips,
                      const ScopeImage& image, std::uint32_t scale, unsigned currentSlot);

// A ten-minute slot named by weekday (0 = Sunday) and slot of that day (0 to
// 143).
struct ScopePlace {
    unsigned weekday = 0;
    unsigned slotOfDay = 0;
    bool operator==(const ScopePlace&) const = default;
};

// The slot under horizontal position `x` of the strip of `weekday`, which
// spans [left, left + width): its first half is that day from noon, its
// second half the next day until noon. Nothing outside the strip.
std::optional<ScopePlace> ScopePlaceAt(unsigned weekday, int x, int left, int width);

// The status line for a slot: the weekday, the start of the ten minutes and
// either the highest and latest average or "未計測" when the slot was never
// measured.
std::string ScopeStatusText(const ScopeImage& image, const ScopePlace& place);

}  // namespace trovik
