#pragma once

// The texts of the dial-up info: the meter's connection figures and counters
// since the last reset, formatted as the dialog shows them. The dialog and
// the replay tool's `info` line both take them from here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trovik {

class MeterEngine;

// The fields in the order of the replay line.
enum DialupField : std::size_t {
    kFieldIp,
    kFieldSpeed,
    kFieldTime,
    kFieldRecv,
    kFieldSent,
    kFieldAvgRecv,
    kFieldAvgSent,
    kFieldConnects,
    kFieldIdle,
    kFieldAutoDisc,
    kFieldRunts,
    kFieldCrc,
    kFieldTimeout,
    kFieldAlignment,
    kFieldOverrun,
    kFieldFraming,
    kFieldBuffer,
    kDialupFieldCount
};

// The dialog's static text of each field.
inline constexpr std::array<unsigned, kDialupFieldCount> kDialupFieldControls = {
    1046, 1047, 1061, 1049, 1048, 1060, 1052, 1059, 1316,
    1058, 1057, 1050, 1051, 1056, 1053, 1054, 1055};

// The name of each field in the replay's `info` line.
inline constexpr std::array<std::string_view, kDialupFieldCount> kDialupFieldNames = {
    "ip",       "speed", "time", "recv",    "sent",      "avgRecv", "avgSent", "connects", "idle",
    "autoDisc", "runts", "crc",  "timeout", "alignment", "overrun", "framing", "buffer"};

using DialupTexts = std::array<std::string, kDialupFieldCount>;

// Inserts a comma before every group of three digits, counted from the right
// end of `text` leaving out its last character (the blank every number text
// ends in): "1234567 " becomes "1,234,567 ".
void InsertThousands(std::string& text);

// "%u時間 %02u分" of a connect time in seconds.
std::string ConnectTimeText(std::uint32_t seconds);

// "%u分 %02u秒" of an idle time in seconds.
std::string IdleTimeText(std::uint32_t seconds);

// Every field as it stands now. While connected the address is asked of the
// meter's connection control (" Unknown" when it cannot be found); the
// connect time runs from the meter's connectTime to its clock's present
// time, and counts 0 seconds across a clock set back.
DialupTexts DialupInfoTexts(const MeterEngine& meter);

}  // namespace trovik
