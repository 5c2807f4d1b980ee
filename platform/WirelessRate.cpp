#include "platform/WirelessRate.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>

namespace trovik {

namespace {

constexpr char kFamilyName[] = NL80211_GENL_NAME;
// Bounds one answer: a station dump of an access point with a crowd of
// clients fills far fewer.
constexpr std::size_t kMaxDatagrams = 1024;

// Calls `each(type, payload)` for every attribute of `attrs`, which returns
// false to call the message malformed. False when an attribute's length does
// not fit; fewer than four bytes left over are padding.
template <typename F>
bool ForEachAttr(std::span<const std::byte> attrs, F&& each) {
    std::size_t offset = 0;
    while (offset < attrs.size() && attrs.size() - offset >= sizeof(nlattr)) {
        const auto attr = ReadAt<nlattr>(attrs, offset);
        if (attr.nla_len < sizeof(nlattr) || attr.nla_len > attrs.size() - offset) {
            return false;
        }
        const auto payload = attrs.subspan(offset + sizeof(nlattr), attr.nla_len - sizeof(nlattr));
        if (!each(static_cast<std::uint16_t>(attr.nla_type & NLA_TYPE_MASK), payload)) {
            return false;
        }
        offset += Align4(attr.nla_len);
    }
    return true;
}

// Walks the messages of one datagram of an answer, handing the attributes of
// each message of type `type` to `onMessage(attrs, result)`, which returns
// false when they are malformed.
template <typename F>
GenlChunkResult WalkAnswer(std::span<const std::byte> data, std::uint32_t seq, std::uint16_t type,
                           F&& onMessage) {
    GenlChunkResult result;
    const DumpChunkResult walked =
        WalkNetlinkAnswer(data, seq, [&](std::uint16_t got, std::span<const std::byte> body) {
            if (got != type) {
                return true;  // NLMSG_NOOP and anything not asked for
            }
            return body.size() >= GENL_HDRLEN && onMessage(body.subspan(GENL_HDRLEN), result);
        });
    result.end = walked.end;
    result.error = walked.error;
    return result;
}

// Units of 100 kbit/s to bits per second.
std::uint32_t RateBits(std::uint32_t units) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{units} * 100'000, kMax));
}

// The bitrate inside NL80211_STA_INFO_TX_BITRATE, in units of 100 kbit/s (0
// when none is given); false when the nest is malformed.
bool ReadRate(std::span<const std::byte> nest, std::uint32_t& units) {
    std::uint32_t rate32 = 0;
    std::uint16_t rate16 = 0;
    const bool whole = ForEachAttr(nest, [&](std::uint16_t kind, std::span<const std::byte> p) {
        if (kind == NL80211_RATE_INFO_BITRATE32) {
            if (p.size() < sizeof(rate32)) {
                return false;
            }
            rate32 = ReadAt<std::uint32_t>(p, 0);
        } else if (kind == NL80211_RATE_INFO_BITRATE) {
            if (p.size() < sizeof(rate16)) {
                return false;
            }
            rate16 = ReadAt<std::uint16_t>(p, 0);
        }
        return true;
    });
    units = rate32 != 0 ? rate32 : rate16;
    return whole;
}

}  // namespace

GenlChunkResult ParseFamilyAnswer(std::span<const std::byte> data, std::uint32_t seq) {
    return WalkAnswer(
        data, seq, GENL_ID_CTRL, [](std::span<const std::byte> attrs, GenlChunkResult& result) {
            return ForEachAttr(attrs, [&](std::uint16_t kind, std::span<const std::byte> p) {
                if (kind != CTRL_ATTR_FAMILY_ID) {
                    return true;
                }
                if (p.size() < sizeof(std::uint16_t)) {
                    return false;
                }
                result.value = ReadAt<std::uint16_t>(p, 0);
                result.found = result.value != 0;
                return true;
            });
        });
}

GenlChunkResult ParseStationAnswer(std::span<const std::byte> data, std::uint32_t seq,
                                   std::uint16_t family) {
    return WalkAnswer(
        data, seq, family, [](std::span<const std::byte> attrs, GenlChunkResult& result) {
            std::uint32_t units = 0;
            const bool whole = ForEachAttr(attrs, [&](std::uint16_t kind,
                                                      std::span<const std::byte> info) {
                if (kind != NL80211_ATTR_STA_INFO) {
                    return true;
                }
                return ForEachAttr(info, [&](std::uint16_t field, std::span<const std::byte> nest) {
                    return field != NL80211_STA_INFO_TX_BITRATE || ReadRate(nest, units);
                });
            });
            if (whole && units != 0 && !result.found) {
                result.found = true;  // the first station that has a rate
                result.value = RateBits(units);
            }
            return whole;
        });
}

