// The program itself, started as a user starts it (offscreen platform), and
// a small host of its own: the modules load from the program's folder and
// find their settings beside the program in every mode, the demo included;
// leftover temporary files go at start.
//
// Every test here runs in a network namespace with only the loopback
// interface (IsolatedNet.sh) and refuses to run otherwise: a datagram that
// missed its INI file would go to the module's default LAN address.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/ScratchDir.h"

extern char** environ;

namespace trovik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

// How long a start may take (the sanitizer build is slow).
constexpr auto kStartTime = 60s;

bool OnlyLoopback() {
    struct if_nameindex* names = ::if_nameindex();
    if (names == nullptr) {
        return false;
    }
    bool onlyLo = true;
    for (const struct if_nameindex* n = names; n->if_index != 0; ++n) {
        onlyLo = onlyLo && std::string_view(n->if_name) == "lo";
    }
    ::if_freenameindex(names);
    return onlyLo;
}

// A UDP socket on 127.0.0.1, on a port the system picks.
class Receiver {
public:
    Receiver() {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        const int on = 1;
        (void)::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
    }
    ~Receiver() { ::close(fd); }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // The module's INI file pointing here (127.0.0.1 with its first octet in
    // the top byte).
    std::string Ini() const {
        return "[Config]\nIpAddress=2130706433\nLcdPort=" + std::to_string(port) + "\n";
    }

    // The next datagram; `arrived` is when the kernel received it, so that
    // a test that reads late still sees the sender's pace.
    std::optional<std::string> Receive(std::chrono::milliseconds wait) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) != 1) {
            return std::nullopt;
        }
        char buffer[64];
        iovec data{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &message, 0);
        if (n < 0) {
            return std::nullopt;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts{};
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                arrived = std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
            }
        }
        return std::string(buffer, static_cast<std::size_t>(n));
    }

    std::vector<std::string> Drain() {
        std::vector<std::string> got;
        while (auto d = Receive(300ms)) {
            got.push_back(*d);
        }
        return got;
    }

    std::uint16_t port = 0;
    std::chrono::nanoseconds arrived{0};

private:
    int fd = -1;
};

const std::string kClear{'\x01', '\x01'};

std::string Line(char where, std::string text) {
    text.resize(16, ' ');
    return std::string{'\x01', where} + text;
}

bool IsLine(const std::string& d, char where) {
    return d.size() == 18 && d[0] == '\x01' && d[1] == where;
}

