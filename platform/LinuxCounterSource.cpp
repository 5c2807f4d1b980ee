#include "platform/LinuxCounterSource.h"

#include <fcntl.h>
#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <limits>
#include <utility>

namespace trovik {

namespace {

constexpr std::size_t At(StatValue v) {
    return static_cast<std::size_t>(v);
}

constexpr std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

// The kernel counters followed per link, in struct rtnl_link_stats64's terms.
enum Raw : std::size_t {
    kRxBytes,
    kTxBytes,
    kRxErrors,
    kTxErrors,
    kRxLength,
    kRxOver,
    kRxCrc,
    kRxFrame,
    kRxFifo,
    kRxMissed,
};

template <typename RawValues>
RawValues RawOf(const LinkCounters& c) {
    RawValues r{};
    r[kRxBytes] = c.rxBytes;
    r[kTxBytes] = c.txBytes;
    r[kRxErrors] = c.rxErrors;
    r[kTxErrors] = c.txErrors;
    r[kRxLength] = c.rxLengthErrors;
    r[kRxOver] = c.rxOverErrors;
    r[kRxCrc] = c.rxCrcErrors;
    r[kRxFrame] = c.rxFrameErrors;
    r[kRxFifo] = c.rxFifoErrors;
    r[kRxMissed] = c.rxMissedErrors;
    return r;
}

// How much a kernel counter grew since `last`. A 64-bit counter never wraps:
// one that fell was reset to 0 with its link still there, and adds its new
// value. A 32-bit one wraps at 2^32; it is taken as wrapped when the step
// across 2^32 is below 2^31 (more in one tick is no traffic any link
// carries), else as reset.
std::uint64_t Increase(std::uint64_t now, std::uint64_t last, bool wide) {
    if (now >= last) {
        return now - last;
    }
    if (wide) {
        return now;
    }
    const std::uint32_t step = static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(last);
    return step < 0x80000000u ? step : now;
}

// What the kernel's counters' increases add to each value:
//
//   Alignment   rx_frame_errors    frame alignment errors
//   Buffer      rx_missed_errors   frames lost for want of a receive buffer
//   CRC         rx_crc_errors
//   Framing     rx_errors - (rx_length_errors + rx_over_errors + rx_crc_errors
//                 + rx_frame_errors + rx_fifo_errors + rx_missed_errors),
//               0 when negative: the receive errors the kernel leaves
//               unclassified, which is where PPP over a serial line counts
//               its bad frames
//   Overrun     rx_over_errors + rx_fifo_errors
//   Runts       rx_length_errors   incomplete frames
//   Timeout     tx_errors          failed transmissions
//   BytesXmit   tx_bytes
//   BytesRecvd  rx_bytes
//
// Framing is taken from the increases, never from the totals: the kernel
// counts some classified errors (missed frames) outside rx_errors, so the
// difference of the totals can fall and rise again without any new error.
template <typename Values, typename RawValues>
Values AddedBy(const RawValues& d) {
    std::uint64_t classified = 0;
    for (const Raw kind : {kRxLength, kRxOver, kRxCrc, kRxFrame, kRxFifo, kRxMissed}) {
        classified = SaturatingAdd(classified, d[kind]);
    }
    Values v{};
    v[At(StatValue::Alignment)] = d[kRxFrame];
    v[At(StatValue::Buffer)] = d[kRxMissed];
    v[At(StatValue::CRC)] = d[kRxCrc];
    v[At(StatValue::Framing)] = d[kRxErrors] > classified ? d[kRxErrors] - classified : 0;
    v[At(StatValue::Overrun)] = SaturatingAdd(d[kRxOver], d[kRxFifo]);
    v[At(StatValue::Runts)] = d[kRxLength];
    v[At(StatValue::Timeout)] = d[kTxErrors];
    v[At(StatValue::BytesXmit)] = d[kTxBytes];
    v[At(StatValue::BytesRecvd)] = d[kRxBytes];
    return v;
}

// Bounds one dump: far more datagrams than any machine's links fill.
constexpr std::size_t kMaxDatagrams = 1024;
// A dump interrupted by a change of links is asked again this often by Open.
constexpr int kOpenAttempts = 3;

}  // namespace

std::vector<std::string> ParseInterfaceList(std::string_view text) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t", pos);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        words.emplace_back(text.substr(start, end - start));
        pos = end;
    }
    return words;
}

// --- NetlinkLinkWatch ---

NetlinkLinkWatch::~NetlinkLinkWatch() {
    Close();
}

