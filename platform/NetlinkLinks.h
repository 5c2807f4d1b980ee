#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace trovik {

// Room for an interface name and its terminating NUL, the kernel's bound.
inline constexpr std::size_t kLinkNameCapacity = 16;

// The counters of one link as 64-bit values, whichever form the kernel sent
// (field names follow struct rtnl_link_stats64).
struct LinkCounters {
    std::uint64_t rxPackets = 0;
    std::uint64_t txPackets = 0;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
    std::uint64_t rxErrors = 0;
    std::uint64_t txErrors = 0;
    std::uint64_t rxDropped = 0;
    std::uint64_t txDropped = 0;
    std::uint64_t rxLengthErrors = 0;
    std::uint64_t rxOverErrors = 0;
    std::uint64_t rxCrcErrors = 0;
    std::uint64_t rxFrameErrors = 0;
    std::uint64_t rxFifoErrors = 0;
    std::uint64_t rxMissedErrors = 0;
};

enum class LinkStatsForm : std::uint8_t {
    None,    // the message carried no statistics
    Bits32,  // IFLA_STATS only: the counters wrap at 2^32 in the kernel
    Bits64,  // IFLA_STATS64
};

// One link of a dump answer. Plain data: it is filled on the stack for each
// message and handed to the caller, who copies what it keeps.
struct LinkInfo {
    std::int32_t index = 0;                 // ifi_index
    std::uint16_t type = 0;                 // ifi_type, an ARPHRD_* value
    std::uint32_t flags = 0;                // ifi_flags, IFF_* bits
    std::optional<std::uint8_t> operState;  // IFLA_OPERSTATE (IF_OPER_*), if sent
    LinkStatsForm statsForm = LinkStatsForm::None;
    LinkCounters counters;
    std::array<char, kLinkNameCapacity> nameBytes{};  // NUL-terminated
    std::uint8_t nameLength = 0;
    // The driver kind of a link made in software (IFLA_INFO_KIND: "veth",
    // "bridge", "tun", ...); empty for hardware links.
    std::array<char, kLinkNameCapacity> kindBytes{};
    std::uint8_t kindLength = 0;

    std::string_view Name() const { return {nameBytes.data(), nameLength}; }
    std::string_view Kind() const { return {kindBytes.data(), kindLength}; }

    // Switched on by the administrator (IFF_UP).
    bool AdminUp() const;
    // Exists, is switched on and can carry traffic: IFF_UP, and the
    // operational state is "up" or "unknown" (what PPP and loopback links
    // report, having no carrier). Without IFLA_OPERSTATE, IFF_RUNNING decides.
    bool IsUp() const;
    // Up with a carrier: IsUp, and the operational state is "up" (or, where
    // it is unknown or not sent, IFF_LOWER_UP is set).
    bool HasCarrier() const;
};

// Whether a link is one a metered line never is: loopback, a tunnel, or a
// link made in software to join or isolate others (veth, bridges, bonds,
// VLANs of containers, VPN devices). Modem links made in software ("wwan",
// "rmnet") are not among them.
bool IsVirtualLink(const LinkInfo& link);

// How a datagram of a dump answer ended.
enum class DumpEnd : std::uint8_t {
    Incomplete,  // all messages read, the dump goes on in a later datagram
    Done,        // NLMSG_DONE: the dump is complete
    Error,       // NLMSG_ERROR, NLMSG_OVERRUN or a NLMSG_DONE carrying an error
    Malformed,   // a length that does not fit: nothing of this answer can be trusted
};

struct DumpChunkResult {
    DumpEnd end = DumpEnd::Incomplete;
    bool interrupted = false;  // some message had NLM_F_DUMP_INTR: links changed meanwhile
    int error = 0;             // the positive errno when end is Error (0 if none was given)
    std::size_t links = 0;     // RTM_NEWLINK messages handed on
};

