#include "platform/NetlinkLinks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "platform/LinkChoice.h"
#include "tests/platform/LinkDumpBuilder.h"

namespace trovik {
namespace {

using testing::Bytes;

struct Parsed {
    DumpChunkResult result;
    std::vector<LinkInfo> links;
};

Parsed Parse(const Bytes& data, std::optional<std::uint32_t> seq = std::nullopt) {
    Parsed p;
    p.result = ParseLinkDump(data, seq, [&](const LinkInfo& link) { p.links.push_back(link); });
    EXPECT_EQ(p.result.links, p.links.size());
    return p;
}

TEST(NetlinkLinks, RecordedDumpYieldsTheMachinesLinks) {
    const auto dump = testing::RecordedDump();
    std::vector<LinkInfo> links;
    for (std::size_t i = 0; i < dump.size(); ++i) {
        const Parsed p = Parse(dump[i], 7u);  // the recorder asked with sequence 7
        EXPECT_EQ(p.result.end, i + 1 < dump.size() ? DumpEnd::Incomplete : DumpEnd::Done);
        EXPECT_FALSE(p.result.interrupted);
        links.insert(links.end(), p.links.begin(), p.links.end());
    }
    ASSERT_EQ(links.size(), 4u);
    const char* names[] = {"lo", "ifb0", "ifb1", "eth0"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(links[i].Name(), names[i]);
        EXPECT_EQ(links[i].index, static_cast<int>(i + 1));
        EXPECT_EQ(links[i].statsForm, LinkStatsForm::Bits64);
    }
    EXPECT_EQ(links[0].type, ARPHRD_LOOPBACK);
    EXPECT_EQ(links[3].type, ARPHRD_ETHER);
    EXPECT_TRUE(links[0].IsUp());  // operstate "unknown", as loopback has no carrier
    EXPECT_TRUE(links[3].IsUp());
    EXPECT_FALSE(links[1].IsUp());
    EXPECT_FALSE(links[1].AdminUp());
    // What loopback sends it receives.
    EXPECT_EQ(links[0].counters.rxBytes, links[0].counters.txBytes);
    EXPECT_GT(links[3].counters.rxBytes, 0u);
}

TEST(NetlinkLinks, StatisticsPreferSixtyFourBitsAndFallBackToThirtyTwo) {
    testing::LinkShape shape{.index = 9, .name = "ppp0"};
    shape.stats = testing::Traffic(0x1'0000'0005, 12);
    shape.stats.rx_missed_errors = 3;
    Parsed both = Parse(testing::LinkMessage(shape));
    ASSERT_EQ(both.links.size(), 1u);
    EXPECT_EQ(both.links[0].statsForm, LinkStatsForm::Bits64);
    EXPECT_EQ(both.links[0].counters.rxBytes, 0x1'0000'0005u);

    shape.with64 = false;
    Parsed only32 = Parse(testing::LinkMessage(shape));
    EXPECT_EQ(only32.links[0].statsForm, LinkStatsForm::Bits32);
    EXPECT_EQ(only32.links[0].counters.rxBytes, 5u);
    EXPECT_EQ(only32.links[0].counters.txBytes, 12u);
    EXPECT_EQ(only32.links[0].counters.rxMissedErrors, 3u);

    shape.with32 = false;
    EXPECT_EQ(Parse(testing::LinkMessage(shape)).links[0].statsForm, LinkStatsForm::None);
}

TEST(NetlinkLinks, EndsErrorsInterruptionAndForeignSequences) {
    EXPECT_EQ(Parse(testing::DoneMessage()).result.end, DumpEnd::Done);
    const Parsed failed = Parse(testing::DoneMessage(-EINTR));
    EXPECT_EQ(failed.result.end, DumpEnd::Error);
    EXPECT_EQ(failed.result.error, EINTR);

    // An acknowledgement is no error; a refusal is, and stops the parse.
    const Bytes link = testing::LinkMessage({.index = 3, .name = "ppp0"});
    const Parsed acked = Parse(testing::Concat({testing::ErrorMessage(0), link}));
    EXPECT_EQ(acked.result.end, DumpEnd::Incomplete);
    EXPECT_EQ(acked.links.size(), 1u);
    const Parsed refused = Parse(testing::Concat({testing::ErrorMessage(-EBUSY), link}));
    EXPECT_EQ(refused.result.end, DumpEnd::Error);
    EXPECT_EQ(refused.result.error, EBUSY);
    EXPECT_TRUE(refused.links.empty());

    Bytes interrupted = testing::LinkMessage(
        {.index = 3, .name = "ppp0", .messageFlags = NLM_F_MULTI | NLM_F_DUMP_INTR});
    EXPECT_TRUE(Parse(interrupted).result.interrupted);

    // Left from an earlier request: skipped, its NLMSG_DONE included.
    Bytes stale = testing::Concat({link, testing::DoneMessage()});
    testing::SetSequence(stale, 41);
    const Parsed skipped = Parse(stale, 42u);
    EXPECT_EQ(skipped.result.end, DumpEnd::Incomplete);
    EXPECT_TRUE(skipped.links.empty());
    EXPECT_EQ(Parse(stale, 41u).result.end, DumpEnd::Done);
}

TEST(NetlinkLinks, UpNeedsAdminUpAndAnOperationalStateThatCarries) {
    struct Case {
        std::uint32_t flags;
        std::optional<std::uint8_t> operState;
        bool up;
    };
    const Case cases[] = {
        {IFF_UP, IF_OPER_UNKNOWN, true}, {IFF_UP, IF_OPER_UP, true},
        {IFF_UP, IF_OPER_DOWN, false},   {IFF_UP, IF_OPER_DORMANT, false},
        {0, IF_OPER_UP, false},          {IFF_UP | IFF_RUNNING, std::nullopt, true},
        {IFF_UP, std::nullopt, false},
    };
    for (const Case& c : cases) {
        LinkInfo link;
        link.flags = c.flags;
        link.operState = c.operState;
        EXPECT_EQ(link.IsUp(), c.up) << c.flags << " " << int(c.operState.value_or(99));
    }
}

TEST(NetlinkLinks, TruncatedAndCorruptBuffersAreRefusedWithoutReadingPastThem) {
    // Every cut of a recorded datagram: whole messages pass, anything else is
    // malformed. Each cut is copied so that the sanitizers see its true end.
    const Bytes datagram = testing::RecordedDump()[0];
    std::size_t boundaries = 0;
    for (std::size_t n = 0; n <= datagram.size(); ++n) {
        const Bytes cut(datagram.begin(), datagram.begin() + static_cast<std::ptrdiff_t>(n));
        const Parsed p = Parse(cut);
        if (p.result.end != DumpEnd::Malformed) {
            ++boundaries;
        }
    }
    EXPECT_EQ(boundaries, 3u);  // empty, one message, both

    // An attribute longer than its message, a message shorter than its header.
    Bytes link = testing::LinkMessage({.index = 3, .name = "ppp0"});
    Bytes longAttr = link;
    const std::uint16_t huge = 0xfff0;
    std::memcpy(longAttr.data() + NLMSG_HDRLEN + sizeof(ifinfomsg), &huge, sizeof(huge));
    EXPECT_EQ(Parse(longAttr).result.end, DumpEnd::Malformed);
    Bytes shortHeader = link;
    const std::uint32_t eight = 8;
    std::memcpy(shortHeader.data(), &eight, sizeof(eight));
    EXPECT_EQ(Parse(shortHeader).result.end, DumpEnd::Malformed);

    // A name without its NUL is cut to what the kernel allows.
    Parsed longName = Parse(testing::LinkMessage({.index = 3, .name = "abcdefghijklmnopqrst"}));
    EXPECT_EQ(longName.links[0].Name(), "abcdefghijklmno");

    // Flipped bytes and plain noise, parsed from an odd address.
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        Bytes noisy = round % 2 == 0 ? datagram : Bytes(random() % 200);
        for (int flips = 0; flips < 8 && !noisy.empty(); ++flips) {
            noisy[random() % noisy.size()] = static_cast<std::byte>(random());
        }
        noisy.insert(noisy.begin(), std::byte{0});
        std::size_t seen = 0;
        const DumpChunkResult r = ParseLinkDump(std::span(noisy).subspan(1), std::nullopt,
                                                [&](const LinkInfo&) { ++seen; });
        EXPECT_EQ(r.links, seen);
    }
}

// The kind of a link made in software, and which links a metered line never
// is; and the rules that pick the links by what the services report.
TEST(NetlinkLinks, KindsTellVirtualLinksAndTheDefaultChoiceFollowsTheServices) {
    const auto parse = [](const testing::LinkShape& shape) {
        LinkInfo out;
        const Bytes datagram = testing::LinkMessage(shape);
        (void)ParseLinkDump(datagram, std::nullopt, [&out](const LinkInfo& l) { out = l; });
        return out;
    };
    ServiceLinks services;
    services.networkManager = true;
    for (const char* name : {"wlan0", "veth0", "br0", "tun0", "usb0"}) {
        ServiceLink* s = services.Entry(name);
        s->byNetworkManager = true;
        s->metered = true;
        s->activated = std::string_view(name) != "usb0";
    }
    services.Entry("wwan0")->byModemManager = true;
    services.Entry("wwan0")->activated = true;
    services.Entry("eth0")->byNetworkManager = true;  // not metered
    struct Case {
        const char* name;
        std::uint16_t type;
        const char* kind;
        bool isVirtual, counts, connected;
    };
    const Case cases[] = {
        {"wlan0", ARPHRD_ETHER, "", false, true, true},
        {"veth0", ARPHRD_ETHER, "veth", true, false, true},
        {"br0", ARPHRD_ETHER, "bridge", true, false, true},
        {"tun0", ARPHRD_NONE, "tun", true, false, true},
        {"usb0", ARPHRD_ETHER, "", false, true, false},     // NetworkManager has it down
        {"wwan0", ARPHRD_NONE, "wwan", false, true, true},  // a modem's link
        {"eth0", ARPHRD_ETHER, "", false, false, false},    // nor activated
        {"ppp0", ARPHRD_PPP, "", false, true, true},
        {"lo", ARPHRD_LOOPBACK, "", true, false, false},  // no address given
        {"gre1", ARPHRD_IPGRE, "gre", true, false, false},
    };
    for (const Case& c : cases) {
        const LinkInfo link = parse({.index = 5, .name = c.name, .type = c.type, .kind = c.kind});
        EXPECT_EQ(link.Kind(), c.kind) << c.name;
        EXPECT_EQ(IsVirtualLink(link), c.isVirtual) << c.name;
        EXPECT_EQ(CountsByDefault(link, services), c.counts) << c.name;
        EXPECT_EQ(CountedLinkConnected(link, services, false), c.connected) << c.name;
    }
    // Without NetworkManager running, a link it reported is judged as any
    // other: up with a carrier and an address.
    services.networkManager = false;
    const LinkInfo usb = parse({.index = 5, .name = "usb0", .type = ARPHRD_ETHER});
    EXPECT_FALSE(CountedLinkConnected(usb, services, false));
    EXPECT_TRUE(CountedLinkConnected(usb, services, true));
    EXPECT_FALSE(
        CountedLinkConnected(parse({.index = 5, .name = "usb0", .up = false}), services, true));
}

TEST(NetlinkLinks, DumpRequest) {
    std::array<std::byte, 64> out{};
    ASSERT_EQ(BuildLinkDumpRequest(out, 99), NLMSG_LENGTH(sizeof(ifinfomsg)));
    nlmsghdr header;
    std::memcpy(&header, out.data(), sizeof(header));
    EXPECT_EQ(header.nlmsg_type, RTM_GETLINK);
    EXPECT_EQ(header.nlmsg_flags, NLM_F_REQUEST | NLM_F_DUMP);
    EXPECT_EQ(header.nlmsg_seq, 99u);
    EXPECT_EQ(BuildLinkDumpRequest(std::span(out).first(16), 1), 0u);
}

}  // namespace
}  // namespace trovik
