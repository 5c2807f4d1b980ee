#include "ui/meter/TrayImages.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FFu;

QImage Cut(const QImage& strip, int level) {
    return strip.copy(level * 16, 0, 16, 16);
}

TEST(TrayStrips, SeventeenDistinctImagesOnMagenta) {
    std::vector<QImage> firstImages;
    for (unsigned id = 146; id <= 150; ++id) {
        SCOPED_TRACE(id);
        const QImage strip = TrayStripImage(id);
        ASSERT_EQ(strip.width(), 17 * 16);
        ASSERT_EQ(strip.height(), 16);
        for (int level = 0; level < 17; ++level) {
            const QImage image = Cut(strip, level);
            int magenta = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    magenta += image.pixel(x, y) == kMagenta ? 1 : 0;
                }
            }
            // Some background shows, and some picture.
            EXPECT_GT(magenta, 0) << level;
            EXPECT_LT(magenta, 256) << level;
            for (int other = 0; other < level; ++other) {
                EXPECT_NE(image, Cut(strip, other)) << level << " vs " << other;
            }
        }
        // Each style looks different from the others at every level.
        for (const QImage& earlier : firstImages) {
            for (int level = 0; level < 17; ++level) {
                EXPECT_NE(Cut(strip, level), Cut(earlier, level)) << level;
            }
        }
        firstImages.push_back(strip);
    }
}

TEST(TrayStrips, LevelsShowAsDrawn) {
    // 146: level 5 lights the bottom five rows of the bar, bright green.
    const QImage vertical = TrayStripImage(146);
    const int x5 = 5 * 16;
    EXPECT_EQ(vertical.pixel(x5 + 4, 15), 0xFF00FF00u);
    EXPECT_EQ(vertical.pixel(x5 + 11, 11), 0xFF00FF00u);
    EXPECT_EQ(vertical.pixel(x5 + 4, 10), 0xFF005000u);  // dark green above
    EXPECT_EQ(vertical.pixel(x5 + 3, 8), 0xFF000000u);   // the black rail
    EXPECT_EQ(vertical.pixel(x5 + 0, 8), kMagenta);

    // 147: the meter's zones; level 8 lights columns 0 to 7: red to 5,
    // green from 6, dark green from 8.
    const QImage horizontal = TrayStripImage(147);
    const int x8 = 8 * 16;
    EXPECT_EQ(horizontal.pixel(x8 + 5, 6), 0xFFFF0000u);
    EXPECT_EQ(horizontal.pixel(x8 + 7, 6), 0xFF00FF00u);
    EXPECT_EQ(horizontal.pixel(x8 + 8, 6), 0xFF008000u);
    EXPECT_EQ(horizontal.pixel(x8 + 15, 6), 0xFF808000u);
    EXPECT_EQ(horizontal.pixel(x8 + 8, 0), kMagenta);

    // 149: all 16 lamps at level 16, the top left one red; none at 0.
    const QImage lamps = TrayStripImage(149);
    EXPECT_EQ(lamps.pixel(16 * 16 + 1, 1), 0xFFFF0000u);
    EXPECT_EQ(lamps.pixel(1, 1), 0xFF500000u);
    EXPECT_EQ(lamps.pixel(1, 13), 0xFF005000u);
    EXPECT_EQ(lamps.pixel(1 * 16 + 1, 13), 0xFF00FF00u);  // level 1: the first lamp
}

TEST(TrayStrips, UnknownIdsDrawTheFirstStrip) {
    EXPECT_EQ(TrayBitmapOrDefault(145), 146u);
    EXPECT_EQ(TrayBitmapOrDefault(148), 148u);
    EXPECT_EQ(TrayBitmapOrDefault(151), 146u);
    EXPECT_EQ(TrayStripImage(0), TrayStripImage(146));
    EXPECT_EQ(TrayStripImage(151), TrayStripImage(146));
}

TEST(TrayImages, MagentaBecomesTransparent) {
    const QImage strip = TrayStripImage(150);
    for (unsigned level : {0u, 9u, 16u}) {
        const QImage image = TrayLevelImage(strip, level);
        ASSERT_EQ(image.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb source = strip.pixel(static_cast<int>(level) * 16 + x, y);
                if (source == kMagenta) {
                    ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
                } else {
                    ASSERT_EQ(image.pixel(x, y), source) << x << "," << y;
                }
            }
        }
    }

    const auto pixmaps = BuildTrayImages(148);
    for (unsigned level = 0; level < 17; ++level) {
        EXPECT_EQ(pixmaps[level].size(), QSize(16, 16));
        EXPECT_TRUE(pixmaps[level].hasAlphaChannel());
    }
    EXPECT_EQ(pixmaps[16].toImage().convertToFormat(QImage::Format_ARGB32),
              TrayLevelImage(TrayStripImage(148), 16));
}

TEST(TrayImages, IconBarKeepsSeventeenIconsAndCapsTheLevel) {
    TrayIconBar bar;
    EXPECT_TRUE(bar.Empty());
    bar.Build(147);
    EXPECT_FALSE(bar.Empty());
    EXPECT_EQ(bar.Pixmap(40).cacheKey(), bar.Pixmap(16).cacheKey());
    EXPECT_NE(bar.Pixmap(15).cacheKey(), bar.Pixmap(16).cacheKey());
    EXPECT_FALSE(bar.Icon(3).isNull());
    bar.Clear();
    EXPECT_TRUE(bar.Empty());
}

TEST(ProgramPictures, IconsHaveTransparentCornersAndSave) {
    for (const QImage& image : {ProgramIconImage(32), ErrorIconImage(32)}) {
        ASSERT_EQ(image.size(), QSize(32, 32));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(16, 16)), 255);
    }
    EXPECT_NE(ProgramIconImage(32), ErrorIconImage(32));
    EXPECT_TRUE(ProgramIconImage(0).isNull());
    EXPECT_EQ(IconPixmap(133, 20).size(), QSize(20, 20));
    EXPECT_TRUE(IconPixmap(999, 20).isNull());
    EXPECT_FALSE(ProgramIcon().isNull());

    testing::ScratchDir dir("trovik-ui-");
    const std::string path = dir.Path("trovik.png").string();
    ASSERT_TRUE(SaveProgramIconPng(QString::fromStdString(path), 48));
    const QImage saved(QString::fromStdString(path));
    EXPECT_EQ(saved.size(), QSize(48, 48));
    EXPECT_FALSE(
        SaveProgramIconPng(QString::fromStdString(dir.Path("no/such/dir.png").string()), 48));
}

}  // namespace
}  // namespace trovik
