#include "plugins/pelkin/BarDrawing.h"

#include <QImage>
#include <algorithm>

namespace trovik::pelkin {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kDarkGrey = 0xFF808080u;
constexpr std::uint32_t kLightGrey = 0xFFC0C0C0u;

// The image's pixels, taken once per drawing: a 32-bit image's rows.
struct Pixels {
    std::uint8_t* bits;
    std::int64_t stride;  // bytes per row
    std::int64_t width;
    std::int64_t height;
};

// Fills [left, right) x [top, bottom) clipped to `clip` and to the image.
void Fill(const Pixels& image, const PixelRect& clip, std::int64_t left, std::int64_t top,
          std::int64_t right, std::int64_t bottom, std::uint32_t pixel) {
    const std::int64_t x0 = std::max<std::int64_t>({left, clip.left, 0});
    const std::int64_t y0 = std::max<std::int64_t>({top, clip.top, 0});
    const std::int64_t x1 = std::min<std::int64_t>({right, clip.right, image.width});
    const std::int64_t y1 = std::min<std::int64_t>({bottom, clip.bottom, image.height});
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    for (std::int64_t y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.bits + y * image.stride);
        std::fill(row + x0, row + x1, pixel);
    }
}

// A two-colour frame one pixel wide: the top row (without its last pixel)
// and the left column (without its last pixel) in `topLeft`, the right column
// and the bottom row, each whole, in `bottomRight`.
void Frame(const Pixels& image, const PixelRect& clip, const PixelRect& r, std::uint32_t topLeft,
           std::uint32_t bottomRight) {
    Fill(image, clip, r.left, r.top, r.right - 1, r.top + 1, topLeft);
    Fill(image, clip, r.left, r.top, r.left + 1, r.bottom - 1, topLeft);
    Fill(image, clip, r.right - 1, r.top, r.right, r.bottom, bottomRight);
    Fill(image, clip, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
}

PixelRect Shrunk(const PixelRect& r) {
    return {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

std::int64_t BarLength(std::uint32_t percent, int extent) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(percent) *
                                     static_cast<std::uint64_t>(std::max(extent, 0)) / 100u);
}

}  // namespace

PixelRect BarWindowRect(std::uint32_t position, int size, int screenWidth, int screenHeight) {
    switch (position) {
        case kRight:
            return {screenWidth - size, 0, screenWidth, screenHeight};
        case kTop:
            return {0, 0, screenWidth, size};
        case kBottom:
            return {0, screenHeight - size, screenWidth, screenHeight};
        default:
            return {0, 0, size, screenHeight};
    }
}

std::uint32_t PixelFromColorRef(std::uint32_t colorRef) {
    const std::uint32_t red = colorRef & 0xFFu;
    const std::uint32_t green = (colorRef >> 8) & 0xFFu;
    const std::uint32_t blue = (colorRef >> 16) & 0xFFu;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

void DrawBars(QImage& image, const PixelRect& client, std::uint32_t position,
              const BarColors& colors, std::uint32_t percentTx, std::uint32_t percentRx) {
    switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            break;
        default:
            return;
    }
    // One detach check for the whole drawing, not one per row.
    const Pixels pixels{image.bits(), image.bytesPerLine(), image.width(), image.height()};
    Frame(pixels, client, client, kWhite, kDarkGrey);
    const PixelRect middle = Shrunk(client);
    Frame(pixels, client, middle, kLightGrey, kLightGrey);
    const PixelRect inner = Shrunk(middle);
    const std::int64_t L = inner.left;
    const std::int64_t T = inner.top;
    const std::int64_t R = inner.right;
    const std::int64_t B = inner.bottom;
    const std::uint32_t base = PixelFromColorRef(colors.base);
    const std::uint32_t tx = PixelFromColorRef(colors.tx);
    const std::uint32_t rx = PixelFromColorRef(colors.rx);

    if (!IsHorizontalLayout(position)) {
        const int w = inner.Width();
        const std::int64_t half = std::max(w, 0) / 2;
        std::int64_t second = L + half;
        if (w % 2 != 0) {
            Fill(pixels, client, L + half, T, L + half + 1, B, base);
            second = L + half + 1;
        }
        const std::int64_t lenTx = BarLength(percentTx, inner.Height());
        const std::int64_t lenRx = BarLength(percentRx, inner.Height());
        Fill(pixels, client, L, T, L + half, B - lenTx, base);
        Fill(pixels, client, L, B - lenTx, L + half, B, tx);
        Fill(pixels, client, second, T, second + half, B - lenRx, base);
        Fill(pixels, client, second, B - lenRx, second + half, B, rx);
        return;
    }
    const int h = inner.Height();
    const std::int64_t half = std::max(h, 0) / 2;
    std::int64_t second = T + half;
    if (h % 2 != 0) {
        Fill(pixels, client, L, T + half, R, T + half + 1, base);
        second = T + half + 1;
    }
    const std::int64_t lenTx = BarLength(percentTx, inner.Width());
    const std::int64_t lenRx = BarLength(percentRx, inner.Width());
    Fill(pixels, client, L, T, L + lenTx, T + half, tx);
    Fill(pixels, client, L + lenTx, T, R, T + half, base);
    Fill(pixels, client, L, second, L + lenRx, second + half, rx);
    Fill(pixels, client, L + lenRx, second, R, second + half, base);
}

}  // namespace trovik::pelkin
