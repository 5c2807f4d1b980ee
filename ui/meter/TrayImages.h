#pragma once

// The program's pictures, drawn in code: the five tray meter strips (bitmaps
// 146 to 150, 17 images of 16 × 16 pixels each, image k showing level k of
// 16, magenta as the transparent colour), the program icon (128) and the
// error icon (133).

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRgb>
#include <QString>
#include <array>

namespace trovik {

inline constexpr int kTrayImageSize = 16;
inline constexpr unsigned kTrayImageCount = 17;          // levels 0 to 16
inline constexpr QRgb kTransparentColour = 0xFFFF00FFu;  // magenta (255, 0, 255)

// The tray bitmaps: 146 a vertical bar, 147 a horizontal bar in the meter's
// zone colours, 148 a dial with a needle, 149 a block of 16 lamps, 150 a pie.
inline constexpr unsigned kFirstTrayBitmap = 146;
inline constexpr unsigned kLastTrayBitmap = 150;

// The bitmap actually used for an id: 146 to 150 as they are, any other 146.
unsigned TrayBitmapOrDefault(unsigned bitmapId);

// The whole strip, 272 × 16 pixels (RGB32), magenta where nothing is drawn:
// image k covers x from 16k to 16k + 15.
QImage TrayStripImage(unsigned bitmapId);

// Image k of a strip as 16 × 16 ARGB32, magenta made fully transparent.
QImage TrayLevelImage(const QImage& strip, unsigned level);

// The 17 images of a strip with magenta made transparent; needs a
// QGuiApplication.
std::array<QPixmap, kTrayImageCount> BuildTrayImages(unsigned bitmapId);

// The 17 tray meter icons, made once (at start) and kept, so that the tick
// only hands out one that exists.
class TrayIconBar {
public:
    // Makes the icons from a bitmap (146 to 150; others give 146).
    void Build(unsigned bitmapId);
    void Clear();
    bool Empty() const { return icons[0].isNull(); }

    // Image `level`, 16 for anything above 16.
    const QIcon& Icon(unsigned level) const { return icons[level < kTrayImageCount ? level : 16]; }
    const QPixmap& Pixmap(unsigned level) const {
        return pixmaps[level < kTrayImageCount ? level : 16];
    }

private:
    std::array<QPixmap, kTrayImageCount> pixmaps;
    std::array<QIcon, kTrayImageCount> icons;
};

// The program icon (128) at `size` pixels square, ARGB32 with a transparent
// surround; needs no application object.
QImage ProgramIconImage(int size);
// The program icon in 16, 24, 32, 48, 64, 128 and 256 pixels.
QIcon ProgramIcon();
// Writes the program icon as a PNG of `size` pixels, for a desktop entry
// ("hicolor/48x48/apps/trovik.png"); false when the file cannot be written.
bool SaveProgramIconPng(const QString& path, int size);

// The error icon (133): a red disc with a white cross, `size` pixels square.
QImage ErrorIconImage(int size);
QPixmap ErrorIconPixmap(int size = 32);

// An icon of the icon table by id (128 or 133) at `size` pixels; a null
// pixmap for other ids.
QPixmap IconPixmap(unsigned iconId, int size);

}  // namespace trovik
