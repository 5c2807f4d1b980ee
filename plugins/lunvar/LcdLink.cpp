#include "plugins/lunvar/LcdLink.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <new>

#include "plugins/common/ModuleMessage.h"
#include "plugins/common/ProfileIni.h"
#include "plugins/lunvar/LcdDatagrams.h"

namespace trovik::lunvar {
namespace {

// Fire and forget: never waits for buffer space, never raises SIGPIPE.
bool Send(const LcdLink& link, const std::uint8_t* bytes, std::size_t size) {
    const ssize_t sent =
        ::sendto(link.socket, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&link.destination), sizeof(link.destination));
    return sent == static_cast<ssize_t>(size);
}

void SendLine(const LcdLink& link, std::uint8_t line, std::string_view text) {
    LineDatagram datagram;
    MakeLineDatagram(datagram, line, text);
    (void)Send(link, datagram.data(), datagram.size());
}

LcdLink* Fail(LcdLink* link, std::string_view message) {
    plugin::ShowModuleMessage(kTitle, message);
    if (link->socket >= 0) {
        ::close(link->socket);
    }
    delete link;
    return nullptr;
}

}  // namespace

LcdDestination ReadLcdDestination(const std::string& iniPath) {
    LcdDestination destination;
    destination.address =
        plugin::GetProfileUInt(iniPath, kIniSection, kKeyAddress, kDefaultLcdAddress);
    destination.port = plugin::GetProfileUInt(iniPath, kIniSection, kKeyPort, kDefaultLcdPort);
    return destination;
}

LcdLink* OpenLcdLink(const LcdDestination& destination) {
    auto* link = new (std::nothrow) LcdLink;
    if (link == nullptr) {
        return nullptr;
    }
    link->socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (link->socket < 0) {
        return Fail(link, kMsgSocket);
    }
    // Nothing is ever received; the time-out only bounds a receive that a
    // later version might add.
    timeval timeout{};
    timeout.tv_usec = 100000;
    if (::setsockopt(link->socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout)) != 0) {
        return Fail(link, kMsgTimeout);
    }
    link->destination.sin_family = AF_INET;
    link->destination.sin_addr.s_addr = htonl(destination.address);
    link->destination.sin_port = htons(static_cast<std::uint16_t>(destination.port & 0xFFFFu));
    if (!Send(*link, kClearDatagram.data(), kClearDatagram.size())) {
        return Fail(link, kMsgFirstSend);
    }
    return link;
}

void UpdateLcdLink(LcdLink& link, const ExtReading& reading) {
    LineDatagram line;
    MakeReceivedLine(line, reading.TotalRx);
    (void)Send(link, line.data(), line.size());
    MakeRateBarLine(line, reading.PercentRx);
    (void)Send(link, line.data(), line.size());
}

void CloseLcdLink(LcdLink* link) {
    if (link == nullptr) {
        return;
    }
    (void)Send(*link, kClearDatagram.data(), kClearDatagram.size());
    SendLine(*link, kLine1, kFarewellLine1);
    SendLine(*link, kLine2, kFarewellLine2);
    ::close(link->socket);
    delete link;
}

}  // namespace trovik::lunvar
