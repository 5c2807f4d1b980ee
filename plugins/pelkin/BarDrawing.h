#pragma once

#include <cstdint>

class QImage;

namespace trovik::pelkin {

// A rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// Colours as stored in the INI file: 0x00BBGGRR (red in the low byte).
struct BarColors {
    std::uint32_t base = 0xFFFFFF;
    std::uint32_t tx = 0xFF0000;
    std::uint32_t rx = 0x0000FF;
};

// The screen edges of "Position"; any other value counts as the left edge.
enum BarPosition : std::uint32_t { kLeft = 0, kRight = 1, kTop = 2, kBottom = 3 };

// True for the wide, short window along the top or bottom edge; every other
// position, unknown ones included, uses the tall (left-edge) layout.
inline bool IsHorizontalLayout(std::uint32_t position) {
    return position == kTop || position == kBottom;
}

// The window's rectangle in screen coordinates for an edge, a thickness and
// the whole screen's size.
PixelRect BarWindowRect(std::uint32_t position, int size, int screenWidth, int screenHeight);

// 0x00BBGGRR as an opaque 0xAARRGGBB pixel.
std::uint32_t PixelFromColorRef(std::uint32_t colorRef);

// Draws the window's whole content over `client` (the client rectangle,
// left and top 0) into `image`, which must be of Format_RGB32 or a 32-bit
// ARGB format: a white/dark-grey frame, a light-grey frame inside it, and in
// the remaining area the send bar (left column or upper row) and the receive
// bar (right column or lower row), growing from the bottom or from the left.
// Lengths are percent x inner length / 100, not capped: a longer bar runs
// over the frames at its far end and is clipped by the rectangle. Allocates
// nothing.
void DrawBars(QImage& image, const PixelRect& client, std::uint32_t position,
              const BarColors& colors, std::uint32_t percentTx, std::uint32_t percentRx);

}  // namespace trovik::pelkin
