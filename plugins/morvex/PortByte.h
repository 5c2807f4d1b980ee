#pragma once

#include <cstdint>
#include <string_view>

#include "ext/TrvikExtension.h"

namespace trovik::morvex {

inline constexpr std::string_view kTitle = "Trovik拡張DLL - 80hポートへの受信レート％表示";
inline constexpr std::string_view kMsgNothingToConfigure = "設定可能な項目はありません。";
inline constexpr std::uint16_t kPostPort = 0x80;

// The receive percentage as two BCD digits: capped at 100, tens digit in the
// high nibble, units in the low one. 100 and above give 0xA0 (tens nibble
// ten), which a hexadecimal POST display shows as "A0".
constexpr std::uint8_t BcdPercentByte(std::uint32_t percentRx) {
    const std::uint32_t v = percentRx >= 100 ? 100 : percentRx;
    return static_cast<std::uint8_t>((v / 10) * 16 + v % 10);
}

// Where the byte goes. The module's real writer reaches I/O port 0x80; tests
// use their own.
class PortWriter {
public:
    virtual ~PortWriter() = default;
    virtual void WriteByte(std::uint8_t value) = 0;
};

// Update's work: the byte for the reading's PercentRx, written once. Every
// other field of the reading is ignored.
inline void WriteReading(PortWriter& port, const ExtReading& reading) {
    port.WriteByte(BcdPercentByte(reading.PercentRx));
}

}  // namespace trovik::morvex