// A program folder of its own (a portable install: the folder is writable)
// with copies of the program and two modules, and a home of its own.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OnlyLoopback()) << "run this only through IsolatedNet.sh";
        for (const fs::path& d : {prog, config / "Qanto", data, runtime, home}) {
            fs::create_directories(d);
        }
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        for (const char* file : {"Trovik", "TrvikLunvar.so", "TrvikPelkin.so"}) {
            fs::copy_file(fs::path(TROVIK_BIN_DIR) / file, prog / file);
        }
    }

    // The settings the program reads (its own config folder).
    void Settings(const std::map<std::string, std::string>& values) {
        std::string text = "[Settings]\n";
        for (const auto& [key, value] : values) {
            text += key + "=" + value + "\n";
        }
        WriteText(config / "Qanto" / "Vemaro.conf", text);
    }

    // The environment of a start from a desktop, with everything the user
    // keeps in the scratch folder, no bus to reach and no data directory for
    // the modules.
    std::vector<std::string> Environment() const {
        std::vector<std::string> env = {
            "PATH=/usr/bin:/bin",
            "LANG=C.UTF-8",
            "QT_QPA_PLATFORM=offscreen",
            "HOME=" + home.string(),
            "XDG_CONFIG_HOME=" + config.string(),
            "XDG_DATA_HOME=" + (scratch.path() / "share").string(),
            "XDG_CACHE_HOME=" + (scratch.path() / "cache").string(),
            "XDG_RUNTIME_DIR=" + runtime.string(),
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (scratch.path() / "no-bus").string(),
            "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (scratch.path() / "no-bus").string(),
        };
        for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TZ"}) {
            if (const char* value = std::getenv(keep)) {
                env.push_back(std::string(keep) + "=" + value);
            }
        }
        return env;
    }

    pid_t Spawn(const std::vector<std::string>& args) const {
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        const std::vector<std::string> env = Environment();
        std::vector<char*> envp;
        for (const auto& e : env) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);
        pid_t pid = -1;
        if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
            return -1;
        }
        return pid;
    }

    // Waits for the process to end; its wait status, or nothing (and it is
    // killed) when it has not ended in time.
    static std::optional<int> WaitFor(pid_t pid, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                return status;
            }
            std::this_thread::sleep_for(20ms);
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return std::nullopt;
    }

    // Ends the program as a logout does; true when it ended by itself, with
    // status 0.
    static bool Terminate(pid_t pid) {
        ::kill(pid, SIGTERM);
        const auto status = WaitFor(pid, 30s);
        return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    }

    // Waits until the file exists and contains `text`.
    static bool WaitForText(const fs::path& file, const std::string& text) {
        const auto end = std::chrono::steady_clock::now() + kStartTime;
        while (std::chrono::steady_clock::now() < end) {
            if (ReadText(file).find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    fs::path DemoFolder() const { return scratch.path() / "share" / "Qanto" / "Vemaro" / "demo"; }

    // The network LCD module on the program's line: the clear at start, the
    // two lines on every tick, the farewell at the end.
    void ExpectLcdSession(const std::vector<std::string>& args) {
        Receiver receiver;
        ASSERT_NE(receiver.port, 0);
        WriteText(prog / "TrvikLunvar.ini", receiver.Ini());
        Settings({{"ExtDLL", "TrvikLunvar.so"}});
        const pid_t pid = Spawn(args);
        ASSERT_GT(pid, 0);

        const auto first = receiver.Receive(kStartTime);
        if (!first) {
            WaitFor(pid, 0s);
            FAIL() << "the module sent nothing: it was not loaded or missed its INI file";
        }
        EXPECT_EQ(*first, kClear);
        std::chrono::nanoseconds begin{0};
        for (int tick = 0; tick < 10; ++tick) {
            const auto line1 = receiver.Receive(5s);
            const auto line2 = receiver.Receive(5s);
            ASSERT_TRUE(line1 && line2);
            if (tick == 0) {
                begin = receiver.arrived;
            }
            ASSERT_TRUE(IsLine(*line1, '\x80')) << tick;
            EXPECT_EQ(line1->substr(11), "kB Rcvd") << tick;
            ASSERT_TRUE(IsLine(*line2, '\xC0')) << tick;
        }
        // Ten ticks 100 ms apart, not a burst.
        EXPECT_GE(receiver.arrived - begin, 800ms);

        ASSERT_TRUE(Terminate(pid));
        std::vector<std::string> rest = receiver.Drain();
        ASSERT_GE(rest.size(), 3u);
        const std::vector<std::string> farewell(rest.end() - 3, rest.end());
        EXPECT_EQ(farewell, (std::vector<std::string>{kClear, Line('\x80', "Trovik Ext-DLL"),
                                                      Line('\xC0', "  is Terminated.")}));
        for (std::size_t i = 0; i + 3 < rest.size(); ++i) {
            EXPECT_TRUE(IsLine(rest[i], i % 2 == 0 ? '\x80' : '\xC0')) << i;
        }
    }

    ScratchDir scratch{"trovik-program-"};
    const fs::path prog = scratch.path() / "prog";
    const fs::path config = scratch.path() / "config";
    const fs::path data = scratch.path() / "share";
    const fs::path runtime = scratch.path() / "run";
    const fs::path home = scratch.path() / "home";
};

TEST_F(ProgramRun, LunvarOnTheSimulatedLineUsesTheProgramsIni) {
    ExpectLcdSession({(prog / "Trovik").string(), "--simulate"});
    // The demo keeps its records apart, but no settings file of a module.
    EXPECT_FALSE(fs::exists(DemoFolder() / "TrvikLunvar.ini"));
}

TEST_F(ProgramRun, LunvarOnTheLine) {
    ExpectLcdSession({(prog / "Trovik").string()});
}

// The large bar module opens (its window) and stays with the ticking meter:
// a failed load would have stopped the start at its message box.
TEST_F(ProgramRun, PelkinOpens) {
    Settings({{"ExtDLL", "TrvikPelkin.so"}, {"LogFile", "1"}});
    const pid_t pid = Spawn({(prog / "Trovik").string(), "--simulate"});
    ASSERT_GT(pid, 0);
    // The simulated line dials a few seconds after the first tick.
    const bool ticking = WaitForText(DemoFolder() / "Trovik.LOG", "回線が接続されました");
    const std::string maps = ReadText("/proc/" + std::to_string(pid) + "/maps");
    EXPECT_TRUE(Terminate(pid));
    EXPECT_TRUE(ticking);
    EXPECT_NE(maps.find((prog / "TrvikPelkin.so").string()), std::string::npos);
}

// A profile without a settings file: the first start switches the records on
// and stores that, so the very first call is logged and recorded.
TEST_F(ProgramRun, FirstStartSwitchesTheRecordsOn) {
    ASSERT_FALSE(fs::exists(config / "Qanto" / "Vemaro.conf"));
    const pid_t pid = Spawn({(prog / "Trovik").string(), "--simulate"});
    ASSERT_GT(pid, 0);
    const bool logged = WaitForText(DemoFolder() / "Trovik.LOG", "- - - - - -");
    EXPECT_TRUE(Terminate(pid));
    EXPECT_TRUE(logged);
    const std::string stored = ReadText(config / "Qanto" / "Vemaro.conf");
    for (const char* line : {"LogFile=1", "LogCumulate=1", "LogStatics=1"}) {
        EXPECT_NE(stored.find(line), std::string::npos) << line << " in\n" << stored;
    }
}

// Leftovers of the demo's records and of the modules' settings go at start;
// look-alikes stay.
TEST_F(ProgramRun, StartRemovesLeftovers) {
    for (const char* name : {".Trovik.LOG.tmp-dKx15g", ".Trovik_2026.CUM.tmp-Ab3dEf",
                             "Trovik.LOG.backup", "Trovik.STA.dKx15g"}) {
        WriteText(DemoFolder() / name, "x");
    }
    for (const char* name :
         {".TrvikLunvar.ini.tmp-Q9w8E7", ".TrvikPelkin.ini.tmp-x1Y2z3", "TrvikLunvar.ini.backup"}) {
        WriteText(prog / name, "x");
    }
    Settings({{"LogFile", "1"}});
    const pid_t pid = Spawn({(prog / "Trovik").string(), "--simulate"});
    ASSERT_GT(pid, 0);
    // The restart mark, the first thing the start writes.
    const bool started = WaitForText(DemoFolder() / "Trovik.LOG", "- - - - - -");
    EXPECT_TRUE(Terminate(pid));
    ASSERT_TRUE(started);
    EXPECT_FALSE(fs::exists(DemoFolder() / ".Trovik.LOG.tmp-dKx15g"));
    EXPECT_FALSE(fs::exists(DemoFolder() / ".Trovik_2026.CUM.tmp-Ab3dEf"));
    EXPECT_TRUE(fs::exists(DemoFolder() / "Trovik.LOG.backup")) << "the user's own copy";
    EXPECT_TRUE(fs::exists(DemoFolder() / "Trovik.STA.dKx15g")) << "an older version's form";
    EXPECT_FALSE(fs::exists(prog / ".TrvikLunvar.ini.tmp-Q9w8E7"));
    EXPECT_FALSE(fs::exists(prog / ".TrvikPelkin.ini.tmp-x1Y2z3"));
    EXPECT_TRUE(fs::exists(prog / "TrvikLunvar.ini.backup"));
}

// A host of its own, in a folder of its own, that names no data directory:
// the module takes the INI file beside that host, not the one beside itself.
TEST_F(ProgramRun, ModuleBesideAnotherHostTakesTheHostsIni) {
    const fs::path hostDir = scratch.path() / "host";
    const fs::path moduleDir = scratch.path() / "modules";
    fs::create_directories(hostDir);
    fs::create_directories(moduleDir);
    fs::copy_file(TROVIK_MODULE_HOST, hostDir / "ModuleHost");
    fs::copy_file(fs::path(TROVIK_BIN_DIR) / "TrvikLunvar.so", moduleDir / "TrvikLunvar.so");
    Receiver besideHost;
    Receiver besideModule;
    WriteText(hostDir / "TrvikLunvar.ini", besideHost.Ini());
    WriteText(moduleDir / "TrvikLunvar.ini", besideModule.Ini());

    const pid_t pid =
        Spawn({(hostDir / "ModuleHost").string(), (moduleDir / "TrvikLunvar.so").string()});
    ASSERT_GT(pid, 0);
    const auto status = WaitFor(pid, 30s);
    ASSERT_TRUE(status && WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(besideHost.Drain(),
              (std::vector<std::string>{
                  kClear, Line('\x80', "        2kB Rcvd"), Line('\xC0', "\xFF\xFF"), kClear,
                  Line('\x80', "Trovik Ext-DLL"), Line('\xC0', "  is Terminated.")}));
    EXPECT_TRUE(besideModule.Drain().empty());
}

}  // namespace
}  // namespace trovik
