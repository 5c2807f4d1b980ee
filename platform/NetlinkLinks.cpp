#include "platform/NetlinkLinks.h"

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string_view>

namespace trovik {

namespace {

// The statistics layouts grew over kernel versions; an older, shorter one is
// accepted as long as it reaches the last field read here.
template <typename Stats>
constexpr std::size_t kStatsNeeded = offsetof(Stats, rx_missed_errors) +
                                     sizeof(Stats{}.rx_missed_errors);

template <typename Stats>
bool ReadStats(std::span<const std::byte> payload, LinkCounters& out) {
    if (payload.size() < kStatsNeeded<Stats>) {
        return false;
    }
    Stats s{};
    std::memcpy(&s, payload.data(), std::min(payload.size(), sizeof(Stats)));
    out.rxPackets = s.rx_packets;
    out.txPackets = s.tx_packets;
    out.rxBytes = s.rx_bytes;
    out.txBytes = s.tx_bytes;
    out.rxErrors = s.rx_errors;
    out.txErrors = s.tx_errors;
    out.rxDropped = s.rx_dropped;
    out.txDropped = s.tx_dropped;
    out.rxLengthErrors = s.rx_length_errors;
    out.rxOverErrors = s.rx_over_errors;
    out.rxCrcErrors = s.rx_crc_errors;
    out.rxFrameErrors = s.rx_frame_errors;
    out.rxFifoErrors = s.rx_fifo_errors;
    out.rxMissedErrors = s.rx_missed_errors;
    return true;
}

void ReadName(std::span<const std::byte> payload, LinkInfo& link) {
    // The kernel sends the name NUL-terminated; a payload without the NUL is
    // cut at the capacity rather than trusted.
    std::size_t n = 0;
    while (n < payload.size() && n + 1 < kLinkNameCapacity && payload[n] != std::byte{0}) {
        ++n;
    }
    link.nameBytes.fill('\0');
    std::memcpy(link.nameBytes.data(), payload.data(), n);
    link.nameLength = static_cast<std::uint8_t>(n);
}

// The kind inside IFLA_LINKINFO, whose nested attributes are checked like
// the outer ones; a malformed nest leaves the kind empty.
void ReadKind(std::span<const std::byte> nest, LinkInfo& link) {
    std::size_t offset = 0;
    while (offset < nest.size() && nest.size() - offset >= sizeof(rtattr)) {
        const auto attr = ReadAt<rtattr>(nest, offset);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > nest.size() - offset) {
            return;
        }
        if ((attr.rta_type & NLA_TYPE_MASK) == IFLA_INFO_KIND) {
            const auto payload =
                nest.subspan(offset + sizeof(rtattr), attr.rta_len - sizeof(rtattr));
            std::size_t n = 0;
            while (n < payload.size() && n + 1 < kLinkNameCapacity && payload[n] != std::byte{0}) {
                ++n;
            }
            link.kindBytes.fill('\0');
            std::memcpy(link.kindBytes.data(), payload.data(), n);
            link.kindLength = static_cast<std::uint8_t>(n);
            return;
        }
        offset += Align4(attr.rta_len);
    }
}

// Fills `link` from the body of a RTM_NEWLINK message (ifinfomsg and its
// attributes). False when the body is too short or an attribute's length
// runs past it.
bool ParseLink(std::span<const std::byte> body, LinkInfo& link) {
    if (body.size() < sizeof(ifinfomsg)) {
        return false;
    }
    const auto info = ReadAt<ifinfomsg>(body, 0);
    link.index = info.ifi_index;
    link.type = info.ifi_type;
    link.flags = info.ifi_flags;

    bool have64 = false;
    bool have32 = false;
    LinkCounters counters32;
    std::size_t offset = NLMSG_ALIGN(sizeof(ifinfomsg));
    while (offset < body.size() && body.size() - offset >= sizeof(rtattr)) {
        const auto attr = ReadAt<rtattr>(body, offset);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > body.size() - offset) {
            return false;
        }
        const auto payload = body.subspan(offset + sizeof(rtattr), attr.rta_len - sizeof(rtattr));
        switch (attr.rta_type & NLA_TYPE_MASK) {
            case IFLA_IFNAME:
                ReadName(payload, link);
                break;
            case IFLA_OPERSTATE:
                if (!payload.empty()) {
                    link.operState = static_cast<std::uint8_t>(payload[0]);
                }
                break;
            case IFLA_LINKINFO:
                ReadKind(payload, link);
                break;
            case IFLA_STATS64:
                have64 = ReadStats<rtnl_link_stats64>(payload, link.counters) || have64;
                break;
            case IFLA_STATS:
                have32 = ReadStats<rtnl_link_stats>(payload, counters32) || have32;
                break;
            default:
                break;
        }
        offset += Align4(attr.rta_len);
    }
    // Fewer than four bytes left over are padding, as the kernel's own
    // attribute parser takes them.
    if (have64) {
        link.statsForm = LinkStatsForm::Bits64;
    } else if (have32) {
        link.counters = counters32;
        link.statsForm = LinkStatsForm::Bits32;
    }
    return true;
}

}  // namespace

bool LinkInfo::AdminUp() const {
    return (flags & IFF_UP) != 0;
}

bool LinkInfo::IsUp() const {
    if (!AdminUp()) {
        return false;
    }
    if (operState) {
        return *operState == IF_OPER_UP || *operState == IF_OPER_UNKNOWN;
    }
    return (flags & IFF_RUNNING) != 0;
}

