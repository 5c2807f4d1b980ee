// The bookkeeping of the sockets' bytes, round by round, on sockets made up
// in the test: what counts, from when, once only, and the table of sockets
// against a plain map under many opens and closes.

#include "platform/AppSocketLedger.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <map>
#include <random>
#include <string>

namespace trovik {
namespace {

// Names a socket after its inode: "exe:<inode>".
class InodeNamer final : public SocketNamer {
public:
    void Name(std::uint64_t, std::uint32_t inode, AppBytes& out) override {
        CopyAppText(out.key, "exe:" + std::to_string(inode));
        CopyAppText(out.name, std::to_string(inode));
        ++named;
    }
    int named = 0;
};

LinkAddress V4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    LinkAddress address;
    address.family = AF_INET;
    address.bytes = {a, b, c, d};
    return address;
}

TcpSocketInfo Socket(std::uint64_t cookie, std::uint32_t inode, std::uint64_t acked,
                     std::uint64_t received, const LinkAddress& local = V4(192, 0, 2, 1)) {
    TcpSocketInfo s;
    s.cookie = cookie;
    s.inode = inode;
    s.family = local.family;
    s.localAddress = local.bytes;
    s.haveBytes = true;
    s.bytesAcked = acked;
    s.bytesReceived = received;
    return s;
}

class AppSocketLedgerTest : public ::testing::Test {
protected:
    AppSocketLedgerTest() {
        counted.Add(V4(192, 0, 2, 1));
        counted.Add(V4(127, 0, 0, 1));  // never counted
    }

    // One round: the closed sockets, then the dump.
    void Round(std::initializer_list<TcpSocketInfo> open,
               std::initializer_list<TcpSocketInfo> closed = {}, bool complete = true) {
        ledger.BeginRound(counted);
        for (const TcpSocketInfo& s : closed) {
            ledger.OnClosed(s);
        }
        for (const TcpSocketInfo& s : open) {
            ledger.OnSocket(s);
        }
        ledger.EndRound(complete);
    }

    // What was taken: "inode=received/sent" in the table's order.
    std::string Taken() {
        std::array<AppBytes, 8> out{};
        std::string text;
        for (std::size_t i = 0, n = ledger.Take(out); i < n; ++i) {
            text += std::string(AppText(out[i].name)) + "=" + std::to_string(out[i].received) +
                    "/" + std::to_string(out[i].sent) + " ";
        }
        return text;
    }

    InodeNamer namer;
    CountedAddresses counted;
    AppSocketLedger ledger{namer};
};

TEST_F(AppSocketLedgerTest, EachByteCountsOnceFromWhenItWasSeen) {
    // Open before the first dump: counts from now. On loopback or another
    // link: never. Without tcp_info: not at all.
    TcpSocketInfo bare = Socket(4, 40, 0, 0);
    bare.haveBytes = false;
    Round({Socket(1, 10, 1000, 5000), Socket(2, 20, 9, 9, V4(127, 0, 0, 1)),
           Socket(3, 30, 9, 9, V4(198, 51, 100, 7)), bare});
    EXPECT_EQ(Taken(), "");
    // Grown: the increase. New since the last whole dump: all of it, less
    // the SYN.
    Round({Socket(1, 10, 1500, 6000), Socket(2, 20, 99, 99, V4(127, 0, 0, 1)),
           Socket(3, 30, 99, 99, V4(198, 51, 100, 7)), Socket(5, 50, 101, 200)});
    EXPECT_EQ(Taken(), "10=1000/500 50=200/100 ");
    EXPECT_EQ(Taken(), "") << "taken once";

    // Opened and closed between two dumps: counted from the word of its
    // end. A known one closing: its final figures. Then it is gone.
    Round({Socket(5, 50, 101, 200)}, {Socket(6, 60, 301, 700), Socket(1, 10, 1600, 6100)});
    EXPECT_EQ(Taken(), "10=100/100 60=700/300 ");
    Round({Socket(5, 50, 101, 200)});
    EXPECT_EQ(Taken(), "");
    EXPECT_EQ(ledger.SocketCount(), 1u);
    EXPECT_EQ(namer.named, 3) << "each counted socket is named once";
}

TEST_F(AppSocketLedgerTest, TheWordOfAnEndThatComesLateIsNoSecondCount) {
    Round({Socket(1, 10, 100, 100)});
    Round({Socket(1, 10, 200, 300)});
    EXPECT_EQ(Taken(), "10=200/100 ");
    // Gone from one dump before the kernel's word came: still known when it
    // comes, so only the rest counts.
    Round({});
    Round({}, {Socket(1, 10, 250, 400)});
    EXPECT_EQ(Taken(), "10=100/50 ");
    // Gone from two dumps with no word at all: forgotten.
    Round({Socket(2, 20, 1, 0)});
    EXPECT_EQ(ledger.SocketCount(), 1u);
    Round({});
    Round({});
    EXPECT_EQ(ledger.SocketCount(), 0u);
}

TEST_F(AppSocketLedgerTest, AfterADumpThatFailedNewSocketsCountFromThen) {
    Round({Socket(1, 10, 100, 100)});
    Round({Socket(1, 10, 100, 100)}, {}, false);
    // It may have been open at the failed dump already: its past is not ours.
    Round({Socket(1, 10, 100, 100), Socket(2, 20, 5000, 5000)});
    Round({Socket(1, 10, 100, 100), Socket(2, 20, 5100, 5200)});
    EXPECT_EQ(Taken(), "20=200/100 ");
}

TEST_F(AppSocketLedgerTest, AnIpv6SocketOnAnIpv4AddressIsTheLinks) {
    std::array<std::uint8_t, 16> mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 0, 2, 1};
    EXPECT_TRUE(counted.Contains(AF_INET6, mapped));
    mapped[15] = 2;
    EXPECT_FALSE(counted.Contains(AF_INET6, mapped));
    LinkAddress loopback6;
    loopback6.family = AF_INET6;
    loopback6.bytes[15] = 1;
    counted.Add(loopback6);
    EXPECT_FALSE(counted.Contains(AF_INET6, loopback6.bytes));
}

// Many sockets opening and closing in random order: the table finds each
// one it holds, whatever the deletions moved.
TEST_F(AppSocketLedgerTest, TheTableKeepsEverySocketThroughOpensAndCloses) {
    std::mt19937_64 random(42);
    std::map<std::uint64_t, std::uint64_t> open;  // cookie -> bytes received
    Round({});
    std::uint64_t expected = 0;
    for (int round = 0; round < 40; ++round) {
        ledger.BeginRound(counted);
        // Close a third of them, open new ones up to about 4,000.
        for (auto it = open.begin(); it != open.end();) {
            if (random() % 3 == 0) {
                ledger.OnClosed(Socket(it->first, 7, 1, it->second + 10));
                expected += 10;
                it = open.erase(it);
            } else {
                ++it;
            }
        }
        while (open.size() < 4000) {
            const std::uint64_t cookie = random() | 1;
            open.emplace(cookie, 0);
        }
        for (auto& [cookie, received] : open) {
            received += 3;
            expected += 3;
            ledger.OnSocket(Socket(cookie, 7, 1, received));
        }
        ledger.EndRound(true);
        ASSERT_EQ(ledger.SocketCount(), open.size()) << "round " << round;
    }
    std::array<AppBytes, 2> out{};
    ASSERT_EQ(ledger.Take(out), 1u);
    EXPECT_EQ(out[0].received, expected);
}

}  // namespace
}  // namespace trovik
