#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalSocket>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::PumpUntil;
using testing::QtPath;
using testing::RunPumping;
using testing::ScratchDir;
using namespace std::chrono_literals;

// The question and the answer as bytes on the wire, written out by hand:
// 2023 = 0x000007E7, 0x00009801, 0x50494E47 and 0x70696E67, low byte first.
const QByteArray kQuestion("\xE7\x07\x00\x00\x01\x98\x00\x00\x47\x4E\x49\x50", 12);
const QByteArray kAnswer("\x67\x6E\x69\x70", 4);
const QByteArray kNo("\x00\x00\x00\x00", 4);

// Sends raw bytes as a client would and returns all it gets back until the
// listener closes the connection.
QByteArray Exchange(const QString& name, const QByteArray& question) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(2000)) {
        return "not connected";
    }
    socket.write(question);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) {
    }
    QByteArray got;
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(2000)) {
        got += socket.readAll();
    }
    got += socket.readAll();
    return got;
}

// Leaves a socket file behind as a crashed listener would: bound, then closed.
bool LeaveStaleSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && std::filesystem::is_socket(path);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QString Name() const { return QtPath(dir.Path("meter")); }
    std::string Path() const { return dir.Path("meter").string(); }

    ScratchDir dir{"trovik-instance-"};
    int raised = 0;
};

TEST_F(SingleInstanceTest, RunningMeterAnswersTheRightQuestionAndIsRaised) {
    InstanceListener listener(Name());
    ASSERT_TRUE(listener.Listen([this] { ++raised; }));

    EXPECT_TRUE(RunPumping([this] { return PingRunningMeter(Name(), 3000); }));
    EXPECT_TRUE(PumpUntil([this] { return raised > 0; }, 2s));
    PumpUntil([] { return false; }, 50ms);  // a second call would come by now
    EXPECT_EQ(raised, 1);

    // The bytes on the wire are the ones written out above.
    EXPECT_EQ(RunPumping([this] { return Exchange(Name(), kQuestion); }), kAnswer);
    EXPECT_TRUE(PumpUntil([this] { return raised == 2; }, 2s));
}

TEST_F(SingleInstanceTest, WrongQuestionsGetZeroAndRaiseNothing) {
    InstanceListener listener(Name());
    ASSERT_TRUE(listener.Listen([this] { ++raised; }));

    for (int word = 0; word < 3; ++word) {
        QByteArray wrong = kQuestion;
        wrong[word * 4] = static_cast<char>(wrong[word * 4] ^ 1);
        EXPECT_EQ(RunPumping([&] { return Exchange(Name(), wrong); }), kNo) << "word " << word;
    }
    // The right words in big-endian order are wrong too.
    const QByteArray bigEndian("\x00\x00\x07\xE7\x00\x00\x98\x01\x50\x49\x4E\x47", 12);
    EXPECT_EQ(RunPumping([&] { return Exchange(Name(), bigEndian); }), kNo);
    // A question cut short is dropped without an answer.
    EXPECT_EQ(RunPumping([&] { return Exchange(Name(), kQuestion.left(8)); }), QByteArray());

    PumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(raised, 0);
}

