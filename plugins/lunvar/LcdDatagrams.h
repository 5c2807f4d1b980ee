#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trovik::lunvar {

// The datagrams of the network LCD: byte 0 is always 0x01, byte 1 an
// instruction of the HD44780-type controller (0x01 clear, 0x80 cursor to the
// start of line 1, 0xC0 to the start of line 2), then, for a line, exactly 16
// text bytes.
inline constexpr std::size_t kLcdColumns = 16;
inline constexpr std::size_t kLineDatagramSize = 2 + kLcdColumns;
inline constexpr std::uint8_t kLine1 = 0x80;
inline constexpr std::uint8_t kLine2 = 0xC0;
inline constexpr std::uint8_t kFullBlock = 0xFF;
inline constexpr std::array<std::uint8_t, 2> kClearDatagram{0x01, 0x01};

using LineDatagram = std::array<std::uint8_t, kLineDatagramSize>;

// A line datagram with the text's bytes, cut at 16 and padded with spaces.
void MakeLineDatagram(LineDatagram& out, std::uint8_t line, std::string_view text);

// Line 1: the kilobytes received (totalRx / 1024, at most 999999999) right
// aligned in nine characters, then "kB Rcvd".
void MakeReceivedLine(LineDatagram& out, std::uint64_t totalRx);

// Line 2: one full block per 6 % of the receive full scale, at most 16.
void MakeRateBarLine(LineDatagram& out, std::uint32_t percentRx);

// The farewell after the clear, sent by Close.
inline constexpr std::string_view kFarewellLine1 = "Trovik Ext-DLL";
inline constexpr std::string_view kFarewellLine2 = "  is Terminated.";

}  // namespace trovik::lunvar
