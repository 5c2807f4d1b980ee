#include "ui/meter/TrayImages.h"

#include <QBrush>
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <cmath>
#include <numbers>

#include "res/DialogTemplates.h"
#include "ui/meter/LevelBar.h"

namespace trovik {

namespace {

constexpr int kStripWidth = kTrayImageSize * static_cast<int>(kTrayImageCount);

// Bright and dark colours of the lamps and bar segments: green for the low
// part of the scale, yellow above it, red at the top.
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kDarkGreen(0, 80, 0);
const QColor kDarkYellow(80, 80, 0);
const QColor kDarkRed(80, 0, 0);
const QColor kBlack(0, 0, 0);

// The colour of step `step` (0 to 15) of a 16-step scale, lit or not.
QColor StepColour(int step, bool lit) {
    if (step < 8) {
        return lit ? kGreen : kDarkGreen;
    }
    if (step < 13) {
        return lit ? kYellow : kDarkYellow;
    }
    return lit ? kRed : kDarkRed;
}

// The colour of a whole level (0 to 16) where one colour shows it.
QColor LevelColour(int level) {
    return StepColour(level > 0 ? level - 1 : 0, true);
}

// 146: a vertical bar between two black rails, one row per step from the
// bottom, the scale visible in dark colours above the level.
void DrawVerticalBar(QPainter& painter, int x0, int level) {
    painter.fillRect(QRect(x0 + 3, 0, 1, 16), kBlack);
    painter.fillRect(QRect(x0 + 12, 0, 1, 16), kBlack);
    for (int step = 0; step < 16; ++step) {
        painter.fillRect(QRect(x0 + 4, 15 - step, 8, 1), StepColour(step, step < level));
    }
}

// 147: a horizontal bar in the meter window's zones (red to 40 %, green to
// 80 %, yellow above), one column per step, between two black rails.
void DrawHorizontalBar(QPainter& painter, int x0, int level) {
    painter.fillRect(QRect(x0, 3, 16, 1), kBlack);
    painter.fillRect(QRect(x0, 12, 16, 1), kBlack);
    // The same zone edges as DrawLevelBar gives a 16-pixel bar.
    constexpr int e = 2 * 16 / 5;
    constexpr int f = 4 * 16 / 5;
    for (int column = 0; column < 16; ++column) {
        const int zone = column < e ? 0 : column < f ? 1 : 2;
        const QRgb colour = column < level ? kBarLit[static_cast<unsigned>(zone)]
                                           : kBarUnlit[static_cast<unsigned>(zone)];
        painter.fillRect(QRect(x0 + column, 4, 1, 8), QColor(colour));
    }
}

// 148: a half-round dial on a grey base; the swept part is filled in the
// level's colour and a white needle points at the level.
void DrawDial(QPainter& painter, int x0, int level) {
    const QRect face(x0, 4, 16, 16);  // the upper half lies in rows 4 to 12
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 96));
    painter.drawPie(face, 180 * 16, -180 * 16);
    if (level > 0) {
        painter.setBrush(LevelColour(level));
        painter.drawPie(face, 180 * 16, -level * 180);
    }
    painter.setBrush(Qt::NoBrush);
    painter.fillRect(QRect(x0 + 1, 13, 14, 2), QColor(128, 128, 128));

    const double angle = std::numbers::pi - level * std::numbers::pi / 16.0;
    const QPoint centre(x0 + 7, 12);
    const QPoint tip(centre.x() + static_cast<int>(std::lround(7.0 * std::cos(angle))),
                     centre.y() - static_cast<int>(std::lround(7.0 * std::sin(angle))));
    painter.setPen(QPen(QColor(255, 255, 255), 1));
    painter.drawLine(centre, tip);
    painter.setPen(Qt::NoPen);
    painter.fillRect(QRect(x0 + 7, 11, 2, 2), QColor(255, 255, 255));
}

// 149: a block of 4 × 4 lamps lit one by one, left to right from the bottom
// row up.
void DrawLamps(QPainter& painter, int x0, int level) {
    for (int lamp = 0; lamp < 16; ++lamp) {
        const int row = lamp / 4;  // 0 at the bottom
        const int column = lamp % 4;
        const int step = row * 4 + 3;  // each row in one colour, the top row red
        painter.fillRect(QRect(x0 + 1 + 4 * column, 13 - 4 * row, 3, 3),
                         StepColour(step, lamp < level));
    }
}

