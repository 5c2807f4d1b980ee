#include "ui/charts/WeeklyScopeChart.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <string_view>

#include "res/TextFormat.h"

namespace trovik {
namespace {

constexpr unsigned kColumns = kScopeSlotsPerDay;
constexpr unsigned kHalfDay = kScopeSlotsPerDay / 2;
// The band from 23:00 to 8:00 of the strip that starts at noon.
constexpr unsigned kBandStart = 66;
constexpr unsigned kBandEnd = 120;

void FillSpan(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    if (right > left && bottom > top) {
        painter.fillRect(QRect(left, top, right - left, bottom - top), colour);
    }
}

// The pixel row a value reaches: the bottom edge less (height − 1) × value ÷
// scale, so the full scale stops one row below the strip's top.
int ValueRow(int bottom, int height, std::uint32_t value, std::uint32_t scale) {
    const std::uint64_t span = height > 1 ? static_cast<std::uint64_t>(height - 1) : 0;
    const std::uint64_t rows = span * value / std::max<std::uint32_t>(scale, 1);
    return bottom - static_cast<int>(std::min<std::uint64_t>(rows, span));
}

}  // namespace

unsigned CurrentScopeSlot(const LocalTime& now) {
    return (now.minute / 10 + (now.hour + now.weekday * 24) * 6) %
           static_cast<unsigned>(kScopeSlots);
}

std::uint32_t ScopeScale(const ScopeImage& image) {
    std::uint32_t scale = 1;
    for (std::size_t s = 0; s < kScopeSlots; ++s) {
        scale = std::max({scale, image.Latest(s), image.Highest(s)});
    }
    return scale;
}

void PaintScopeStrip(QPainter& painter, const QRect& strip, unsigned weekday,
                     const ScopeImage& image, std::uint32_t scale, unsigned currentSlot) {
    const int left = strip.left();
    const int top = strip.top();
    const int width = strip.width();
    const int height = strip.height();
    const int right = left + width;
    const int bottom = top + height;
    if (width <= 0 || height <= 0) {
        return;
    }
    const auto columnX = [&](unsigned p) {
        return left + static_cast<int>(static_cast<std::int64_t>(p) * width / kColumns);
    };
    FillSpan(painter, left, top, right, bottom, Qt::black);
    FillSpan(painter, columnX(kBandStart), top, columnX(kBandEnd), bottom, QColor(0, 0, 255));
    for (unsigned p = 0; p < kColumns; ++p) {
        const auto slot =
            static_cast<unsigned>(((weekday % 7) * kColumns + kHalfDay + p) % kScopeSlots);
        const std::uint32_t highest = image.Highest(slot);
        if (highest == 0) {
            continue;
        }
        const int x0 = columnX(p);
        const int x1 = columnX(p + 1);
        const int barTop = ValueRow(bottom, height, highest, scale);
        FillSpan(painter, x0, barTop, x1, bottom, QColor(255, 0, 0));
        if (slot == currentSlot) {
            FillSpan(painter, x0, top, x1, barTop, QColor(0, 255, 0));
        }
        const int latestRow = ValueRow(bottom, height, image.Latest(slot), scale);
        if (latestRow + 1 <= bottom) {
            FillSpan(painter, x0, latestRow, x1, latestRow + 1, QColor(255, 255, 0));
        }
    }
}

void PaintWeeklyScope(QPainter& painter, const std::array<QRect, 7>& strips,
                      const ScopeImage& image, std::uint32_t scale, unsigned currentSlot) {
    for (std::size_t i = 0; i < strips.size(); ++i) {
        PaintScopeStrip(painter, strips[i], kScopeStripWeekdays[i], image, scale, currentSlot);
    }
}

std::optional<ScopePlace> ScopePlaceAt(unsigned weekday, int x, int left, int width) {
    if (width <= 0 || x < left || x >= left + width) {
        return std::nullopt;
    }
    const unsigned e =
        static_cast<unsigned>(static_cast<std::int64_t>(x - left) * kColumns / width);
    ScopePlace place{weekday % 7, e + kHalfDay};
    if (place.slotOfDay >= kColumns) {
        place.weekday = (place.weekday + 1) % 7;
        place.slotOfDay = e - kHalfDay;
    }
    return place;
}

std::string ScopeStatusText(const ScopeImage& image, const ScopePlace& place) {
    static constexpr std::string_view kDayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};
    const unsigned weekday = place.weekday % 7;
    const unsigned slotOfDay = place.slotOfDay % kColumns;
    std::string text = FormatText(" %s曜日 %02u:%1u0 から10分間の平均受信速度は ",
                                  {kDayNames[weekday], slotOfDay / 6, slotOfDay % 6});
    const std::size_t slot = weekday * kColumns + slotOfDay;
    const std::uint32_t highest = image.Highest(slot);
    if (highest != 0) {
        text += FormatText("最高%uﾊﾞｲﾄ/秒, 最新%uﾊﾞｲﾄ/秒", {highest, image.Latest(slot)});
    } else {
        text += "未計測";
    }
    return text;
}

}  // namespace trovik
