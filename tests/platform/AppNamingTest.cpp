#include "platform/AppNaming.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/SocketDiag.h"
#include "stats/AppUsageDb.h"
#include "tests/ScratchDir.h"

namespace trovik {
namespace {

using testing::ScratchDir;
using testing::WriteText;
namespace fs = std::filesystem;

std::uint64_t InodeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

// Sets environment variables for a test and puts them back as they were.
class Environment {
public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    ~Environment() {
        for (const auto& [name, value] : saved) {
            Put(name.c_str(), value ? value->c_str() : nullptr);
        }
    }

    void Set(const char* name, const char* value) {
        if (std::none_of(saved.begin(), saved.end(),
                         [name](const auto& kept) { return kept.first == name; })) {
            const char* old = std::getenv(name);
            saved.emplace_back(name,
                               old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        }
        Put(name, value);
    }

private:
    static void Put(const char* name, const char* value) {
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

// A cgroup directory with one of the files every cgroup has; its id is its
// inode.
std::uint64_t MakeCgroup(const fs::path& dir) {
    WriteText(dir / "cgroup.procs", "");
    return InodeOf(dir);
}

// <proc>/<pid>/exe leads to `exe` (none when empty) and <proc>/<pid>/fd/<n>
// to each target, as the kernel's links do.
void MakeProcess(const fs::path& proc, const char* pid, const char* exe,
                 std::initializer_list<std::pair<const char*, const char*>> fds) {
    const fs::path dir = proc / pid;
    fs::create_directories(dir / "fd");
    if (*exe != '\0') {
        fs::create_symlink(exe, dir / "exe");
    }
    for (const auto& [fd, target] : fds) {
        fs::create_symlink(target, dir / "fd" / fd);
    }
}

TEST(AppNamingTest, UnitNamesNameDesktopIds) {
    const struct {
        const char* unit;
        std::set<std::string> files;  // the desktop ids whose files are there
        const char* id;
    } cases[] = {
        {R"(app-gnome-firefox\x2desr-12345.scope)", {}, "firefox-esr"},
        {R"(app-gnome-firefox\x2desr@0f1e2d-12345.scope)", {}, "firefox-esr"},
        {"app-org.example.Editor-3456.scope", {}, "org.example.Editor"},
        {"app-flatpak-org.example.Chat-2345.scope", {}, "org.example.Chat"},
        {"app-org.example.Files@7c1f0a2b.service", {}, "org.example.Files"},
        {"app-kde-org.example.Term@7c1f.service", {}, "org.example.Term"},
        {"app-org.example.Sync.service", {}, "org.example.Sync"},
        {R"(app-gnome-my\x5cdir-1.scope)", {}, R"(my\dir)"},
        {R"(app-gnome-half\x2-1.scope)", {}, R"(half\x2)"},
        // A launcher the list does not know: the desktop files decide.
        {"app-mylauncher-org.example.Mail-99.scope", {"org.example.Mail"}, "org.example.Mail"},
        {"app-mylauncher-org.example.Mail-99.scope", {}, "mylauncher-org.example.Mail"},
        {"app-gnome-foo-1.scope", {"gnome-foo", "foo"}, "gnome-foo"},
        // Not an application's.
        {"session-2.scope", {}, ""},
        {"vte-spawn-0a1b2c3d-4e5f-6789-abcd-ef0123456789.scope", {}, ""},
        {"app.slice", {}, ""},
        {"app-org.example.Term.slice", {}, ""},
        {"app-gnome-1234.scope", {}, ""},
        {"app-firefox.scope", {}, ""},
        {"app-@1.service", {}, ""},
        {R"(app-gnome-..\x2fetc\x2fpasswd-1.scope)", {}, ""},
        {R"(app-\x2ehidden-1.scope)", {}, ""},
        {"user@1000.service", {}, ""},
        {"", {}, ""},
    };
    for (const auto& c : cases) {
        const auto exists = [&c](const std::string& id) { return c.files.contains(id); };
        EXPECT_EQ(DesktopIdOfUnit(c.unit, exists), c.id) << c.unit;
    }
}

TEST(AppNamingTest, DesktopEntriesGiveTheJapaneseNameAndTheIcon) {
    const struct {
        const char* text;
        const char* name;
        const char* icon;
    } cases[] = {
        {"[Desktop "
         "Entry]\nName=Files\nName[de]=Dateien\nName[ja]=ファイル\nIcon=org.example.Files\n",
         "ファイル", "org.example.Files"},
        {"[Desktop Entry]\nName[ja]=メール\nName[ja_JP]=メール (JP)\nName=Mail\n", "メール (JP)",
         ""},
        {"[Desktop Entry]\nName=Mail\nName[ja]=\n", "Mail", ""},
        {"# made by hand\r\n[Desktop Entry]\r\n Name = Mail \r\nIcon=/opt/mail/mail.png\r\n",
         "Mail", "/opt/mail/mail.png"},
        {"[Desktop Entry]\nName=Web\n[Desktop Action "
         "new-window]\nName[ja]=新しいウィンドウ\nIcon=x\n",
         "Web", ""},
        {"Name=Stray\n[Desktop Entry]\nIcon=term\nName=First\nName=Second\n", "First", "term"},
        {"[Desktop Entry]\nType=Application\nExec=mail\n", "", ""},
        {"[Desktop Entry]\nName=A\\sB\\tC\\\\D\\x\\\n", "A B\tC\\D\\x\\", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const DesktopEntry entry = ParseDesktopEntry(c.text);
        EXPECT_EQ(entry.name, c.name) << c.text;
        EXPECT_EQ(entry.icon, c.icon) << c.text;
    }
}

TEST(AppNamingTest, DesktopFilesAreFoundInTheirDirectoriesInOrder) {
    ScratchDir scratch;
    const std::vector<std::string> dirs = {scratch.Path("home").string(),
                                           scratch.Path("system").string()};
    WriteText(scratch.Path("home/org.example.Mail.desktop"), "[Desktop Entry]\nName=Mine\n");
    WriteText(scratch.Path("system/org.example.Mail.desktop"), "[Desktop Entry]\nName=System\n");
    WriteText(scratch.Path("system/kde4/konsole.desktop"), "[Desktop Entry]\nName=Konsole\n");
    WriteText(scratch.Path("system/foo/bar.baz.desktop"), "[Desktop Entry]\n");
    fs::create_directories(scratch.Path("system/dir.desktop"));
    WriteText(scratch.Path("secret.desktop"), "[Desktop Entry]\n");

    EXPECT_EQ(FindDesktopFile("org.example.Mail", dirs), dirs[0] + "/org.example.Mail.desktop");
    EXPECT_EQ(FindDesktopFile("kde4-konsole", dirs), dirs[1] + "/kde4/konsole.desktop");
    EXPECT_EQ(FindDesktopFile("foo-bar.baz", dirs), dirs[1] + "/foo/bar.baz.desktop");
    EXPECT_EQ(FindDesktopFile("dir", dirs), "");
    EXPECT_EQ(FindDesktopFile("../secret", dirs), "");
    EXPECT_EQ(FindDesktopFile("org.example.None", dirs), "");

    // Read up to its bound only, and only as a regular file.
    std::string big = "[Desktop Entry]\nName=Big\n";
    big.append(kDesktopFileReadLimit, '#');
    big += "\nIcon=past-the-bound\n";
    WriteText(scratch.Path("big.desktop"), big);
    const auto entry = ReadDesktopEntry(scratch.Path("big.desktop").string());
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->name, "Big");
    EXPECT_EQ(entry->icon, "");
    ASSERT_EQ(::mkfifo(scratch.Path("fifo.desktop").c_str(), 0600), 0);
    EXPECT_FALSE(ReadDesktopEntry(scratch.Path("fifo.desktop").string()).has_value());
    EXPECT_FALSE(ReadDesktopEntry(scratch.Path("none.desktop").string()).has_value());
}

TEST(AppNamingTest, ApplicationDirsFollowTheDataVariables) {
    Environment environment;
    environment.Set("HOME", "/home/u");
    environment.Set("XDG_DATA_HOME", "/data/home/");
    environment.Set("XDG_DATA_DIRS", "/a:relative::/b/");
    EXPECT_EQ(ApplicationDirs(), (std::vector<std::string>{"/data/home/applications",
                                                           "/a/applications", "/b/applications"}));
    environment.Set("XDG_DATA_HOME", "relative");
    environment.Set("XDG_DATA_DIRS", nullptr);
    EXPECT_EQ(ApplicationDirs(), (std::vector<std::string>{"/home/u/.local/share/applications",
                                                           "/usr/local/share/applications",
                                                           "/usr/share/applications"}));
}

TEST(AppNamingTest, SocketsAreNamedByTheirScopeTheirProcessOrOther) {
    ScratchDir scratch;
    const fs::path cgroups = scratch.Path("cgroup");
    const fs::path proc = scratch.Path("proc");
    const fs::path apps = scratch.Path("applications");
    const fs::path slice = cgroups / "user.slice/user-1000.slice/user@1000.service/app.slice";
    const std::uint64_t mail = MakeCgroup(slice / "app-gnome-org.example.Mail-4242.scope");
    const std::uint64_t bare = MakeCgroup(slice / "app-org.example.Bare-77.scope");
    const std::uint64_t session =
        MakeCgroup(cgroups / "user.slice/user-1000.slice/session-2.scope");
    WriteText(apps / "org.example.Mail.desktop",
              "[Desktop Entry]\nName=Mail\nName[ja]=メール\nIcon=org.example.Mail\n");
    MakeProcess(proc, "123", "/usr/bin/curl", {{"0", "/dev/null"}, {"4", "socket:[4567]"}});
    MakeProcess(proc, "124", "/opt/tools/fetcher (deleted)",
                {{"3", "socket:[5000]"}, {"5", "pipe:[5001]"}});
    MakeProcess(proc, "125", "", {{"7", "socket:[6000]"}});
    WriteText(proc / "125/comm", "worker\n");
    // Another user's process: its descriptors cannot be listed.
    fs::create_directories(proc / "126");
    fs::create_symlink("/usr/bin/other", proc / "126/exe");
    fs::create_symlink("123", proc / "self");

    AppNamer namer(cgroups.string(), proc.string(), {apps.string()});
    const auto expectName = [&namer](std::uint64_t cgroupId, std::uint32_t inode,
                                     std::string_view key, std::string_view name,
                                     std::string_view icon) {
        AppBytes out;
        CopyAppText(out.icon, "stale");
        namer.Name(cgroupId, inode, out);
        EXPECT_EQ(AppText(out.key), key) << cgroupId << " " << inode;
        EXPECT_EQ(AppText(out.name), name) << cgroupId << " " << inode;
        EXPECT_EQ(AppText(out.icon), icon) << cgroupId << " " << inode;
    };
    namer.BeginRound();
    expectName(mail, 4567, "desktop:org.example.Mail", "メール", "org.example.Mail");
    expectName(bare, 0, "desktop:org.example.Bare", "org.example.Bare", "");
    expectName(session, 4567, "exe:curl", "curl", "curl");
    expectName(0, 5000, "exe:fetcher", "fetcher", "fetcher");
    expectName(InodeOf(scratch.path()), 6000, "exe:worker", "worker", "worker");
    expectName(session, 5001, kOtherAppKey, kOtherAppName, "");
    expectName(0, 0, kOtherAppKey, kOtherAppName, "");

    // Made after this round looked: seen from the next round on.
    const std::uint64_t late = MakeCgroup(slice / "app-org.example.Late-5.scope");
    MakeProcess(proc, "130", "/usr/bin/wget", {{"9", "socket:[7000]"}});
    expectName(late, 7000, kOtherAppKey, kOtherAppName, "");
    namer.BeginRound();
    expectName(late, 7000, "desktop:org.example.Late", "org.example.Late", "");
    expectName(0, 7000, "exe:wget", "wget", "wget");
}

struct SocketOfInode final : TcpSocketSink {
    void OnSocket(const TcpSocketInfo& socket) override {
        if (socket.inode == inode) {
            cgroupId = socket.cgroupId;
            found = true;
        }
    }
    std::uint32_t inode = 0;
    std::uint64_t cgroupId = 0;
    bool found = false;
};

// With the machine's own trees, a socket of this process is named for this
// test program, or for the desktop application it runs in.
TEST(AppNamingKernel, NamesASocketOfThisProcess) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    // A connected socket: listening ones carry no bytes and are not dumped.
    socklen_t size = sizeof(at);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size), 0);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
    struct stat st {};
    ASSERT_EQ(::fstat(client, &st), 0);
    SocketOfInode socket;
    socket.inode = static_cast<std::uint32_t>(st.st_ino);
    TcpSocketLister lister;
    ASSERT_TRUE(lister.List(socket));
    EXPECT_TRUE(socket.found);

    AppNamer namer;
    namer.BeginRound();
    AppBytes out;
    namer.Name(socket.cgroupId, socket.inode, out);
    ::close(client);
    ::close(listener);
    const std::string key(AppText(out.key));
    const std::string exe = fs::read_symlink("/proc/self/exe").filename().string();
    if (key.starts_with("desktop:")) {
        EXPECT_GT(key.size(), std::string_view("desktop:").size());
    } else {
        EXPECT_EQ(key, "exe:" + exe);
        EXPECT_EQ(AppText(out.name), exe);
    }
}

}  // namespace
}  // namespace trovik
