#include "ui/meter/LevelBar.h"

#include <QColor>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <cstdint>

namespace trovik {

namespace {

void Fill(QPainter& painter, const QRect& bar, std::uint64_t from, std::uint64_t width,
          QRgb colour) {
    if (width == 0) {
        return;
    }
    painter.fillRect(QRect(bar.left() + static_cast<int>(from), bar.top(), static_cast<int>(width),
                           bar.height()),
                     QColor(colour));
}

}  // namespace

void DrawLevelBar(QPainter& painter, const QRect& bar, unsigned level, unsigned marker) {
    if (bar.width() <= 0 || bar.height() <= 0) {
        return;
    }
    const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
    if (antialiased) {
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    const std::uint64_t lit = std::min(level, 100u);
    const std::uint64_t mark = std::min(marker, 100u);
    const auto w = static_cast<std::uint64_t>(bar.width());
    const std::uint64_t e = 2 * w / 5;
    const std::uint64_t f = 4 * w / 5;

    Fill(painter, bar, 0, e, kBarUnlit[0]);
    Fill(painter, bar, e, f - e, kBarUnlit[1]);
    Fill(painter, bar, f, w - f, kBarUnlit[2]);

    Fill(painter, bar, 0, e * std::min<std::uint64_t>(lit, 40) / 40, kBarLit[0]);
    Fill(painter, bar, e, (f - e) * std::min<std::uint64_t>(lit > 40 ? lit - 40 : 0, 40) / 40,
         kBarLit[1]);
    Fill(painter, bar, f, (w - f) * std::min<std::uint64_t>(lit > 80 ? lit - 80 : 0, 20) / 20,
         kBarLit[2]);

    if (mark != 0) {
        const std::uint64_t m = mark - 1;
        std::uint64_t x = w * m / 100;
        if (x + 1 >= w) {
            x = w >= 2 ? w - 2 : 0;
        }
        const unsigned zone = m >= 80 ? 2 : m >= 40 ? 1 : 0;
        Fill(painter, bar, x, 1, lit < m ? kBarLit[zone] : kBarUnlit[zone]);
    }

    if (antialiased) {
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
}

}  // namespace trovik
