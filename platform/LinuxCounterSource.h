#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/CounterSource.h"
#include "platform/LinkChoice.h"
#include "platform/NetlinkLinks.h"
#include "platform/NetlinkSocket.h"
#include "platform/WirelessRate.h"

namespace trovik {

// Splits the `Interfaces` setting, a list of interface names separated by
// blanks or tabs, into its words; empty words are dropped.
std::vector<std::string> ParseInterfaceList(std::string_view text);

// Tells whether the machine's set of links may have changed: a link came,
// went, was renamed or changed otherwise since the last question.
class LinkChangeWatch {
public:
    virtual ~LinkChangeWatch() = default;

    // False when the changes cannot be heard (the source then reads every
    // link on every tick).
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // True when something changed since the last call (or since Open), or
    // when that cannot be told (a lost notification). Never waits.
    virtual bool Changed() = 0;
};

// The real watch: a NETLINK_ROUTE socket in the kernel's link group.
class NetlinkLinkWatch final : public LinkChangeWatch {
public:
    NetlinkLinkWatch() = default;
    ~NetlinkLinkWatch() override;
    NetlinkLinkWatch(const NetlinkLinkWatch&) = delete;
    NetlinkLinkWatch& operator=(const NetlinkLinkWatch&) = delete;

    bool Open() override;
    void Close() override;
    bool Changed() override;

private:
    int fd = -1;
};

// The dial-up adapter's counters, read from the kernel's link statistics.
//
// Which links count: when the `Interfaces` setting names links, the links of
// those names; otherwise every PPP link, and every link the network services
// report as a metered line (see CountsByDefault), read from a
// ServiceLinkBoard when one is given. A new report of the services, or a
// new `Interfaces` (UseInterfaces), takes effect at the next tick. Whether
// the line is connected follows CountedLinkConnected; a link that a changed
// choice adds (other than a PPP link) counts from its counters as they stand
// then, not from 0, since they hold the traffic of before (the home Wi-Fi's,
// on the link that now reaches a hotspot). For a link no service
// manages that needs an address, which the tick learns from a RTM_GETADDR
// dump taken with each dump of the links.
//
// Its values are running
// 32-bit counters that only grow (wrapping at 2^32; the byte counters are
// also had whole in 64 bits, see QueryWide): each tick adds every
// counted link's increase since the previous tick. The kernel's own counters
// are kept per link and each value is derived from their increases, so a
// value moves only when a counter it depends on grew. A link that goes away
// adds nothing more; a link first seen after Open (a new call, usually with a
// new ifindex) adds its whole counters, which start from 0. A link is known
// by its ifindex: renamed, it is still the same link. A 64-bit kernel counter
// that falls while its link stays was reset, and adds its new value; a link
// with 32-bit statistics only wraps at 2^32, and its increase is taken
// across the wrap.
//
// Refresh() takes all values of a tick from one RTM_GETLINK dump. When that
// dump fails or is interrupted by a change of links, every Query of the tick
// fails and the running values stay as they were, so the next good tick adds
// the increase over both.
//
// ConnectSpeed is the speed of the first counted link that is connected, in
// bits per second (saturating at 2^32 - 1): the speed its service reports
// (Wi-Fi bitrate, modem downlink), else the kernel's link speed, read from
// <sysfsRoot>/NAME/speed when a link is first seen and when it comes up,
// else the transmit bitrate of a wireless link, asked of the WirelessRates
// when the link becomes the line and then every kRateTicks ticks while it
// stays the line (the rate follows the radio's conditions). A link the
// WirelessRates refuse (it is not wireless) is not asked again until it goes
// down and comes up. 0 when none is connected or no speed is known.
//
// At most kMaxLinks counted links are followed at once; further ones are not
// counted until a slot frees up.
//
// With a LinkChangeWatch that can be opened, a tick does not dump every link
// of the machine: once a dump found the counted links, each tick reads only
// those, by index, until the watch reports a change of links (or a read
// fails), and the next tick dumps again. A machine with thousands of links
// (containers, VPNs) thus costs a tick no more than one with three.
class LinuxCounterSource final : public CounterSource {
public:
    static constexpr std::size_t kMaxLinks = 32;
    // Holds the largest datagram the kernel sends for a dump to a reader
    // with a buffer of this size (it sizes them to the reader's buffer, up
    // to 32 KiB).
    static constexpr std::size_t kReceiveBufferSize = 32 * 1024;
    // A wireless line's bitrate is asked again after this many ticks (5 s).
    static constexpr std::uint32_t kRateTicks = 50;

    // `interfaceNames` empty: count the PPP links. `sysfsRoot` is where the
    // links' speed files are found. `transport` null: a NetlinkRouteSocket.
    // `watch` null: a NetlinkLinkWatch with the real socket, none with
    // another transport (which is then dumped every tick).
    // `services` (which must outlive the source): where the services'
    // reports come from; null: no service is asked, as on a machine without
    // any. `rates` null: a WirelessRate with the real socket, none with
    // another transport (no wireless bitrate is then known).
    explicit LinuxCounterSource(std::vector<std::string> interfaceNames = {},
                                std::string sysfsRoot = "/sys/class/net",
                                std::unique_ptr<NetlinkTransport> transport = nullptr,
                                std::unique_ptr<LinkChangeWatch> watch = nullptr,
                                ServiceLinkBoard* services = nullptr,
                                std::unique_ptr<WirelessRates> rates = nullptr);
    ~LinuxCounterSource() override;
    LinuxCounterSource(const LinuxCounterSource&) = delete;
    LinuxCounterSource& operator=(const LinuxCounterSource&) = delete;

