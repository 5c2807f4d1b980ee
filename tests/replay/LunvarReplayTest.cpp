// The network LCD module driven by the replay tool: its datagrams reach a
// socket on the loopback address, tick by tick, the farewell included. The
// module's INI file is pointed at 127.0.0.1 before the meter starts.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"
#include "tools/replay/ReplayScript.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;

class LoopbackReceiver {
public:
    LoopbackReceiver() {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ~LoopbackReceiver() { ::close(fd); }

    // Every datagram that arrives until none has come for 300 ms.
    std::vector<std::string> Drain() const {
        std::vector<std::string> got;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 300) == 1) {
            char buf[64];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n < 0) {
                break;
            }
            got.emplace_back(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    int fd = -1;
    unsigned port = 0;
};

std::string Line(char where, const std::string& text) {
    std::string d{'\x01', where};
    d += text;
    d.resize(18, ' ');
    return d;
}

TEST(LunvarReplay, DatagramsArriveTickByTickWithTheFarewell) {
    ::setenv("TZ", "JST-9", 1);
    testing::ScratchDir config("trovik-lunvar-config-");
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    testing::ScratchDir dir("trovik-lunvar-");
    fs::copy_file(fs::path(TROVIK_PLUGIN_DIR) / "TrvikLunvar.so", dir.Path("TrvikLunvar.so"));

    LoopbackReceiver receiver;
    // 127.0.0.1 as the module stores it: the first octet in the top byte.
    testing::WriteText(dir.Path("TrvikLunvar.ini"), "[Config]\nIpAddress=2130706433\nLcdPort=" +
                                                        std::to_string(receiver.port) + "\n");

    std::istringstream script(
        "clock 2026-12-07 21:00:00\n"
        "sets ExtDLL TrvikLunvar.so\n"
        "set Span 1\n"
        "set ScaleRx 15000\n"
        "start\n"
        "rate 0 1500\n"
        "run 1\n"
        "run 1\n"
        "exit\n");
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunReplayScript(dir.Path("Trovik").string(), script, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "");

    const std::string clear{'\x01', '\x01'};
    const std::string fullBar = std::string(16, '\xFF');
    const std::vector<std::string> expected = {
        clear,                             // Open
        Line('\x80', "        1kB Rcvd"),  // tick 1: 1500 bytes, 15000 B/s = 100 %
        Line('\xC0', fullBar),
        Line('\x80', "        2kB Rcvd"),  // tick 2: 3000 bytes
        Line('\xC0', fullBar),
        clear,  // Close
        Line('\x80', "Trovik Ext-DLL"),
        Line('\xC0', "  is Terminated."),
    };
    EXPECT_EQ(receiver.Drain(), expected);
}

}  // namespace
}  // namespace trovik
