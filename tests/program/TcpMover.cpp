// Moves a known number of bytes over TCP, for the tests of the usage per
// application.
//
//   TcpMover serve PORT
//       Listens on PORT of every IPv4 address; each connection first sends
//       two 64-bit little-endian numbers: the bytes the server sends it and
//       the bytes it sends the server. Both then go at once.
//   TcpMover fetch ADDRESS PORT TO_CLIENT TO_SERVER SECONDS
//       One such connection, its bytes spread over SECONDS (0: at once).
//       Exits 0 once every byte went both ways.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The server's side of one connection: both directions through poll.
int Serve(int fd) {
    std::array<char, 16> header{};
    if (!ReadAll(fd, header.data(), header.size())) {
        return 1;
    }
    std::uint64_t toClient = 0;
    std::uint64_t toServer = 0;
    for (int i = 7; i >= 0; --i) {
        toClient = toClient << 8 | static_cast<unsigned char>(header[static_cast<std::size_t>(i)]);
        toServer =
            toServer << 8 | static_cast<unsigned char>(header[static_cast<std::size_t>(8 + i)]);
    }
    static std::array<char, kChunk> buffer{};
    while (toClient > 0 || toServer > 0) {
        pollfd p{fd, static_cast<short>((toServer > 0 ? POLLIN : 0) | (toClient > 0 ? POLLOUT : 0)),
                 0};
        if (::poll(&p, 1, 30000) <= 0) {
            return 1;
        }
        if ((p.revents & POLLIN) != 0) {
            const ssize_t n =
                ::recv(fd, buffer.data(), std::min<std::uint64_t>(toServer, kChunk), MSG_DONTWAIT);
            if (n <= 0) {
                return 1;
            }
            toServer -= static_cast<std::uint64_t>(n);
        }
        if ((p.revents & POLLOUT) != 0) {
            const ssize_t n =
                ::send(fd, buffer.data(), std::min<std::uint64_t>(toClient, kChunk), MSG_DONTWAIT);
            if (n <= 0) {
                return 1;
            }
            toClient -= static_cast<std::uint64_t>(n);
        }
    }
    ::shutdown(fd, SHUT_WR);
    char end = 0;
    (void)::read(fd, &end, 1);  // until the client closes
    return 0;
}

int Listen(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        std::perror("listen");
        return 1;
    }
    ::signal(SIGCHLD, SIG_IGN);
    for (;;) {
        const int client = ::accept(fd, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        if (::fork() == 0) {
            ::close(fd);
            ::_exit(Serve(client));
        }
        ::close(client);
    }
}

int Fetch(const char* host, std::uint16_t port, std::uint64_t toClient, std::uint64_t toServer,
          double seconds) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host, &address.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return 1;
    }
    std::array<char, 16> header{};
    for (int i = 0; i < 8; ++i) {
        header[static_cast<std::size_t>(i)] = static_cast<char>(toClient >> (8 * i));
        header[static_cast<std::size_t>(8 + i)] = static_cast<char>(toServer >> (8 * i));
    }
    if (!WriteAll(fd, header.data(), header.size())) {
        return 1;
    }
    static std::array<char, kChunk> buffer{};
    const std::uint64_t steps =
        std::max<std::uint64_t>(1, (std::max(toClient, toServer) + kChunk - 1) / kChunk);
    const auto pause = std::chrono::duration<double>(seconds / static_cast<double>(steps));
    for (std::uint64_t step = 0; step < steps; ++step) {
        const std::size_t out = std::min<std::uint64_t>(toServer, kChunk);
        const std::size_t in = std::min<std::uint64_t>(toClient, kChunk);
        if (!WriteAll(fd, buffer.data(), out) || !ReadAll(fd, buffer.data(), in)) {
            std::fprintf(stderr, "fetch: the connection ended early\n");
            return 1;
        }
        toServer -= out;
        toClient -= in;
        if (seconds > 0) {
            std::this_thread::sleep_for(pause);
        }
    }
    ::close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) {
        return Listen(static_cast<std::uint16_t>(std::atoi(argv[2])));
    }
    if (argc == 7 && std::strcmp(argv[1], "fetch") == 0) {
        return Fetch(argv[2], static_cast<std::uint16_t>(std::atoi(argv[3])),
                     std::strtoull(argv[4], nullptr, 10), std::strtoull(argv[5], nullptr, 10),
                     std::atof(argv[6]));
    }
    std::fprintf(stderr,
                 "usage: TcpMover serve PORT | fetch ADDRESS PORT TO_CLIENT TO_SERVER SECONDS\n");
    return 2;
}
