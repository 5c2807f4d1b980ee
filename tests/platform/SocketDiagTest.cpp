#include "platform/SocketDiag.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace trovik {
namespace {

struct Collected final : TcpSocketSink {
    void OnSocket(const TcpSocketInfo& socket) override { sockets.push_back(socket); }
    std::vector<TcpSocketInfo> sockets;
};

std::uint32_t InodeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::uint32_t>(st.st_ino) : 0;
}

// A TCP connection of this process over loopback moves 100,000 bytes: the
// dump finds both ends by their inodes, with the bytes each sent and took.
TEST(SocketDiagKernel, ADumpTellsEachSocketsBytes) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(at);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
    const int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);

    constexpr std::size_t kBytes = 100'000;
    std::thread reader([server] {
        std::vector<char> buffer(8192);
        std::size_t got = 0;
        while (got < kBytes) {
            const ssize_t n = ::read(server, buffer.data(), buffer.size());
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
    });
    const std::vector<char> payload(kBytes, 'x');
    std::size_t sent = 0;
    while (sent < kBytes) {
        const ssize_t n = ::write(client, payload.data() + sent, kBytes - sent);
        ASSERT_GT(n, 0);
        sent += static_cast<std::size_t>(n);
    }
    reader.join();

    TcpSocketLister lister;
    const std::uint32_t clientInode = InodeOf(client);
    const std::uint32_t serverInode = InodeOf(server);
    TcpSocketInfo clientEnd;
    TcpSocketInfo serverEnd;
    // The last acknowledgement may still be on its way.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
        Collected all;
        ASSERT_TRUE(lister.List(all));
        for (const TcpSocketInfo& s : all.sockets) {
            if (s.inode == clientInode) {
                clientEnd = s;
            } else if (s.inode == serverInode) {
                serverEnd = s;
            }
        }
    } while (clientEnd.bytesAcked <= kBytes && std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(clientEnd.haveBytes);
    EXPECT_EQ(clientEnd.bytesAcked, kBytes + 1) << "the kernel counts the SYN as one byte acked";
    EXPECT_EQ(serverEnd.bytesReceived, kBytes);
    EXPECT_EQ(clientEnd.uid, ::getuid());
    EXPECT_EQ(clientEnd.family, AF_INET);
    EXPECT_EQ(clientEnd.localAddress[0], 127);
    EXPECT_NE(clientEnd.cookie, 0u);
    EXPECT_NE(clientEnd.cookie, serverEnd.cookie);
    EXPECT_EQ(serverEnd.localPort, ntohs(at.sin_port));
    ::close(client);
    ::close(server);
    ::close(listener);
}

// A message cut short anywhere is refused without reading past the buffer.
TEST(SocketDiag, TruncatedAnswersAreMalformed) {
    std::array<std::byte, 256> request{};
    ASSERT_EQ(BuildTcpSocketDumpRequest(std::span(request.data(), 8), 1, AF_INET), 0u);
    const std::size_t size = BuildTcpSocketDumpRequest(request, 1, AF_INET);
    ASSERT_GT(size, 0u);
    Collected none;
    // A request is no answer, and a prefix of one is malformed.
    for (std::size_t cut = 1; cut < size; ++cut) {
        const auto result = ParseTcpSocketDump(std::span(request.data(), cut), std::nullopt, none);
        EXPECT_EQ(result.end, DumpEnd::Malformed) << cut;
    }
    EXPECT_TRUE(none.sockets.empty());
}

// A kernel that refuses the older request for both families at once: the
// lister falls back to one dump per family, and stays with that.
TEST(SocketDiag, ARefusedDumpOfBothFamiliesFallsBackToOnePerFamily) {
    class Refusing final : public NetlinkTransport {
    public:
        explicit Refusing(std::vector<std::uint16_t>& asked) : types(asked) {}
        bool Open() override { return true; }
        void Close() override {}
        bool Send(std::span<const std::byte> request) override {
            std::memcpy(&last, request.data(), sizeof last);
            types.push_back(last.nlmsg_type);
            return true;
        }
        std::ptrdiff_t Receive(std::span<std::byte> buffer) override {
            // An error for the older request, an empty dump for the others.
            struct {
                nlmsghdr header;
                nlmsgerr error;
            } answer{};
            const bool refuse = last.nlmsg_type == TCPDIAG_GETSOCK;
            answer.header.nlmsg_type = refuse ? NLMSG_ERROR : NLMSG_DONE;
            answer.header.nlmsg_seq = last.nlmsg_seq;
            answer.header.nlmsg_len = refuse ? sizeof answer : NLMSG_LENGTH(sizeof(int));
            answer.error.error = refuse ? -EINVAL : 0;
            std::memcpy(buffer.data(), &answer, answer.header.nlmsg_len);
            return answer.header.nlmsg_len;
        }

    private:
        std::vector<std::uint16_t>& types;
        nlmsghdr last{};
    };
    std::vector<std::uint16_t> types;
    TcpSocketLister lister(std::make_unique<Refusing>(types));
    Collected none;
    ASSERT_TRUE(lister.List(none));
    ASSERT_TRUE(lister.List(none));
    EXPECT_EQ(types,
              (std::vector<std::uint16_t>{TCPDIAG_GETSOCK, SOCK_DIAG_BY_FAMILY, SOCK_DIAG_BY_FAMILY,
                                          SOCK_DIAG_BY_FAMILY, SOCK_DIAG_BY_FAMILY}));
}

}  // namespace
}  // namespace trovik
