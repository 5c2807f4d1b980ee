#pragma once

// Dump answers for the tests: the recorded one, links made from its eth0
// message with another index, type, name, state and statistics, and a
// transport that replays queued answers.

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/LinuxCounterSource.h"

namespace trovik::testing {

#include "data/RecordedLinkDump.inc"

using Bytes = std::vector<std::byte>;

inline Bytes ToBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::byte*>(data);
    return Bytes(bytes, bytes + size);
}

// The recorded datagrams; the last holds NLMSG_DONE alone.
inline std::vector<Bytes> RecordedDump() {
    return {ToBytes(kRecordedDatagram0, sizeof(kRecordedDatagram0)),
            ToBytes(kRecordedDatagram1, sizeof(kRecordedDatagram1)),
            ToBytes(kRecordedDatagram2, sizeof(kRecordedDatagram2))};
}

inline Bytes Concat(const std::vector<Bytes>& pieces) {
    Bytes out;
    for (const Bytes& p : pieces) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

inline void AppendAttr(Bytes& out, std::uint16_t type, const void* data, std::size_t size) {
    const rtattr header{static_cast<std::uint16_t>(RTA_LENGTH(size)), type};
    const Bytes h = ToBytes(&header, sizeof(header));
    out.insert(out.end(), h.begin(), h.end());
    const Bytes payload = ToBytes(data, size);
    out.insert(out.end(), payload.begin(), payload.end());
    out.resize(NLMSG_ALIGN(out.size()));
}

struct LinkShape {
    std::int32_t index = 0;
    std::string name;
    std::uint16_t type = ARPHRD_PPP;
    bool up = true;
    rtnl_link_stats64 stats{};
    bool with64 = true;
    bool with32 = true;
    std::uint16_t messageFlags = NLM_F_MULTI;
    std::string kind = {};  // IFLA_INFO_KIND; empty: none sent
};

// A RTM_NEWLINK message carrying the recorded eth0's attributes, with the
// header, name, operational state and statistics of `shape`.
inline Bytes LinkMessage(const LinkShape& shape) {
    const Bytes source = ToBytes(kRecordedDatagram1, sizeof(kRecordedDatagram1));
    std::size_t at = 0;  // eth0 is the second message of this datagram
    nlmsghdr header;
    std::memcpy(&header, source.data(), sizeof(header));
    at += NLMSG_ALIGN(header.nlmsg_len);
    std::memcpy(&header, source.data() + at, sizeof(header));

    Bytes out(NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg)));
    ifinfomsg info;
    std::memcpy(&info, source.data() + at + NLMSG_HDRLEN, sizeof(info));
    info.ifi_index = shape.index;
    info.ifi_type = shape.type;
    info.ifi_flags = shape.up ? IFF_UP | IFF_RUNNING | IFF_LOWER_UP | IFF_POINTOPOINT : 0u;
    std::memcpy(out.data() + NLMSG_HDRLEN, &info, sizeof(info));

    std::size_t attr = at + NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
    while (attr < at + header.nlmsg_len) {
        rtattr a;
        std::memcpy(&a, source.data() + attr, sizeof(a));
        const std::byte* payload = source.data() + attr + RTA_LENGTH(0);
        if (a.rta_type == IFLA_IFNAME) {
            AppendAttr(out, a.rta_type, shape.name.c_str(), shape.name.size() + 1);
        } else if (a.rta_type == IFLA_OPERSTATE) {
            const std::uint8_t state = shape.up ? IF_OPER_UNKNOWN : IF_OPER_DOWN;
            AppendAttr(out, a.rta_type, &state, 1);
        } else if (a.rta_type == IFLA_STATS64) {
            if (shape.with64) {
                AppendAttr(out, a.rta_type, &shape.stats, sizeof(shape.stats));
            }
        } else if (a.rta_type == IFLA_STATS) {
            if (shape.with32) {
                // The kernel's 32-bit copy: each field cut to its low half.
                rtnl_link_stats s32{};
                std::uint64_t all64[sizeof(rtnl_link_stats64) / 8];
                std::memcpy(all64, &shape.stats, sizeof(all64));
                std::uint32_t all32[sizeof(rtnl_link_stats) / 4];
                for (std::size_t i = 0; i < sizeof(all32) / 4; ++i) {
                    all32[i] = static_cast<std::uint32_t>(all64[i]);
                }
                std::memcpy(&s32, all32, sizeof(s32));
                AppendAttr(out, a.rta_type, &s32, sizeof(s32));
            }
        } else {
            AppendAttr(out, a.rta_type, payload, a.rta_len - RTA_LENGTH(0));
        }
        attr += RTA_ALIGN(a.rta_len);
    }
    if (!shape.kind.empty()) {
        Bytes nest;
        AppendAttr(nest, IFLA_INFO_KIND, shape.kind.c_str(), shape.kind.size() + 1);
        AppendAttr(out, IFLA_LINKINFO, nest.data(), nest.size());
    }
    header.nlmsg_len = static_cast<std::uint32_t>(out.size());
    header.nlmsg_flags = shape.messageFlags;
    std::memcpy(out.data(), &header, sizeof(header));
    return out;
}

