// The large bar module's drawing, pixel by pixel on images, and its window
// rectangle for each edge.

#include <gtest/gtest.h>

#include <QImage>

#include "ext/ExtDllHost.h"
#include "plugins/pelkin/BarDrawing.h"
#include "tests/plugins/PluginTestSupport.h"

namespace trovik {
namespace {

using pelkin::BarColors;
using pelkin::DrawBars;
using pelkin::PixelRect;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kDark = 0xFF808080;
constexpr QRgb kLight = 0xFFC0C0C0;
constexpr QRgb kBase = 0xFFFFFFFF;  // the default base colour, white
constexpr QRgb kTx = 0xFF0000FF;    // the default send colour 0xFF0000 (BGR): blue
constexpr QRgb kRx = 0xFFFF0000;    // the default receive colour 255: red
constexpr QRgb kUnset = 0xFF123456;

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kUnset);
    return image;
}

// The two frames of a client rectangle of width w and height h, as drawn
// around every layout: top row and left column white except their last
// pixel, right column and bottom row dark grey; inside it a light-grey ring.
// Zero for pixels of the inner area.
QRgb FramePixel(int x, int y, int w, int h) {
    if (x == w - 1 || y == h - 1) {
        return kDark;
    }
    if (x == 0 || y == 0) {
        return kWhite;
    }
    if (x == 1 || y == 1 || x == w - 2 || y == h - 2) {
        return kLight;
    }
    return 0;
}

TEST(PelkinRectTest, TheWindowCoversOneWholeEdge) {
    EXPECT_EQ(pelkin::BarWindowRect(0, 11, 1024, 768), (PixelRect{0, 0, 11, 768}));
    EXPECT_EQ(pelkin::BarWindowRect(1, 8, 1024, 768), (PixelRect{1016, 0, 1024, 768}));
    EXPECT_EQ(pelkin::BarWindowRect(2, 11, 1024, 768), (PixelRect{0, 0, 1024, 11}));
    EXPECT_EQ(pelkin::BarWindowRect(3, 11, 1024, 768), (PixelRect{0, 757, 1024, 768}));
    // Any other position is the left edge.
    EXPECT_EQ(pelkin::BarWindowRect(7, 11, 1024, 768), (PixelRect{0, 0, 11, 768}));
    EXPECT_FALSE(pelkin::IsHorizontalLayout(7));
    EXPECT_FALSE(pelkin::IsHorizontalLayout(1));
    EXPECT_TRUE(pelkin::IsHorizontalLayout(3));
}