    bool Open() override;
    void Close() override;
    void Refresh() override;
    bool Query(StatValue name, std::uint32_t& value) override;
    // The byte counters' whole increases since Open, in 64 bits.
    bool QueryWide(StatValue name, std::uint64_t& value) override;

    void UseInterfaces(std::string_view list) override;
    bool CountsNothing() const override { return open && countedNone; }
    std::size_t PresentLinksInto(char* out, std::size_t capacity) const override;

    // Whether the last good dump had a counted link that is connected.
    bool AnyCountedLinkUp() const { return anyUp; }

    // The first counted link that is connected, as the last good tick found
    // it, with what the services say of it (`service` null when none
    // reports it).
    struct CountedLink {
        std::int32_t index = 0;
        std::array<char, kLinkNameCapacity> name{};
        bool ppp = false;
        const ServiceLink* service = nullptr;
    };
    bool FirstConnectedLink(CountedLink& out) const;
    // Publishes the counted links' indexes on `board` (which must outlive
    // the source) whenever a dump changes them; null: nowhere.
    void PublishCountedLinks(CountedLinkBoard* target) {
        countedBoard = target;
        publishedCount = ~std::size_t{0};
    }
    // The names the `Interfaces` setting gives; empty: the default choice.
    const std::vector<std::string>& InterfaceNames() const { return interfaceNames; }

private:
    // The counted values are the first nine StatValues, in their order.
    static constexpr std::size_t kCountedValues = static_cast<std::size_t>(StatValue::ConnectSpeed);
    using Values = std::array<std::uint64_t, kCountedValues>;
    // The kernel counters the values are derived from (see the .cpp).
    static constexpr std::size_t kRawValues = 10;
    using RawValues = std::array<std::uint64_t, kRawValues>;

    // A counted link of the dump being read.
    struct StagedLink {
        std::int32_t index = 0;
        std::array<char, kLinkNameCapacity> name{};
        bool up = false;            // connected
        bool needsAddress = false;  // connected only with an address
        bool ppp = false;
        bool wide = false;  // 64-bit statistics; else they wrap at 2^32
        RawValues raw{};
        std::size_t slot = 0;  // its slot in `links` once applied
    };

    // A link followed from tick to tick, keyed by its ifindex: the kernel
    // gives each new link the next free index in rising order, so a new call
    // comes with a new index while a renamed link keeps its own.
    struct TrackedLink {
        bool used = false;
        bool seen = false;  // in the dump being applied
        bool up = false;
        bool ppp = false;
        std::int32_t index = 0;
        std::array<char, kLinkNameCapacity> name{};
        RawValues last{};             // the kernel's counters at the last good dump
        std::uint32_t speedBits = 0;  // bits per second, 0 when unknown
        // The wireless bitrate, while the link is the line: bits per second
        // (0 when unknown), the ticks until it is asked again, and whether
        // the link answered none since it came up.
        std::uint32_t rateBits = 0;
        std::uint32_t rateDue = 0;
        bool rateless = false;
    };

    bool Counts(const LinkInfo& link) const;
    void Stage(const LinkInfo& link);
    bool OpenTransport();
    bool FetchDump();
    // Asks for the addresses of the staged links that are connected only
    // with one; false when the dump fails.
    bool FetchAddresses();
    void NotePresent(const LinkInfo& link);
    // Reads the links of the last dump one by one; false (and a dump is
    // due) when one is gone or no longer counts.
    bool FetchKnown();
    void RememberKnownLinks();
    void ApplyDump();
    std::size_t FindSlot(const StagedLink& link) const;
    void Add(const Values& added);
    void ReadSpeed(TrackedLink& slot) const;
    void CameUp(TrackedLink& slot) const;
    // The bitrate of the line's link; `sameLine`: it was the line at the
    // last good tick too.
    std::uint32_t WirelessSpeed(TrackedLink& slot, bool sameLine);
    void DropTransport();

    void PublishCounted();

    std::vector<std::string> interfaceNames;
    ServiceLinkBoard* board = nullptr;
    CountedLinkBoard* countedBoard = nullptr;
    CountedLinkBoard::Indexes published{};
    std::size_t publishedCount = ~std::size_t{0};
    ServiceLinks services;
    std::string sysfsRoot;
    std::unique_ptr<NetlinkTransport> transport;
    std::unique_ptr<LinkChangeWatch> watch;
    std::unique_ptr<WirelessRates> rates;
    // The ifindex of the line's link at the last good tick; 0: none.
    std::int32_t rateLine = 0;
    std::unique_ptr<std::byte[]> receiveBuffer;
    bool watchOpen = false;
    // The counted links' indexes as the last dump found them, while no
    // change of links was heard since.
    bool setKnown = false;
    std::array<std::int32_t, kMaxLinks> knownIndexes{};
    std::array<bool, kMaxLinks> knownAddressed{};  // had an address at that dump
    std::size_t knownCount = 0;

    // The links the last dump found that are not virtual, for telling the
    // user what there is (when nothing counts, why).
    static constexpr std::size_t kMaxPresent = 16;
    std::array<std::array<char, kLinkNameCapacity>, kMaxPresent> present{};
    std::size_t presentCount = 0;
    std::size_t presentDumped = 0;  // counting those of the dump being read
    bool countedNone = false;
    // The choice of links changed since the last good dump: a link it adds
    // was there before and starts from its counters as they stand.
    bool choiceChanged = false;

    bool open = false;
    bool transportOpen = false;
    bool snapshotValid = false;
    bool anyUp = false;
    std::uint32_t sequence = 0;
    std::uint32_t connectSpeed = 0;
    std::array<std::uint64_t, kCountedValues> runningValues{};

    std::array<StagedLink, kMaxLinks> staged{};
    std::size_t stagedCount = 0;
    std::array<TrackedLink, kMaxLinks> links{};
};

}  // namespace trovik