// Copies a trivially copyable T out of `bytes` at `offset`; the caller has
// checked that it fits. The buffer need not be aligned for T.
template <typename T>
T ReadAt(std::span<const std::byte> bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// A netlink attribute's length rounded up to its 4-byte alignment.
constexpr std::size_t Align4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Walks the messages of one datagram of a netlink answer. Every length is
// checked before anything is read, and messages whose sequence number
// differs from `seq` (when given) are skipped. NLMSG_DONE (with or without an
// error), NLMSG_ERROR (an acknowledgement is passed over), NLMSG_OVERRUN and
// NLM_F_DUMP_INTR set the result; every other message goes to
// `onMessage(type, body)`, which returns false when its body is malformed.
// The result's `links` is left at 0 for the caller to count.
template <typename F>
DumpChunkResult WalkNetlinkAnswer(std::span<const std::byte> data, std::optional<std::uint32_t> seq,
                                  F&& onMessage) {
    struct Header {  // nlmsghdr's layout
        std::uint32_t length;
        std::uint16_t type;
        std::uint16_t flags;
        std::uint32_t seq;
        std::uint32_t pid;
    };
    constexpr std::uint16_t kError = 2, kDone = 3, kOverrun = 4, kInterrupted = 0x10;
    const auto readInt = [](std::span<const std::byte> b) {
        int v;
        std::memcpy(&v, b.data(), sizeof(v));
        return v;
    };
    const auto errnoOf = [](int code) { return code == INT_MIN ? INT_MAX : -code; };
    DumpChunkResult result;
    std::size_t offset = 0;
    while (offset < data.size()) {
        Header header;
        if (data.size() - offset < sizeof(header)) {
            result.end = DumpEnd::Malformed;
            return result;
        }
        std::memcpy(&header, data.data() + offset, sizeof(header));
        if (header.length < sizeof(header) || header.length > data.size() - offset) {
            result.end = DumpEnd::Malformed;
            return result;
        }
        const auto body = data.subspan(offset + sizeof(header), header.length - sizeof(header));
        // The last message of a datagram may lack its padding.
        offset = std::min(data.size(), offset + ((header.length + 3) & ~std::size_t{3}));
        if (seq && header.seq != *seq) {
            continue;  // left from an earlier request
        }
        if ((header.flags & kInterrupted) != 0) {
            result.interrupted = true;
        }
        if (header.type == kDone) {
            // A dump that failed inside the kernel ends with a negative code
            // here; older kernels may send no code at all.
            result.end = DumpEnd::Done;
            if (body.size() >= sizeof(int) && readInt(body) < 0) {
                result.end = DumpEnd::Error;
                result.error = errnoOf(readInt(body));
            }
            return result;
        }
        if (header.type == kError) {
            if (body.size() < sizeof(int)) {
                result.end = DumpEnd::Malformed;
                return result;
            }
            if (readInt(body) == 0) {
                continue;  // an acknowledgement, not an error
            }
            result.end = DumpEnd::Error;
            result.error = errnoOf(readInt(body));
            return result;
        }
        if (header.type == kOverrun) {
            result.end = DumpEnd::Error;
            return result;
        }
        if (!onMessage(header.type, body)) {
            result.end = DumpEnd::Malformed;
            return result;
        }
    }
    return result;
}

// A link's own address: 4 bytes for IPv4, 16 for IPv6, in network order.
struct LinkAddress {
    std::uint8_t family = 0;  // AF_INET or AF_INET6; 0 when the message had none
    std::array<std::uint8_t, 16> bytes{};
};

// Receives the links of a dump answer, one call per RTM_NEWLINK message.
class LinkSink {
public:
    virtual ~LinkSink() = default;
    virtual void OnLink(const LinkInfo& link) = 0;
    // An address of the link of ifindex `index`, from a RTM_GETADDR dump;
    // link-local and host addresses are not handed on.
    virtual void OnAddress(std::int32_t /*index*/, const LinkAddress& /*address*/) {}
};

// Parses one datagram of a RTM_GETLINK (or RTM_GETADDR) dump answer. Every length is checked
// against the buffer before anything is read; fields are copied out with
// memcpy, so the buffer may have any alignment. Messages whose sequence number
// differs from `seq` (when given) are skipped: they are left from an earlier
// request. Parsing stops at NLMSG_DONE, an error, or the first malformed
// message; links seen before a malformed one have already been handed on, so
// a caller keeps what it collected only when the dump ends Done.
// Allocates nothing.
DumpChunkResult ParseLinkDump(std::span<const std::byte> data, std::optional<std::uint32_t> seq,
                              LinkSink& sink);

// The same with a callable taking `const LinkInfo&`.
template <typename F>
requires std::invocable<F&, const LinkInfo&> DumpChunkResult
ParseLinkDump(std::span<const std::byte> data, std::optional<std::uint32_t> seq, F&& onLink) {
    class Adapter final : public LinkSink {
    public:
        explicit Adapter(F& target) : callback(target) {}
        void OnLink(const LinkInfo& link) override { callback(link); }

    private:
        F& callback;
    };
    Adapter adapter(onLink);
    return ParseLinkDump(data, seq, static_cast<LinkSink&>(adapter));
}

// Writes a RTM_GETLINK dump request with sequence number `seq` into `out`.
// Returns its size, or 0 when `out` is too small.
std::size_t BuildLinkDumpRequest(std::span<std::byte> out, std::uint32_t seq);

// The same for the one link of index `index`: the answer is that link's
// RTM_NEWLINK message alone, or an error when there is no such link.
std::size_t BuildLinkGetRequest(std::span<std::byte> out, std::uint32_t seq, std::int32_t index);

// A RTM_GETADDR dump request for the addresses of every family.
std::size_t BuildAddressDumpRequest(std::span<std::byte> out, std::uint32_t seq);

}  // namespace trovik