bool LinkInfo::HasCarrier() const {
    if (!IsUp()) {
        return false;
    }
    // Some drivers (modems, USB tethering) never set an operational state;
    // the link layer's own flag tells then.
    if (operState && *operState != IF_OPER_UNKNOWN) {
        return *operState == IF_OPER_UP;
    }
    return (flags & IFF_LOWER_UP) != 0;
}

bool IsVirtualLink(const LinkInfo& link) {
    switch (link.type) {
        case ARPHRD_LOOPBACK:
        case ARPHRD_TUNNEL:
        case ARPHRD_TUNNEL6:
        case ARPHRD_IPGRE:
        case ARPHRD_IP6GRE:
        case ARPHRD_SIT:
        case ARPHRD_VOID:
            return true;
        default:
            break;
    }
    static constexpr std::string_view kVirtualKinds[] = {
        "veth",   "bridge", "bond",   "team", "vlan",   "macvlan", "macvtap",   "ipvlan",
        "ipvtap", "vxlan",  "geneve", "tun",  "dummy",  "vrf",     "gre",       "gretap",
        "ipip",   "ip6tnl", "ip6gre", "sit",  "vti",    "vti6",    "wireguard", "nlmon",
        "ifb",    "netkit", "batadv", "hsr",  "macsec", "xfrm",    "bareudp",   "amt",
    };
    const std::string_view kind = link.Kind();
    return std::find(std::begin(kVirtualKinds), std::end(kVirtualKinds), kind) !=
           std::end(kVirtualKinds);
}

namespace {

// The address of a RTM_NEWADDR message: IFA_LOCAL where there is one (on a
// point-to-point link IFA_ADDRESS is the peer's), else IFA_ADDRESS.
LinkAddress ParseAddress(std::uint8_t family, std::span<const std::byte> body) {
    LinkAddress found;
    const std::size_t size = family == AF_INET ? 4 : family == AF_INET6 ? 16 : 0;
    if (size == 0) {
        return found;
    }
    bool haveLocal = false;
    std::size_t offset = NLMSG_ALIGN(sizeof(ifaddrmsg));
    while (offset < body.size() && body.size() - offset >= sizeof(rtattr)) {
        const auto attr = ReadAt<rtattr>(body, offset);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > body.size() - offset) {
            break;
        }
        const bool local = attr.rta_type == IFA_LOCAL;
        if ((local || (attr.rta_type == IFA_ADDRESS && !haveLocal)) &&
            attr.rta_len - sizeof(rtattr) >= size) {
            std::memcpy(found.bytes.data(), body.data() + offset + sizeof(rtattr), size);
            found.family = family;
            haveLocal = haveLocal || local;
        }
        offset += Align4(attr.rta_len);
    }
    return found;
}

}  // namespace

DumpChunkResult ParseLinkDump(std::span<const std::byte> data, std::optional<std::uint32_t> seq,
                              LinkSink& sink) {
    std::size_t links = 0;
    DumpChunkResult result =
        WalkNetlinkAnswer(data, seq, [&](std::uint16_t type, std::span<const std::byte> body) {
            if (type == RTM_NEWLINK) {
                LinkInfo link;
                if (!ParseLink(body, link)) {
                    return false;
                }
                ++links;
                sink.OnLink(link);
            } else if (type == RTM_NEWADDR) {
                if (body.size() < sizeof(ifaddrmsg)) {
                    return false;
                }
                // A link-local address (IPv6's, which every link that is up
                // has) reaches no network.
                if (const auto address = ReadAt<ifaddrmsg>(body, 0);
                    address.ifa_scope < RT_SCOPE_LINK) {
                    sink.OnAddress(static_cast<std::int32_t>(address.ifa_index),
                                   ParseAddress(address.ifa_family, body));
                }
            }
            return true;  // NLMSG_NOOP and anything not asked for are passed over
        });
    result.links = links;
    return result;
}

namespace {

std::size_t BuildLinkRequest(std::span<std::byte> out, std::uint32_t seq, std::uint16_t flags,
                             std::int32_t index) {
    struct Request {
        nlmsghdr header;
        ifinfomsg info;
    };
    if (out.size() < sizeof(Request)) {
        return 0;
    }
    Request request{};
    request.header.nlmsg_len = sizeof(Request);
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = flags;
    request.header.nlmsg_seq = seq;
    request.info.ifi_family = AF_UNSPEC;
    request.info.ifi_index = index;
    std::memcpy(out.data(), &request, sizeof(Request));
    return sizeof(Request);
}

}  // namespace

std::size_t BuildLinkDumpRequest(std::span<std::byte> out, std::uint32_t seq) {
    return BuildLinkRequest(out, seq, NLM_F_REQUEST | NLM_F_DUMP, 0);
}

std::size_t BuildLinkGetRequest(std::span<std::byte> out, std::uint32_t seq, std::int32_t index) {
    return BuildLinkRequest(out, seq, NLM_F_REQUEST, index);
}

std::size_t BuildAddressDumpRequest(std::span<std::byte> out, std::uint32_t seq) {
    struct Request {
        nlmsghdr header;
        ifaddrmsg info;
    };
    if (out.size() < sizeof(Request)) {
        return 0;
    }
    Request request{};
    request.header.nlmsg_len = sizeof(Request);
    request.header.nlmsg_type = RTM_GETADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = seq;
    request.info.ifa_family = AF_UNSPEC;
    std::memcpy(out.data(), &request, sizeof(Request));
    return sizeof(Request);
}

}  // namespace trovik