TEST(PelkinDrawingTest, LeftEdgeOnA1024By768ScreenWithHalfTheReceiveScale) {
    // Window (0, 0, 11, 768): inner x 2..8, y 2..765 (height 764); send
    // column x 2..4, base column x 5, receive column x 6..8; 50 % of 764 is
    // 382 rows, y 384..765.
    QImage image = Canvas(11, 768);
    DrawBars(image, {0, 0, 11, 768}, 0, BarColors{}, 0, 50);
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 11; ++x) {
            QRgb expected = FramePixel(x, y, 11, 768);
            if (expected == 0) {
                expected = (x >= 6 && y >= 384) ? kRx : kBase;
            }
            ASSERT_EQ(image.pixel(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

TEST(PelkinDrawingTest, SizeEightHasTwoColumnsOfTwoAndNoSeparator) {
    // Right edge, 8 wide, 20 high: inner x 2..5, y 2..17 (16 rows); send
    // x 2..3 at 50 % = 8 rows (y 10..17), receive x 4..5 at 100 % = 16 rows.
    QImage image = Canvas(8, 20);
    DrawBars(image, {0, 0, 8, 20}, 1, BarColors{}, 50, 100);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 8; ++x) {
            QRgb expected = FramePixel(x, y, 8, 20);
            if (expected == 0) {
                if (x <= 3) {
                    expected = y >= 10 ? kTx : kBase;
                } else {
                    expected = kRx;
                }
            }
            ASSERT_EQ(image.pixel(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

TEST(PelkinDrawingTest, TopEdgeOfElevenHasRowsOfThreeAroundABaseRow) {
    // 40 wide, 11 high: inner x 2..37 (width 36), y 2..8; send rows y 2..4
    // with 25 % = 9 pixels (x 2..10), base row y 5, receive rows y 6..8 with
    // 0 %.
    QImage image = Canvas(40, 11);
    DrawBars(image, {0, 0, 40, 11}, 2, BarColors{}, 25, 0);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 40; ++x) {
            QRgb expected = FramePixel(x, y, 40, 11);
            if (expected == 0) {
                expected = (y <= 4 && x <= 10) ? kTx : kBase;
            }
            ASSERT_EQ(image.pixel(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

TEST(PelkinDrawingTest, BarsAboveFullScaleRunOverTheFarFramesAndAreClipped) {
    // Vertical, 8 x 20: 250 % of 16 rows is 40, from y -22: the receive
    // columns x 4..5 are red from the window's top edge down to y 17; the
    // bottom frames (y 18 light, y 19 dark) stay.
    QImage tall = Canvas(8, 20);
    DrawBars(tall, {0, 0, 8, 20}, 0, BarColors{}, 0, 250);
    for (int y = 0; y < 20; ++y) {
        for (int x = 4; x <= 5; ++x) {
            const QRgb expected = y <= 17 ? kRx : (y == 18 ? kLight : kDark);
            ASSERT_EQ(tall.pixel(x, y), expected) << "x " << x << " y " << y;
        }
    }
    EXPECT_EQ(tall.pixel(2, 0), kWhite);  // the send column's frames are untouched
    EXPECT_EQ(tall.pixel(3, 1), kLight);

    // Horizontal, 20 x 8 (bottom edge): 150 % of 16 is 24 columns from x 2:
    // the send rows y 2..3 run to the window's right edge.
    QImage wide = Canvas(20, 8);
    DrawBars(wide, {0, 0, 20, 8}, 3, BarColors{}, 150, 0);
    for (int x = 0; x < 20; ++x) {
        for (int y = 2; y <= 3; ++y) {
            const QRgb expected = x >= 2 ? kTx : (x == 0 ? kWhite : kLight);
            ASSERT_EQ(wide.pixel(x, y), expected) << "x " << x << " y " << y;
        }
    }
    // A percentage that would overflow 32-bit arithmetic still fills the bar.
    QImage huge = Canvas(8, 20);
    DrawBars(huge, {0, 0, 8, 20}, 0, BarColors{}, 0xFFFFFFFFu, 0);
    EXPECT_EQ(huge.pixel(2, 0), kTx);
    EXPECT_EQ(huge.pixel(3, 17), kTx);
}

TEST(PelkinDrawingTest, ZeroSendLeavesTheColumnInTheBaseColourAndColoursAreBgr) {
    // Position 7 draws the vertical layout; colours come as 0x00BBGGRR.
    const BarColors colors{0x00336699, 0x0000FF00, 0x00804020};
    QImage image = Canvas(11, 30);
    DrawBars(image, {0, 0, 11, 30}, 7, colors, 0, 100);
    for (int y = 2; y < 28; ++y) {
        for (int x = 2; x <= 5; ++x) {
            ASSERT_EQ(image.pixel(x, y), 0xFF996633u) << "x " << x << " y " << y;
        }
        for (int x = 6; x <= 8; ++x) {
            ASSERT_EQ(image.pixel(x, y), 0xFF204080u) << "x " << x << " y " << y;
        }
    }
    EXPECT_EQ(pelkin::PixelFromColorRef(0x0000FF00), 0xFF00FF00u);
}

// A host without a widget application (the replay tool): the window cannot
// be made, Open fails cleanly and the host reports it.
TEST(PelkinModuleTest, WithoutAWidgetApplicationOpenFailsCleanly) {
    testing::ModuleInScratch program("TrvikPelkin.so");
    testing::HostMessages messages;
    ExtDllHost host;
    EXPECT_FALSE(host.Load(program.Dir(), "TrvikPelkin.so", program.DataDir(), messages));
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(kExtLoadFailedText)});
    host.Tick(ExtReading{1, 2, 3, 4, 5, 6});
}

}  // namespace
}  // namespace trovik