bool NetlinkLinkWatch::Open() {
    Close();
    fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) {
        return false;
    }
    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    // Addresses too: a link no service manages is connected only with one.
    group.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&group), sizeof(group)) != 0) {
        Close();
        return false;
    }
    return true;
}

void NetlinkLinkWatch::Close() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool NetlinkLinkWatch::Changed() {
    if (fd < 0) {
        return true;
    }
    // Whatever came is a change; what it says does not matter, the next
    // dump reads the links afresh. A full queue (ENOBUFS) lost some: also
    // a change.
    bool changed = false;
    std::array<std::byte, 4096> bytes;
    for (;;) {
        const ssize_t got = ::recv(fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
        if (got > 0) {
            changed = true;
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            changed = true;
        }
        return changed;
    }
}

// --- LinuxCounterSource ---

LinuxCounterSource::LinuxCounterSource(std::vector<std::string> names, std::string root,
                                       std::unique_ptr<NetlinkTransport> channel,
                                       std::unique_ptr<LinkChangeWatch> changes,
                                       ServiceLinkBoard* serviceBoard,
                                       std::unique_ptr<WirelessRates> wireless)
    : interfaceNames(std::move(names)),
      board(serviceBoard),
      sysfsRoot(std::move(root)),
      transport(channel ? std::move(channel) : std::make_unique<NetlinkRouteSocket>()),
      watch(std::move(changes)),
      rates(std::move(wireless)),
      receiveBuffer(std::make_unique<std::byte[]>(kReceiveBufferSize)) {
    // The kernel's own channel comes with the kernel's own watch and rates.
    if (dynamic_cast<NetlinkRouteSocket*>(transport.get()) != nullptr) {
        if (!watch) {
            watch = std::make_unique<NetlinkLinkWatch>();
        }
        if (!rates) {
            rates = std::make_unique<WirelessRate>();
        }
    }
}

LinuxCounterSource::~LinuxCounterSource() {
    Close();
}

bool LinuxCounterSource::Open() {
    Close();
    // Listening before the first dump: a link that comes between the two is
    // heard, and the next tick dumps again.
    watchOpen = watch && watch->Open();
    if (board != nullptr) {
        (void)board->TakeNew(services);
    }
    bool fetched = false;
    for (int attempt = 0; attempt < kOpenAttempts && !fetched; ++attempt) {
        fetched = FetchDump();
    }
    if (!fetched) {
        DropTransport();
        return false;
    }
    // With no link followed yet, every counted link adds its whole counters:
    // the running values start from the current sums.
    open = true;
    ApplyDump();
    RememberKnownLinks();
    snapshotValid = true;
    return true;
}

void LinuxCounterSource::Close() {
    DropTransport();
    if (watch) {
        watch->Close();
    }
    watchOpen = false;
    setKnown = false;
    knownCount = 0;
    open = false;
    snapshotValid = false;
    anyUp = false;
    countedNone = false;
    choiceChanged = false;
    presentCount = 0;
    connectSpeed = 0;
    rateLine = 0;
    runningValues.fill(0);
    links.fill(TrackedLink{});
    stagedCount = 0;
}

void LinuxCounterSource::Refresh() {
    snapshotValid = false;
    if (!open) {
        return;
    }
    // The watch is asked on every tick, so that what it heard is never
    // taken for a change that comes later.
    const bool heard = watchOpen && watch->Changed();
    if (heard && board != nullptr) {
        board->RequestRefresh();  // the services may see the change too
    }
    const bool reported = board != nullptr && board->TakeNew(services);
    choiceChanged = choiceChanged || reported;
    const bool changed = !watchOpen || heard || reported;
    const bool known = setKnown && !changed;
    if (!(known ? FetchKnown() : FetchDump())) {
        setKnown = false;
        return;
    }
    ApplyDump();
    if (!known) {
        RememberKnownLinks();
    }
    snapshotValid = true;
    if (countedBoard != nullptr) {
        countedBoard->NoteMoved(runningValues[At(StatValue::BytesXmit)] +
                                runningValues[At(StatValue::BytesRecvd)]);
    }
}

bool LinuxCounterSource::Query(StatValue name, std::uint32_t& value) {
    if (!snapshotValid) {
        return false;
    }
    const std::size_t i = At(name);
    if (i < kCountedValues) {
        value = static_cast<std::uint32_t>(runningValues[i]);  // wraps at 2^32
        return true;
    }
    if (name == StatValue::ConnectSpeed) {
        value = connectSpeed;
        return true;
    }
    return false;
}

bool LinuxCounterSource::QueryWide(StatValue name, std::uint64_t& value) {
    if (!snapshotValid || (name != StatValue::BytesXmit && name != StatValue::BytesRecvd)) {
        return false;
    }
    value = runningValues[At(name)];
    return true;
}

void LinuxCounterSource::UseInterfaces(std::string_view list) {
    std::vector<std::string> names = ParseInterfaceList(list);
    if (names != interfaceNames) {
        interfaceNames = std::move(names);
        setKnown = false;  // the next tick dumps and chooses anew
        choiceChanged = open;
    }
}

std::size_t LinuxCounterSource::PresentLinksInto(char* out, std::size_t capacity) const {
    if (capacity == 0) {
        return 0;
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < presentCount; ++i) {
        const std::string_view name(present[i].data());
        const std::size_t need = name.size() + (n == 0 ? 0 : 1);
        if (n + need >= capacity) {
            break;
        }
        if (n != 0) {
            out[n++] = ' ';
        }
        name.copy(out + n, name.size());
        n += name.size();
    }
    out[n] = '\0';
    return n;
}

bool LinuxCounterSource::FirstConnectedLink(CountedLink& out) const {
    for (const TrackedLink& slot : links) {
        if (slot.used && slot.up) {
            out.index = slot.index;
            out.name = slot.name;
            out.ppp = slot.ppp;
            out.service = services.Find(slot.name.data());
            return true;
        }
    }
    return false;
}

void LinuxCounterSource::NotePresent(const LinkInfo& link) {
    if (IsVirtualLink(link) || presentDumped == kMaxPresent) {
        return;
    }
    present[presentDumped++] = link.nameBytes;
}

bool LinuxCounterSource::Counts(const LinkInfo& link) const {
    if (link.statsForm == LinkStatsForm::None) {
        return false;  // nothing to count; the kernel always sends them
    }
    if (interfaceNames.empty()) {
        return CountsByDefault(link, services);
    }
    const std::string_view name = link.Name();
    return std::any_of(interfaceNames.begin(), interfaceNames.end(),
                       [name](const std::string& wanted) { return wanted == name; });
}

void LinuxCounterSource::Stage(const LinkInfo& link) {
    if (stagedCount == staged.size()) {
        return;
    }
    const auto begin = staged.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(stagedCount);
    if (std::any_of(begin, end, [&](const StagedLink& s) { return s.index == link.index; })) {
        return;  // the kernel lists each link once; a second copy is ignored
    }
    StagedLink& s = staged[stagedCount++];
    s.index = link.index;
    s.name = link.nameBytes;
    s.up = CountedLinkConnected(link, services, true);
    s.needsAddress = s.up && !CountedLinkConnected(link, services, false);
    s.ppp = link.type == ARPHRD_PPP;
    s.wide = link.statsForm == LinkStatsForm::Bits64;
    s.raw = RawOf<RawValues>(link.counters);
    s.slot = kMaxLinks;
}

bool LinuxCounterSource::OpenTransport() {
    if (!transportOpen) {
        if (!transport->Open()) {
            transport->Close();
            return false;
        }
        transportOpen = true;
    }
    return true;
}

void LinuxCounterSource::RememberKnownLinks() {
    knownCount = stagedCount;
    for (std::size_t i = 0; i < stagedCount; ++i) {
        knownIndexes[i] = staged[i].index;
        knownAddressed[i] = staged[i].up;
    }
    setKnown = watchOpen;
}

bool LinuxCounterSource::FetchKnown() {
    stagedCount = 0;
    if (knownCount != 0 && !OpenTransport()) {
        return false;
    }
    const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
    for (std::size_t k = 0; k < knownCount; ++k) {
        std::array<std::byte, 64> request{};
        const std::size_t requestSize = BuildLinkGetRequest(request, ++sequence, knownIndexes[k]);
        const std::size_t before = stagedCount;
        if (!transport->Send(std::span(request.data(), requestSize))) {
            DropTransport();
            return false;
        }
        const std::ptrdiff_t got = transport->Receive(buffer);
        if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
            DropTransport();
            return false;
        }
        const auto result = ParseLinkDump(buffer.first(static_cast<std::size_t>(got)), sequence,
                                          [this](const LinkInfo& link) {
                                              if (Counts(link)) {
                                                  Stage(link);
                                              }
                                          });
        // Gone (an error answer), renamed out of the list, or not answered
        // as asked: the set of links is not what it was.
        if (result.end != DumpEnd::Incomplete || stagedCount != before + 1 ||
            staged[before].index != knownIndexes[k]) {
            return false;
        }
        // Addresses come and go with a change the watch hears; until then
        // the one the last dump found holds.
        StagedLink& s = staged[before];
        if (s.needsAddress && !knownAddressed[k]) {
            s.up = false;
        }
    }
    return true;
}

