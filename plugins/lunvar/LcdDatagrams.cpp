#include "plugins/lunvar/LcdDatagrams.h"

#include <algorithm>

namespace trovik::lunvar {
namespace {

void Start(LineDatagram& out, std::uint8_t line) {
    out[0] = 0x01;
    out[1] = line;
    std::fill(out.begin() + 2, out.end(), static_cast<std::uint8_t>(' '));
}

}  // namespace

void MakeLineDatagram(LineDatagram& out, std::uint8_t line, std::string_view text) {
    Start(out, line);
    const std::size_t n = std::min(text.size(), kLcdColumns);
    for (std::size_t i = 0; i < n; ++i) {
        out[2 + i] = static_cast<std::uint8_t>(text[i]);
    }
}

void MakeReceivedLine(LineDatagram& out, std::uint64_t totalRx) {
    constexpr std::string_view unit = "kB Rcvd";
    constexpr std::size_t digits = 9;
    Start(out, kLine1);
    std::uint64_t kilobytes = std::min<std::uint64_t>(totalRx >> 10, 999999999u);
    // Right-aligned in nine characters, written from the last digit back.
    std::size_t at = 2 + digits;
    do {
        out[--at] = static_cast<std::uint8_t>('0' + kilobytes % 10);
        kilobytes /= 10;
    } while (kilobytes != 0);
    for (std::size_t i = 0; i < unit.size(); ++i) {
        out[2 + digits + i] = static_cast<std::uint8_t>(unit[i]);
    }
}

void MakeRateBarLine(LineDatagram& out, std::uint32_t percentRx) {
    Start(out, kLine2);
    const std::size_t blocks = std::min<std::size_t>(percentRx / 6, kLcdColumns);
    std::fill(out.begin() + 2, out.begin() + 2 + static_cast<std::ptrdiff_t>(blocks), kFullBlock);
}

}  // namespace trovik::lunvar