inline Bytes DoneMessage(int code = 0) {
    struct {
        nlmsghdr header;
        int code;
    } done{{sizeof(done), NLMSG_DONE, NLM_F_MULTI, 0, 0}, code};
    return ToBytes(&done, sizeof(done));
}

inline Bytes ErrorMessage(int code) {
    struct {
        nlmsghdr header;
        nlmsgerr error;
    } message{{sizeof(message), NLMSG_ERROR, 0, 0, 0}, {code, {}}};
    return ToBytes(&message, sizeof(message));
}

// Sets the sequence number of every whole message of a datagram.
inline void SetSequence(Bytes& datagram, std::uint32_t seq) {
    std::size_t at = 0;
    while (datagram.size() - at >= sizeof(nlmsghdr)) {
        nlmsghdr header;
        std::memcpy(&header, datagram.data() + at, sizeof(header));
        if (header.nlmsg_len < sizeof(header) || header.nlmsg_len > datagram.size() - at) {
            return;
        }
        header.nlmsg_seq = seq;
        std::memcpy(datagram.data() + at, &header, sizeof(header));
        at += NLMSG_ALIGN(header.nlmsg_len);
    }
}

inline rtnl_link_stats64 Traffic(std::uint64_t rxBytes, std::uint64_t txBytes) {
    rtnl_link_stats64 s{};
    s.rx_bytes = rxBytes;
    s.tx_bytes = txBytes;
    return s;
}

// Marks a datagram left from an earlier request.
constexpr std::uint32_t kStale = 0xFFFF'FFFF;

// A RTM_NEWADDR message for the link of ifindex `index`.
inline Bytes AddressMessage(std::int32_t index, std::uint8_t scope = RT_SCOPE_UNIVERSE) {
    struct {
        nlmsghdr header;
        ifaddrmsg info;
    } message{{sizeof(message), RTM_NEWADDR, NLM_F_MULTI, 0, 0},
              {AF_INET, 24, 0, scope, static_cast<std::uint32_t>(index)}};
    return ToBytes(&message, sizeof(message));
}

// Replays one queued answer per request, each message given the request's
// sequence number unless it is marked kStale, and counts what the source did.
// A request for the addresses is answered apart, without taking a queued
// answer: every link that was up in the last answer has one, unless
// `noAddresses` says otherwise.
class ReplayTransport final : public NetlinkTransport {
public:
    std::deque<std::vector<Bytes>> answers;
    int opens = 0;
    int sends = 0;
    int addressDumps = 0;
    bool noAddresses = false;

    bool Open() override {
        ++opens;
        return true;
    }
    void Close() override { current.clear(); }
    bool Send(std::span<const std::byte> request) override {
        ++sends;
        std::memcpy(&seq, request.data() + offsetof(nlmsghdr, nlmsg_seq), sizeof(seq));
        std::uint16_t type = 0;
        std::memcpy(&type, request.data() + offsetof(nlmsghdr, nlmsg_type), sizeof(type));
        if (type == RTM_GETADDR) {
            ++addressDumps;
            std::vector<Bytes> messages;
            if (!noAddresses) {
                for (const std::int32_t index : upLinks) {
                    messages.push_back(AddressMessage(index));
                }
            }
            messages.push_back(DoneMessage());
            current.assign({Concat(messages)});
            return true;
        }
        if (answers.empty()) {
            return false;
        }
        current.assign(answers.front().begin(), answers.front().end());
        answers.pop_front();
        upLinks.clear();
        for (const Bytes& datagram : current) {
            (void)ParseLinkDump(datagram, std::nullopt, [this](const LinkInfo& link) {
                if (link.IsUp()) {
                    upLinks.push_back(link.index);
                }
            });
        }
        return true;
    }
    std::ptrdiff_t Receive(std::span<std::byte> buffer) override {
        if (current.empty() || current.front().size() > buffer.size()) {
            return -1;
        }
        Bytes datagram = std::move(current.front());
        current.pop_front();
        std::uint32_t first = 0;
        if (datagram.size() >= sizeof(nlmsghdr)) {
            std::memcpy(&first, datagram.data() + offsetof(nlmsghdr, nlmsg_seq), sizeof(first));
        }
        if (first != kStale) {
            SetSequence(datagram, seq);
        }
        std::memcpy(buffer.data(), datagram.data(), datagram.size());
        return static_cast<std::ptrdiff_t>(datagram.size());
    }

private:
    std::deque<Bytes> current;
    std::uint32_t seq = 0;
    std::vector<std::int32_t> upLinks;
};

}  // namespace trovik::testing