bool LinuxCounterSource::FetchDump() {
    stagedCount = 0;
    if (!OpenTransport()) {
        return false;
    }
    std::array<std::byte, 64> request{};
    const std::size_t requestSize = BuildLinkDumpRequest(request, ++sequence);
    presentDumped = 0;
    if (transport->Send(std::span(request.data(), requestSize))) {
        const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
        bool interrupted = false;
        for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
            const std::ptrdiff_t got = transport->Receive(buffer);
            if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
                break;
            }
            const auto result = ParseLinkDump(buffer.first(static_cast<std::size_t>(got)), sequence,
                                              [this](const LinkInfo& link) {
                                                  NotePresent(link);
                                                  if (Counts(link)) {
                                                      Stage(link);
                                                  }
                                              });
            interrupted = interrupted || result.interrupted;
            if (result.end == DumpEnd::Done && !interrupted) {
                if (!FetchAddresses()) {
                    break;
                }
                presentCount = presentDumped;
                return true;
            }
            if (result.end != DumpEnd::Incomplete) {
                break;
            }
        }
    }
    // The answer may be left half read: a fresh socket next time keeps its
    // rest from mixing with the next answer.
    DropTransport();
    return false;
}

bool LinuxCounterSource::FetchAddresses() {
    const auto first = staged.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(stagedCount);
    if (std::none_of(first, last, [](const StagedLink& s) { return s.needsAddress; })) {
        return true;
    }
    // Connected only once an address shows.
    std::array<bool, kMaxLinks> addressed{};
    std::array<std::byte, 64> request{};
    const std::size_t requestSize = BuildAddressDumpRequest(request, ++sequence);
    if (!transport->Send(std::span(request.data(), requestSize))) {
        return false;
    }
    const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
    class Addresses final : public LinkSink {
    public:
        Addresses(const LinuxCounterSource& source, std::array<bool, kMaxLinks>& marks)
            : self(source), found(marks) {}
        void OnLink(const LinkInfo&) override {}
        void OnAddress(std::int32_t index, const LinkAddress&) override {
            for (std::size_t i = 0; i < self.stagedCount; ++i) {
                if (self.staged[i].index == index) {
                    found[i] = true;
                }
            }
        }

    private:
        const LinuxCounterSource& self;
        std::array<bool, kMaxLinks>& found;
    } sink(*this, addressed);
    for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
        const std::ptrdiff_t got = transport->Receive(buffer);
        if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
            return false;
        }
        const auto result =
            ParseLinkDump(buffer.first(static_cast<std::size_t>(got)), sequence, sink);
        if (result.end == DumpEnd::Done) {
            for (std::size_t i = 0; i < stagedCount; ++i) {
                if (staged[i].needsAddress && !addressed[i]) {
                    staged[i].up = false;
                }
            }
            return true;
        }
        if (result.end != DumpEnd::Incomplete) {
            return false;
        }
    }
    return false;
}

