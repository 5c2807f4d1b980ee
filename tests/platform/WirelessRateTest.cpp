#include "platform/WirelessRate.h"

#include <gtest/gtest.h>
#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <string_view>
#include <vector>

#include "tests/platform/LinkDumpBuilder.h"

namespace trovik {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::ToBytes;

constexpr std::uint16_t kFamily = 0x1c;
constexpr std::uint32_t kSeq = 7;

// nlattr is laid out as rtattr is.
Bytes Attr(std::uint16_t type, const Bytes& payload) {
    Bytes out;
    testing::AppendAttr(out, type, payload.data(), payload.size());
    return out;
}

Bytes Nest(std::uint16_t type, const std::vector<Bytes>& inner) {
    return Attr(type | NLA_F_NESTED, Concat(inner));
}

template <typename T>
Bytes Value(T value) {
    return ToBytes(&value, sizeof(value));
}

Bytes Message(std::uint16_t type, std::uint8_t cmd, const std::vector<Bytes>& attrs,
              std::uint32_t seq = kSeq) {
    const Bytes body = Concat(attrs);
    const nlmsghdr header{static_cast<std::uint32_t>(NLMSG_HDRLEN + GENL_HDRLEN + body.size()),
                          type, NLM_F_MULTI, seq, 0};
    const genlmsghdr genl{cmd, 1, 0};
    return Concat({ToBytes(&header, sizeof(header)), ToBytes(&genl, sizeof(genl)), body});
}

Bytes Station(const std::vector<Bytes>& txRate, std::uint32_t seq = kSeq) {
    return Message(kFamily, NL80211_CMD_NEW_STATION,
                   {Attr(NL80211_ATTR_IFINDEX, Value<std::uint32_t>(3)),
                    Nest(NL80211_ATTR_STA_INFO, {Nest(NL80211_STA_INFO_TX_BITRATE, txRate)})},
                   seq);
}

Bytes Done(int code = 0) {
    Bytes done = testing::DoneMessage(code);
    testing::SetSequence(done, kSeq);
    return done;
}

Bytes Error(int code) {
    Bytes error = testing::ErrorMessage(code);
    testing::SetSequence(error, kSeq);
    return error;
}

Bytes Rate32(std::uint32_t units) {
    return Attr(NL80211_RATE_INFO_BITRATE32, Value(units));
}

Bytes Rate16(std::uint16_t units) {
    return Attr(NL80211_RATE_INFO_BITRATE, Value(units));
}

Bytes FamilyAnswer(std::uint16_t id) {
    return Message(
        GENL_ID_CTRL, CTRL_CMD_NEWFAMILY,
        {Attr(CTRL_ATTR_FAMILY_NAME, ToBytes("nl80211", 8)), Attr(CTRL_ATTR_FAMILY_ID, Value(id))});
}

// One station whose transmit rate is 866.7 Mbit/s, then the dump's end, as
// the kernel sends them (family 0x1c, sequence 7), written out byte by byte.
const unsigned char kStationImage[] = {
    44, 0, 0,  0,    0x1c, 0,    2, 0, 7, 0, 0, 0, 0, 0, 0, 0,  // nlmsghdr, NLM_F_MULTI
    19, 1, 0,  0,                                               // NL80211_CMD_NEW_STATION
    8,  0, 3,  0,    3,    0,    0, 0,                          // NL80211_ATTR_IFINDEX 3
    16, 0, 21, 0x80,                                            // NL80211_ATTR_STA_INFO, nested
    12, 0, 8,  0x80,                                            // NL80211_STA_INFO_TX_BITRATE
    8,  0, 5,  0,    0xdb, 0x21, 0, 0,                          // BITRATE32 8667
    20, 0, 0,  0,    3,    0,    2, 0, 7, 0, 0, 0, 0, 0, 0, 0,  // NLMSG_DONE
    0,  0, 0,  0,
};

TEST(WirelessRate, AnswersParse) {
    Bytes truncatedNest = Station({Rate32(100)});
    // The TX_BITRATE nest (after nlmsghdr, genlmsghdr, IFINDEX and the
    // STA_INFO header) claims 4 bytes more than STA_INFO holds.
    truncatedNest[NLMSG_HDRLEN + GENL_HDRLEN + 8 + 4] = std::byte{12 + 4};
    Bytes cutShort = Station({Rate32(100)});
    cutShort.resize(cutShort.size() - 4);
    const Bytes noRate = Message(
        kFamily, NL80211_CMD_NEW_STATION,
        {Nest(NL80211_ATTR_STA_INFO, {Attr(NL80211_STA_INFO_SIGNAL, Value<std::int8_t>(-40))})});
    struct Case {
        const char* what;
        bool family;  // parsed as the family's answer, else as a station dump
        Bytes datagram;
        DumpEnd end;
        int error;
        bool found;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"the family's id", true, FamilyAnswer(kFamily), DumpEnd::Incomplete, 0, true, kFamily},
        {"no such family", true, Error(-ENOENT), DumpEnd::Error, ENOENT, false, 0},
        {"the written-out image", false, ToBytes(kStationImage, sizeof(kStationImage)),
         DumpEnd::Done, 0, true, 866'700'000},
        {"the 32-bit rate before the 16-bit one", false,
         Concat({Station({Rate16(540), Rate32(8667)}), Done()}), DumpEnd::Done, 0, true,
         866'700'000},
        {"only the 16-bit rate", false, Concat({Station({Rate16(540)}), Done()}), DumpEnd::Done, 0,
         true, 54'000'000},
        {"past 2^32 - 1 bits saturates", false, Concat({Station({Rate32(46'116)}), Done()}),
         DumpEnd::Done, 0, true, 0xFFFF'FFFFu},
        {"neither rate, or one of 0", false,
         Concat({Station({Attr(NL80211_RATE_INFO_MCS, Value<std::uint8_t>(7))}), noRate,
                 Station({Rate32(0)}), Done()}),
         DumpEnd::Done, 0, false, 0},
        {"the first station with a rate", false,
         Concat({noRate, Station({Rate16(60)}), Station({Rate16(90)}), Done()}), DumpEnd::Done, 0,
         true, 6'000'000},
        {"an earlier request's station is not this one's", false,
         Concat({Station({Rate16(60)}, kSeq - 1), Done()}), DumpEnd::Done, 0, false, 0},
        {"a nest longer than its parent", false, truncatedNest, DumpEnd::Malformed, 0, false, 0},
        {"a rate attribute too short", false,
         Station({Attr(NL80211_RATE_INFO_BITRATE32, Value<std::uint16_t>(1))}), DumpEnd::Malformed,
         0, false, 0},
        {"a message cut short", false, cutShort, DumpEnd::Malformed, 0, false, 0},
        {"a link that is not wireless", false, Error(-ENODEV), DumpEnd::Error, ENODEV, false, 0},
        {"a dump that failed", false, Done(-EOPNOTSUPP), DumpEnd::Error, EOPNOTSUPP, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GenlChunkResult r = c.family ? ParseFamilyAnswer(c.datagram, kSeq)
                                           : ParseStationAnswer(c.datagram, kSeq, kFamily);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.found, c.found);
        if (c.found) {
            EXPECT_EQ(r.value, c.value);
        }
    }
}

// Answers each request with the next queued datagrams, given the request's
// sequence number, and notes what was asked.
class GenlReplay final : public NetlinkTransport {
public:
    struct Asked {
        nlmsghdr header;
        std::uint8_t cmd;
        std::uint32_t attr;  // the ifindex asked for, or the first word of the family's name
    };
    std::deque<std::vector<Bytes>> answers;
    std::vector<Asked> asked;
    int opens = 0;

    bool Open() override {
        ++opens;
        return true;
    }
    void Close() override { current.clear(); }
    bool Send(std::span<const std::byte> request) override {
        Asked& a = asked.emplace_back();
        std::memcpy(&a.header, request.data(), sizeof(a.header));
        std::memcpy(&a.cmd, request.data() + NLMSG_HDRLEN, 1);
        std::memcpy(&a.attr, request.data() + NLMSG_HDRLEN + GENL_HDRLEN + NLA_HDRLEN, 4);
        seq = a.header.nlmsg_seq;
        if (answers.empty()) {
            return false;
        }
        current.assign(answers.front().begin(), answers.front().end());
        answers.pop_front();
        return true;
    }
    std::ptrdiff_t Receive(std::span<std::byte> buffer) override {
        if (current.empty()) {
            return -1;
        }
        Bytes datagram = std::move(current.front());
        current.pop_front();
        testing::SetSequence(datagram, seq);
        std::memcpy(buffer.data(), datagram.data(), datagram.size());
        return static_cast<std::ptrdiff_t>(datagram.size());
    }

private:
    std::deque<Bytes> current;
    std::uint32_t seq = 0;
};

TEST(WirelessRate, AsksTheFamilyOnceAndEachLinkAfresh) {
    auto replay = std::make_unique<GenlReplay>();
    GenlReplay* channel = replay.get();
    WirelessRate rates(std::move(replay));
    std::uint32_t name = 0;
    std::memcpy(&name, "nl80", 4);

    // No wireless core loaded yet: asked again at the next call.
    channel->answers.push_back({Error(-ENOENT)});
    std::uint32_t bits = 1;
    EXPECT_FALSE(rates.TxBitrate(3, bits));
    ASSERT_EQ(channel->asked.size(), 1u);
    const auto& family = channel->asked[0];
    EXPECT_EQ(family.header.nlmsg_type, GENL_ID_CTRL);
    EXPECT_EQ(family.cmd, CTRL_CMD_GETFAMILY);
    EXPECT_EQ(family.attr, name);

    channel->answers.push_back({FamilyAnswer(kFamily)});
    channel->answers.push_back({Station({Rate16(540)}), Done()});  // over two datagrams
    EXPECT_TRUE(rates.TxBitrate(3, bits));
    EXPECT_EQ(bits, 54'000'000u);
    ASSERT_EQ(channel->asked.size(), 3u);
    const auto& station = channel->asked[2];
    EXPECT_EQ(station.header.nlmsg_type, kFamily);
    EXPECT_EQ(station.header.nlmsg_flags, NLM_F_REQUEST | NLM_F_DUMP);
    EXPECT_EQ(station.cmd, NL80211_CMD_GET_STATION);
    EXPECT_EQ(station.attr, 3u);

    // Not wireless, then wireless without a station: the family stays known
    // and the socket open.
    channel->answers.push_back({Error(-ENODEV)});
    channel->answers.push_back({Done()});
    bits = 1;
    EXPECT_FALSE(rates.TxBitrate(2, bits));
    EXPECT_EQ(bits, 1u);
    EXPECT_TRUE(rates.TxBitrate(3, bits));
    EXPECT_EQ(bits, 0u);
    EXPECT_EQ(channel->asked.size(), 5u);
    EXPECT_EQ(channel->opens, 1);

    // A malformed or unfinished answer drops the socket, whose rest is not
    // the next answer's.
    channel->answers.push_back({Bytes(6, std::byte{0x55})});
    channel->answers.push_back({Station({Rate16(540)})});
    channel->answers.push_back({Concat({Station({Rate32(8667)}), Done()})});
    EXPECT_FALSE(rates.TxBitrate(3, bits));
    EXPECT_FALSE(rates.TxBitrate(3, bits));
    EXPECT_TRUE(rates.TxBitrate(3, bits));
    EXPECT_EQ(bits, 866'700'000u);
    EXPECT_EQ(channel->opens, 3);
    EXPECT_EQ(channel->asked.size(), 8u) << "the family is still known";
}

// Against the running kernel: the loopback link is not wireless (and the
// family may not even be there); either way the answer comes at once.
TEST(WirelessRateKernel, LoopbackHasNoRate) {
    WirelessRate rates;
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t bits = 0;
    EXPECT_FALSE(rates.TxBitrate(1, bits));
    EXPECT_FALSE(rates.TxBitrate(1, bits));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace trovik