std::size_t BuildFamilyRequest(std::span<std::byte> out, std::uint32_t seq) {
    struct Request {
        nlmsghdr header;
        genlmsghdr genl;
        nlattr name;
        std::array<char, Align4(sizeof(kFamilyName))> text;
    };
    static_assert(sizeof(Request) == NLMSG_HDRLEN + GENL_HDRLEN + NLA_HDRLEN + 8);
    if (out.size() < sizeof(Request)) {
        return 0;
    }
    Request request{};
    request.header.nlmsg_len = sizeof(Request);
    request.header.nlmsg_type = GENL_ID_CTRL;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = seq;
    request.genl.cmd = CTRL_CMD_GETFAMILY;
    request.genl.version = 1;
    request.name.nla_len = static_cast<std::uint16_t>(NLA_HDRLEN + sizeof(kFamilyName));
    request.name.nla_type = CTRL_ATTR_FAMILY_NAME;
    std::memcpy(request.text.data(), kFamilyName, sizeof(kFamilyName));
    std::memcpy(out.data(), &request, sizeof(Request));
    return sizeof(Request);
}

std::size_t BuildStationDumpRequest(std::span<std::byte> out, std::uint32_t seq,
                                    std::uint16_t family, std::int32_t ifindex) {
    struct Request {
        nlmsghdr header;
        genlmsghdr genl;
        nlattr index;
        std::uint32_t value;
    };
    if (out.size() < sizeof(Request)) {
        return 0;
    }
    Request request{};
    request.header.nlmsg_len = sizeof(Request);
    request.header.nlmsg_type = family;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = seq;
    request.genl.cmd = NL80211_CMD_GET_STATION;
    request.index.nla_len = NLA_HDRLEN + sizeof(std::uint32_t);
    request.index.nla_type = NL80211_ATTR_IFINDEX;
    request.value = static_cast<std::uint32_t>(ifindex);
    std::memcpy(out.data(), &request, sizeof(Request));
    return sizeof(Request);
}

// --- WirelessRate ---

WirelessRate::WirelessRate(std::unique_ptr<NetlinkTransport> channel)
    : transport(channel ? std::move(channel) : std::make_unique<NetlinkSocket>(NETLINK_GENERIC)),
      receiveBuffer(std::make_unique<std::byte[]>(kReceiveBufferSize)) {}

WirelessRate::~WirelessRate() {
    DropTransport();
}

bool WirelessRate::TxBitrate(std::int32_t ifindex, std::uint32_t& bitsPerSecond) {
    if (!OpenTransport() || (family == 0 && !ResolveFamily())) {
        return false;
    }
    std::array<std::byte, 64> request{};
    const std::size_t size = BuildStationDumpRequest(request, ++sequence, family, ifindex);
    if (!transport->Send(std::span(request.data(), size))) {
        DropTransport();
        return false;
    }
    const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
    bool found = false;
    std::uint32_t bits = 0;
    for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
        const std::ptrdiff_t got = transport->Receive(buffer);
        if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
            break;
        }
        const GenlChunkResult result =
            ParseStationAnswer(buffer.first(static_cast<std::size_t>(got)), sequence, family);
        if (result.found && !found) {
            found = true;
            bits = result.value;
        }
        if (result.end == DumpEnd::Done) {
            bitsPerSecond = found ? bits : 0;
            return true;
        }
        if (result.end == DumpEnd::Error) {
            // Not wireless (ENODEV, EOPNOTSUPP): the answer is whole and the
            // socket fit for the next question. No such family any more (the
            // wireless core was reloaded under another id): look it up again.
            if (result.error == ENOENT) {
                family = 0;
            }
            return false;
        }
        if (result.end == DumpEnd::Malformed) {
            break;
        }
    }
    // The rest of a half-read answer would mix with the next one.
    DropTransport();
    return false;
}

bool WirelessRate::OpenTransport() {
    if (!transportOpen) {
        if (!transport->Open()) {
            transport->Close();
            return false;
        }
        transportOpen = true;
    }
    return true;
}

bool WirelessRate::ResolveFamily() {
    std::array<std::byte, 64> request{};
    const std::size_t size = BuildFamilyRequest(request, ++sequence);
    if (transport->Send(std::span(request.data(), size))) {
        const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
        for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
            const std::ptrdiff_t got = transport->Receive(buffer);
            if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
                break;
            }
            const GenlChunkResult result =
                ParseFamilyAnswer(buffer.first(static_cast<std::size_t>(got)), sequence);
            if (result.found) {
                family = static_cast<std::uint16_t>(result.value);
                return true;
            }
            if (result.end == DumpEnd::Error) {
                return false;  // ENOENT: no wireless core loaded (yet)
            }
            if (result.end != DumpEnd::Incomplete) {
                break;
            }
        }
    }
    DropTransport();
    return false;
}

void WirelessRate::DropTransport() {
    if (transportOpen) {
        transport->Close();
        transportOpen = false;
    }
}

}  // namespace trovik