std::size_t LinuxCounterSource::FindSlot(const StagedLink& link) const {
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (links[i].used && links[i].index == link.index) {
            return i;
        }
    }
    return kMaxLinks;
}

void LinuxCounterSource::ApplyDump() {
    for (TrackedLink& slot : links) {
        slot.seen = false;
    }
    // Links followed since the last dump add their counters' increases.
    for (std::size_t i = 0; i < stagedCount; ++i) {
        StagedLink& s = staged[i];
        s.slot = FindSlot(s);
        if (s.slot == kMaxLinks) {
            continue;
        }
        TrackedLink& slot = links[s.slot];
        RawValues increase{};
        for (std::size_t r = 0; r < kRawValues; ++r) {
            increase[r] = Increase(s.raw[r], slot.last[r], s.wide);
        }
        Add(AddedBy<Values>(increase));
        slot.last = s.raw;
        slot.name = s.name;  // renamed: still the same link, not counted again
        slot.seen = true;
        if (s.up && !slot.up) {
            CameUp(slot);  // a link that comes up may only now know its speed
        }
        slot.up = s.up;
        slot.ppp = s.ppp;
    }
    // Links missing from the dump are gone, and their slots free.
    for (TrackedLink& slot : links) {
        if (slot.used && !slot.seen) {
            slot = TrackedLink{};
        }
    }
    // Links new since the last dump add their whole counters. There is a free
    // slot for each: no more links are staged than there are slots.
    for (std::size_t i = 0; i < stagedCount; ++i) {
        StagedLink& s = staged[i];
        if (s.slot != kMaxLinks) {
            continue;
        }
        const auto freeSlot =
            std::find_if(links.begin(), links.end(), [](const TrackedLink& t) { return !t.used; });
        if (freeSlot == links.end()) {
            continue;
        }
        s.slot = static_cast<std::size_t>(freeSlot - links.begin());
        TrackedLink& slot = *freeSlot;
        slot.used = true;
        slot.seen = true;
        slot.up = s.up;
        slot.ppp = s.ppp;
        slot.index = s.index;
        slot.name = s.name;
        slot.last = s.raw;
        // A new link's counters started from 0: all of them are the line's.
        if (!(choiceChanged && !(interfaceNames.empty() && s.ppp))) {
            Add(AddedBy<Values>(s.raw));
        }
        CameUp(slot);
    }
    choiceChanged = false;
    PublishCounted();
    anyUp = false;
    connectSpeed = 0;
    countedNone = stagedCount == 0;
    for (std::size_t i = 0; i < stagedCount; ++i) {
        if (staged[i].up && staged[i].slot != kMaxLinks) {
            TrackedLink& slot = links[staged[i].slot];
            const ServiceLink* service = services.Find(slot.name.data());
            anyUp = true;
            const bool sameLine = slot.index == rateLine;
            rateLine = slot.index;
            if (service != nullptr && service->speedBits != 0) {
                connectSpeed = service->speedBits;
            } else if (slot.speedBits != 0) {
                connectSpeed = slot.speedBits;
            } else {
                connectSpeed = WirelessSpeed(slot, sameLine);
            }
            return;
        }
    }
    rateLine = 0;
}

