#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/NetlinkLinks.h"
#include "platform/NetlinkSocket.h"

namespace trovik {

// The rate a wireless link last sent at, as its driver reports it.
class WirelessRates {
public:
    virtual ~WirelessRates() = default;

    // The transmit bitrate of the link of ifindex `ifindex` to the station it
    // is associated with, in bits per second (saturating at 2^32 - 1); 0 when
    // the link is wireless but has no station or rate now (not associated,
    // nothing sent yet), which is worth asking again. False when the link is
    // not wireless or the kernel cannot be asked; a false answer leaves
    // nothing behind, so the next call (for this link or another) is asked
    // afresh.
    virtual bool TxBitrate(std::int32_t ifindex, std::uint32_t& bitsPerSecond) = 0;
};

// What one datagram of a generic-netlink answer said.
struct GenlChunkResult {
    DumpEnd end = DumpEnd::Incomplete;
    int error = 0;       // the positive errno when end is Error (0 if none was given)
    bool found = false;  // `value` was in this datagram
    std::uint32_t value = 0;
};

// Parses a datagram answering a CTRL_CMD_GETFAMILY request: `value` is the
// family id (CTRL_ATTR_FAMILY_ID). Like ParseLinkDump, every length is
// checked before anything is read, messages of another sequence number are
// skipped, and nothing is allocated.
GenlChunkResult ParseFamilyAnswer(std::span<const std::byte> data, std::uint32_t seq);

// Parses a datagram of a NL80211_CMD_GET_STATION dump answer from the family
// of id `family`: `value` is the first station's transmit bitrate in bits per
// second (NL80211_RATE_INFO_BITRATE32, else NL80211_RATE_INFO_BITRATE, both
// in units of 100 kbit/s), saturating at 2^32 - 1. A station without a rate,
// or with a rate of 0 (unknown), is passed over. A nest whose lengths do not
// fit makes the datagram Malformed.
GenlChunkResult ParseStationAnswer(std::span<const std::byte> data, std::uint32_t seq,
                                   std::uint16_t family);

// Requests for the above; each returns its size, or 0 when `out` is too
// small.
std::size_t BuildFamilyRequest(std::span<std::byte> out, std::uint32_t seq);
std::size_t BuildStationDumpRequest(std::span<std::byte> out, std::uint32_t seq,
                                    std::uint16_t family, std::int32_t ifindex);

// The real rates: the kernel's nl80211 family over a NETLINK_GENERIC socket,
// opened at the first question and kept. The family's id is looked up until
// it is known (the wireless core may be loaded only once a radio is plugged
// in), then kept. A call costs one request and its answer, never waits long
// (see NetlinkSocket) and allocates nothing.
class WirelessRate final : public WirelessRates {
public:
    // Holds the largest datagram the kernel sends for a dump to a reader
    // with a buffer of this size.
    static constexpr std::size_t kReceiveBufferSize = 32 * 1024;

    // `transport` null: a NetlinkSocket of NETLINK_GENERIC.
    explicit WirelessRate(std::unique_ptr<NetlinkTransport> transport = nullptr);
    ~WirelessRate() override;
    WirelessRate(const WirelessRate&) = delete;
    WirelessRate& operator=(const WirelessRate&) = delete;

    bool TxBitrate(std::int32_t ifindex, std::uint32_t& bitsPerSecond) override;

private:
    bool OpenTransport();
    bool ResolveFamily();
    void DropTransport();

    std::unique_ptr<NetlinkTransport> transport;
    std::unique_ptr<std::byte[]> receiveBuffer;
    bool transportOpen = false;
    std::uint16_t family = 0;  // 0: not known yet
    std::uint32_t sequence = 0;
};

}  // namespace trovik
