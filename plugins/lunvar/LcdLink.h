#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ext/TrvikExtension.h"

namespace trovik::lunvar {

inline constexpr std::string_view kTitle = "Trovik拡張DLL - LUNVARへの表示";
inline constexpr std::string_view kIniFileName = "TrvikLunvar.ini";
inline constexpr std::string_view kIniSection = "Config";
inline constexpr std::string_view kKeyAddress = "IpAddress";
inline constexpr std::string_view kKeyPort = "LcdPort";

// The device address used when the INI file names none: 192.168.1.200, first
// octet in the most significant byte, the way "IpAddress" is stored.
inline constexpr std::uint32_t kDefaultLcdAddress = 0xC0A801C8u;
inline constexpr std::uint32_t kDefaultLcdPort = 10003;

// The module's messages.
inline constexpr std::string_view kMsgSocket = "ソケットエラー。";
inline constexpr std::string_view kMsgTimeout = "タイムアウト設定エラー。";
inline constexpr std::string_view kMsgFirstSend = "タイムアウトエラー。";

struct LcdDestination {
    std::uint32_t address = kDefaultLcdAddress;  // first octet most significant
    std::uint32_t port = kDefaultLcdPort;        // only the low 16 bits are used
};

// "IpAddress" and "LcdPort" of the INI file, with their defaults.
LcdDestination ReadLcdDestination(const std::string& iniPath);

// The state behind the module's handle.
struct LcdLink {
    int socket = -1;
    sockaddr_in destination{};
};

// Makes the UDP socket, sets the destination and clears the display. On a
// failure shows its message (captioned kTitle), releases everything and
// returns null.
LcdLink* OpenLcdLink(const LcdDestination& destination);

// Sends line 1 and line 2 for the reading without waiting; send failures are
// ignored. Allocates nothing.
void UpdateLcdLink(LcdLink& link, const ExtReading& reading);

// Sends the clear and the farewell, closes the socket and frees the link.
void CloseLcdLink(LcdLink* link);

}  // namespace trovik::lunvar
