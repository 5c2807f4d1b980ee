#include "ui/meter/LevelBar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <utility>
#include <vector>

namespace trovik {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kDarkRed = 0xFF800000u;
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kDarkGreen = 0xFF008000u;
constexpr QRgb kGreen = 0xFF00FF00u;
constexpr QRgb kOlive = 0xFF808000u;
constexpr QRgb kYellow = 0xFFFFFF00u;

// A bar of the given width at (5, 2), 4 pixels high, on a white image with
// a white margin of 5 pixels left and right and 2 above and below.
struct Canvas {
    explicit Canvas(int width) : bar(5, 2, width, 4), image(width + 10, 8, QImage::Format_RGB32) {
        image.fill(kWhite);
    }
    void Draw(unsigned level, unsigned marker, bool antialiased = false) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        DrawLevelBar(painter, bar, level, marker);
        EXPECT_EQ(painter.testRenderHint(QPainter::Antialiasing), antialiased);
    }
    QRect bar;
    QImage image;
};

// Spans of colour from the bar's left edge: {end x (exclusive), colour}.
using Spans = std::vector<std::pair<int, QRgb>>;

// Every row of the bar shows exactly the spans; the margin stays white.
void ExpectBar(const Canvas& canvas, const Spans& spans) {
    std::vector<QRgb> expected;
    for (const auto& [end, colour] : spans) {
        while (static_cast<int>(expected.size()) < end) {
            expected.push_back(colour);
        }
    }
    ASSERT_EQ(static_cast<int>(expected.size()), canvas.bar.width());
    for (int y = 0; y < canvas.image.height(); ++y) {
        for (int x = 0; x < canvas.image.width(); ++x) {
            const int bx = x - canvas.bar.left();
            const bool inside = canvas.bar.contains(x, y);
            const QRgb want = inside ? expected[static_cast<std::size_t>(bx)] : kWhite;
            ASSERT_EQ(canvas.image.pixel(x, y), want) << "x " << bx << " y " << y;
        }
    }
}

// Width 100: zones [0, 40), [40, 80), [80, 100).
TEST(LevelBar, LevelsLightTheirZones) {
    Canvas empty(100);
    empty.Draw(0, 0);
    ExpectBar(empty, {{40, kDarkRed}, {80, kDarkGreen}, {100, kOlive}});

    Canvas full(100);
    full.Draw(100, 0);
    ExpectBar(full, {{40, kRed}, {80, kGreen}, {100, kYellow}});

    Canvas first(100);
    first.Draw(40, 0);
    ExpectBar(first, {{40, kRed}, {80, kDarkGreen}, {100, kOlive}});

    Canvas middle(100);
    middle.Draw(50, 0);
    ExpectBar(middle, {{40, kRed}, {50, kGreen}, {80, kDarkGreen}, {100, kOlive}});

    Canvas top(100);
    top.Draw(90, 0);
    ExpectBar(top, {{40, kRed}, {80, kGreen}, {90, kYellow}, {100, kOlive}});

    // Above the full scale counts as 100, also with antialiasing asked for.
    Canvas over(100);
    over.Draw(250, 0, true);
    ExpectBar(over, {{40, kRed}, {80, kGreen}, {100, kYellow}});
}

TEST(LevelBar, MarkerPlaceAndColour) {
    // Marker 1 stands at x = 0, inside the lit part: dark.
    Canvas one(100);
    one.Draw(50, 1);
    ExpectBar(one, {{1, kDarkRed}, {40, kRed}, {50, kGreen}, {80, kDarkGreen}, {100, kOlive}});

    // Marker 100: x = 99 would touch the right edge, so 98; above the level
    // it is bright, in zone 3's colour.
    Canvas last(100);
    last.Draw(0, 100);
    ExpectBar(last, {{40, kDarkRed}, {80, kDarkGreen}, {98, kOlive}, {99, kYellow}, {100, kOlive}});

    // Above 100 counts as 100.
    Canvas beyond(100);
    beyond.Draw(0, 400);
    ExpectBar(beyond,
              {{40, kDarkRed}, {80, kDarkGreen}, {98, kOlive}, {99, kYellow}, {100, kOlive}});

    // Marker 61 (m = 60) over level 20: bright green at 60.
    Canvas ahead(100);
    ahead.Draw(20, 61);
    ExpectBar(ahead, {{20, kRed},
                      {40, kDarkRed},
                      {60, kDarkGreen},
                      {61, kGreen},
                      {80, kDarkGreen},
                      {100, kOlive}});

    // Marker 41 (m = 40) falls into zone 2; the level 70 passed it: dark.
    Canvas behind(100);
    behind.Draw(70, 41);
    ExpectBar(behind,
              {{40, kRed}, {41, kDarkGreen}, {70, kGreen}, {80, kDarkGreen}, {100, kOlive}});

    // Marker 60 (m = 59) inside the lit part of zone 2: dark.
    Canvas inside(100);
    inside.Draw(60, 60);
    ExpectBar(inside,
              {{40, kRed}, {59, kGreen}, {60, kDarkGreen}, {80, kDarkGreen}, {100, kOlive}});
}

TEST(LevelBar, OddWidthTruncates) {
    // Width 37: e = 74 / 5 = 14, f = 148 / 5 = 29. Level 60 lights all of
    // zone 1 and 15 × 20 / 40 = 7 pixels of zone 2. Marker 50 (m = 49):
    // x = 37 × 49 / 100 = 18, in the lit part of zone 2: dark green.
    Canvas canvas(37);
    canvas.Draw(60, 50);
    ExpectBar(
        canvas,
        {{14, kRed}, {18, kGreen}, {19, kDarkGreen}, {21, kGreen}, {29, kDarkGreen}, {37, kOlive}});

    // Marker 50 again, x = 18, now beyond the lit part (15 × 8 / 40 = 3
    // pixels of zone 2 for level 48): bright while the level is below
    // m = 49, dark (so invisible) once the level equals it.
    Canvas below(37);
    below.Draw(48, 50);
    ExpectBar(
        below,
        {{14, kRed}, {17, kGreen}, {18, kDarkGreen}, {19, kGreen}, {29, kDarkGreen}, {37, kOlive}});
    Canvas reached(37);
    reached.Draw(49, 50);
    ExpectBar(reached, {{14, kRed}, {17, kGreen}, {29, kDarkGreen}, {37, kOlive}});

    // Marker 100: x = 37 × 99 / 100 = 36, 36 + 1 >= 37, so 35; bright.
    Canvas edge(37);
    edge.Draw(60, 100);
    ExpectBar(
        edge,
        {{14, kRed}, {21, kGreen}, {29, kDarkGreen}, {35, kOlive}, {36, kYellow}, {37, kOlive}});
}

TEST(LevelBar, NarrowBarsStayInside) {
    // One pixel wide: zones 1 and 2 are empty, the marker stays at x = 0
    // instead of one pixel left of the bar.
    Canvas one(1);
    one.Draw(0, 100);
    ExpectBar(one, {{1, kYellow}});

    Canvas two(2);
    two.Draw(100, 100);
    ExpectBar(two, {{1, kOlive}, {2, kYellow}});

    // Nothing at all for an empty rectangle.
    Canvas none(0);
    none.Draw(100, 100);
    for (int y = 0; y < none.image.height(); ++y) {
        for (int x = 0; x < none.image.width(); ++x) {
            ASSERT_EQ(none.image.pixel(x, y), kWhite);
        }
    }
}

}  // namespace
}  // namespace trovik