// 150: a disc filled clockwise from twelve o'clock, a sixteenth per step.
void DrawPie(QPainter& painter, int x0, int level) {
    painter.setPen(QPen(kBlack, 1));
    painter.setBrush(QColor(64, 64, 64));
    painter.drawEllipse(QRect(x0, 0, 15, 15));
    if (level > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(LevelColour(level));
        painter.drawPie(QRect(x0 + 1, 1, 14, 14), 90 * 16, -level * 360);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
}

// Draws the program icon in a 32 × 32 space (the painter scales it).
void DrawProgramIcon(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient background(0, 0, 0, 32);
    background.setColorAt(0, QColor(40, 70, 140));
    background.setColorAt(1, QColor(12, 24, 60));
    painter.setPen(QPen(QColor(0, 0, 0, 180), 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);

    // An arrow up for sending and one down for receiving, each with its bar.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawPolygon(QPolygon({QPoint(5, 14), QPoint(8, 9), QPoint(11, 14)}));
    painter.drawPolygon(QPolygon({QPoint(5, 18), QPoint(11, 18), QPoint(8, 23)}));
    DrawLevelBar(painter, QRect(13, 10, 15, 4), 55, 70);
    DrawLevelBar(painter, QRect(13, 19, 15, 4), 85, 90);
}

void DrawErrorIcon(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(120, 0, 0), 1.5));
    painter.setBrush(QColor(220, 20, 20));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    QPen cross(QColor(255, 255, 255), 4);
    cross.setCapStyle(Qt::RoundCap);
    painter.setPen(cross);
    painter.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
    painter.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
}

QImage DrawIcon(int size, void (*draw)(QPainter&)) {
    if (size <= 0) {
        return {};
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(size / 32.0, size / 32.0);
    draw(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

unsigned TrayBitmapOrDefault(unsigned bitmapId) {
    return bitmapId >= kFirstTrayBitmap && bitmapId <= kLastTrayBitmap ? bitmapId
                                                                       : kFirstTrayBitmap;
}

QImage TrayStripImage(unsigned bitmapId) {
    QImage strip(kStripWidth, kTrayImageSize, QImage::Format_RGB32);
    strip.fill(QColor::fromRgb(kTransparentColour));
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const unsigned style = TrayBitmapOrDefault(bitmapId);
    for (int level = 0; level < static_cast<int>(kTrayImageCount); ++level) {
        const int x0 = level * kTrayImageSize;
        painter.setClipRect(QRect(x0, 0, kTrayImageSize, kTrayImageSize));
        switch (style) {
            case 147:
                DrawHorizontalBar(painter, x0, level);
                break;
            case 148:
                DrawDial(painter, x0, level);
                break;
            case 149:
                DrawLamps(painter, x0, level);
                break;
            case 150:
                DrawPie(painter, x0, level);
                break;
            default:
                DrawVerticalBar(painter, x0, level);
                break;
        }
    }
    painter.end();
    return strip;
}

QImage TrayLevelImage(const QImage& strip, unsigned level) {
    const int x0 =
        static_cast<int>(level < kTrayImageCount ? level : kTrayImageCount - 1) * kTrayImageSize;
    QImage image =
        strip.copy(x0, 0, kTrayImageSize, kTrayImageSize).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == kTransparentColour) {
                line[x] = 0;
            }
        }
    }
    return image;
}

std::array<QPixmap, kTrayImageCount> BuildTrayImages(unsigned bitmapId) {
    const QImage strip = TrayStripImage(bitmapId);
    std::array<QPixmap, kTrayImageCount> images;
    for (unsigned level = 0; level < kTrayImageCount; ++level) {
        images[level] = QPixmap::fromImage(TrayLevelImage(strip, level));
    }
    return images;
}

void TrayIconBar::Build(unsigned bitmapId) {
    pixmaps = BuildTrayImages(bitmapId);
    for (unsigned level = 0; level < kTrayImageCount; ++level) {
        icons[level] = QIcon(pixmaps[level]);
    }
}

void TrayIconBar::Clear() {
    pixmaps = {};
    icons = {};
}

QImage ProgramIconImage(int size) {
    return DrawIcon(size, DrawProgramIcon);
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    }
    return icon;
}

bool SaveProgramIconPng(const QString& path, int size) {
    const QImage image = ProgramIconImage(size);
    return !image.isNull() && image.save(path, "PNG");
}

QImage ErrorIconImage(int size) {
    return DrawIcon(size, DrawErrorIcon);
}

QPixmap ErrorIconPixmap(int size) {
    return QPixmap::fromImage(ErrorIconImage(size));
}

QPixmap IconPixmap(unsigned iconId, int size) {
    switch (iconId) {
        case kProgramIcon:
            return QPixmap::fromImage(ProgramIconImage(size));
        case kErrorIcon:
            return ErrorIconPixmap(size);
        default:
            return {};
    }
}

}  // namespace trovik