void LinuxCounterSource::PublishCounted() {
    if (countedBoard == nullptr) {
        return;
    }
    CountedLinkBoard::Indexes now{};
    std::size_t count = 0;
    for (const TrackedLink& slot : links) {
        if (slot.used) {
            now[count++] = slot.index;
        }
    }
    std::sort(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(count));
    if (count != publishedCount || now != published) {
        published = now;
        publishedCount = count;
        countedBoard->Publish(now, count);
    }
}

void LinuxCounterSource::Add(const Values& added) {
    for (std::size_t v = 0; v < kCountedValues; ++v) {
        runningValues[v] += added[v];
    }
}

void LinuxCounterSource::ReadSpeed(TrackedLink& slot) const {
    slot.speedBits = 0;
    const std::string_view name(slot.name.data());
    // Names the kernel refuses are no path component to follow either.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
        return;
    }
    std::array<char, 512> path{};
    const int length =
        std::snprintf(path.data(), path.size(), "%s/%s/speed", sysfsRoot.c_str(), slot.name.data());
    if (length < 0 || static_cast<std::size_t>(length) >= path.size()) {
        return;
    }
    const int file = ::open(path.data(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return;
    }
    std::array<char, 32> text{};
    ssize_t got = 0;
    do {
        got = ::read(file, text.data(), text.size() - 1);
    } while (got < 0 && errno == EINTR);
    ::close(file);
    if (got <= 0) {
        return;
    }
    // Mbit/s; -1 (or an error reading, as for links without a speed) is none.
    std::int64_t megabits = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + got, megabits);
    if (error != std::errc{} || megabits <= 0) {
        return;
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    const auto bits = static_cast<std::uint64_t>(megabits);
    slot.speedBits = bits > kMax / 1'000'000 ? static_cast<std::uint32_t>(kMax)
                                             : static_cast<std::uint32_t>(bits * 1'000'000);
}

void LinuxCounterSource::CameUp(TrackedLink& slot) const {
    ReadSpeed(slot);
    // Wireless or not, and at what rate, is asked afresh.
    slot.rateBits = 0;
    slot.rateDue = 0;
    slot.rateless = false;
}

std::uint32_t LinuxCounterSource::WirelessSpeed(TrackedLink& slot, bool sameLine) {
    if (!rates || slot.rateless) {
        return 0;
    }
    // A link that has just become the line is asked at once: what it
    // answered while it was the line before may be old.
    if (sameLine && slot.rateDue != 0) {
        --slot.rateDue;
        return slot.rateBits;
    }
    std::uint32_t bits = 0;
    if (rates->TxBitrate(slot.index, bits)) {
        slot.rateBits = bits;
        slot.rateDue = kRateTicks - 1;
    } else {
        slot.rateBits = 0;
        slot.rateless = true;
    }
    return slot.rateBits;
}

void LinuxCounterSource::DropTransport() {
    if (transportOpen) {
        transport->Close();
        transportOpen = false;
    }
}

}  // namespace trovik