TEST_F(SingleInstanceTest, NoListenerIsAQuickNo) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PingRunningMeter(Name(), 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);

    // A file left by a crashed meter: nobody accepts on it.
    ASSERT_TRUE(LeaveStaleSocket(Path()));
    EXPECT_FALSE(PingRunningMeter(Name(), 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST_F(SingleInstanceTest, StaleSocketIsReplacedButALiveOneAndOtherFilesAreNot) {
    ASSERT_TRUE(LeaveStaleSocket(Path()));
    InstanceListener first(Name());
    ASSERT_TRUE(first.Listen([this] { ++raised; }));
    EXPECT_TRUE(RunPumping([this] { return PingRunningMeter(Name(), 3000); }));

    {
        // A second meter finds the first alive: it neither listens nor
        // takes the file away when it ends.
        InstanceListener second(Name());
        EXPECT_FALSE(second.Listen([] {}));
    }
    EXPECT_TRUE(RunPumping([this] { return PingRunningMeter(Name(), 3000); }));
    EXPECT_TRUE(PumpUntil([this] { return raised == 2; }, 2s));

    first.Close();
    EXPECT_FALSE(std::filesystem::exists(Path()));
    EXPECT_FALSE(PingRunningMeter(Name(), 1000));

    // Something that is not a socket is left alone.
    testing::WriteText(Path(), "keep me");
    InstanceListener third(Name());
    EXPECT_FALSE(third.Listen([] {}));
    EXPECT_TRUE(std::filesystem::is_regular_file(Path()));
}

// Sets an environment variable (or removes it, for null) for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* variable, const char* value)
        : name(variable), had(qEnvironmentVariableIsSet(variable)), saved(qgetenv(variable)) {
        Set(value);
    }
    ~ScopedVariable() { Set(had ? saved.constData() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    void Set(const char* value) {
        if (value != nullptr) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    }

private:
    const char* name;
    bool had;
    QByteArray saved;
};

namespace fs = std::filesystem;

fs::perms Permissions(const fs::path& path) {
    return fs::symlink_status(path).permissions();
}

TEST(InstanceDirectoryTest, OnlyAPrivateFolderOfTheUsersOwnIsTaken) {
    ScratchDir scratch{"trovik-instance-dir-"};
    const fs::path runtime = scratch.Path("runtime");
    const fs::path temp = scratch.Path("tmp");
    const fs::path cache = scratch.Path("cache");
    fs::create_directories(runtime);
    fs::create_directories(temp);
    ScopedVariable tmpdir("TMPDIR", temp.c_str());
    ScopedVariable xdgRuntime("XDG_RUNTIME_DIR", runtime.c_str());
    ScopedVariable xdgCache("XDG_CACHE_HOME", cache.c_str());
    const fs::path shared = temp / ("trovik-" + std::to_string(::geteuid()));
    const fs::path own = cache / "trovik-run";

    struct Case {
        const char* what;
        std::function<void()> set;
        fs::path expected;
    };
    const bool root = ::geteuid() == 0;
    const Case cases[] = {
        {"the runtime folder, private",
         [&] { fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace); },
         runtime},
        {"the runtime folder open to the group: a folder of its own in the temporary one",
         [&] {
             fs::permissions(runtime,
                             fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                             fs::perm_options::replace);
         },
         shared},
        {"no runtime folder", [&] { xdgRuntime.Set(nullptr); }, shared},
        {"its own folder there, left open, is closed",
         [&] {
             fs::create_directory(shared);
             fs::permissions(shared, fs::perms::all, fs::perm_options::replace);
         },
         shared},
        {"a link in its place is not followed",
         [&] {
             fs::create_directory(scratch.Path("mine"));
             fs::permissions(scratch.Path("mine"), fs::perms::owner_all, fs::perm_options::replace);
             fs::create_directory_symlink(scratch.Path("mine"), shared);
         },
         own},
        {"a file in its place", [&] { testing::WriteText(shared, "squatter"); }, own},
        {"another user's folder in its place",
         [&] {
             fs::create_directory(shared);
             fs::permissions(shared, fs::perms::owner_all, fs::perm_options::replace);
             if (root) {
                 ASSERT_EQ(::chown(shared.c_str(), 4321, 4321), 0);
             }
         },
         root ? own : shared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ignored;
        fs::remove_all(shared, ignored);
        fs::remove_all(cache, ignored);
        c.set();
        EXPECT_EQ(InstanceDirectory(), QtPath(c.expected));
        EXPECT_EQ(DefaultInstanceName(), QtPath(c.expected / "trovik-meter"));
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(c.expected)));
        if (c.expected != runtime) {
            EXPECT_EQ(Permissions(c.expected), fs::perms::owner_all);
        }
    }
}

class MeterInstanceTest : public ::testing::Test {
protected:
    QString Folder() const { return QtPath(dir.path()); }

    ScratchDir dir{"trovik-meter-instance-"};
};

TEST_F(MeterInstanceTest, TheLockHolderIsTheMeterAndIsRaisedByLaterStarters) {
    int raised = 0;
    auto first = std::make_unique<MeterInstance>(Folder());
    ASSERT_TRUE(first->Claim(1000));
    EXPECT_TRUE(fs::is_socket(dir.Path("trovik-meter"))) << "listening from the start";
    EXPECT_TRUE(fs::is_regular_file(dir.Path("trovik-meter.lock")));

    // Asked before its window exists: answered, nothing raised.
    MeterInstance early(Folder());
    EXPECT_FALSE(RunPumping([&] { return early.Claim(3000); }));
    PumpUntil([] { return false; }, 100ms);  // the raise it asked for comes and goes
    first->OnRaise([&raised] { ++raised; });
    for (int i = 0; i < 3; ++i) {
        MeterInstance second(Folder());
        EXPECT_FALSE(RunPumping([&] { return second.Claim(3000); }));
    }
    EXPECT_TRUE(PumpUntil([&] { return raised == 3; }, 2s));
    PumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(raised, 3);

    // A holder too busy to answer still keeps later starters out.
    MeterInstance busy(Folder());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(busy.Claim(200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    // Once it ends, the next starter is the meter, over a socket left behind.
    first.reset();
    ASSERT_TRUE(LeaveStaleSocket(dir.Path("trovik-meter").string()));
    MeterInstance next(Folder());
    EXPECT_TRUE(next.Claim(1000));
    EXPECT_TRUE(RunPumping([&] { return PingRunningMeter(next.SocketName(), 3000); }));
}

TEST_F(MeterInstanceTest, WithoutAPrivateFolderTheMeterRunsAlone) {
    MeterInstance alone{QString()};
    EXPECT_TRUE(alone.Claim(100));
    EXPECT_TRUE(alone.SocketName().isEmpty());
}

}  // namespace
}  // namespace trovik
