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

TEST(SingleInstanceName, RuntimeDirOnlyWhenPrivateToTheUser) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool hadSaved = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    ScratchDir runtime{"trovik-runtime-"};

    std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    qputenv("XDG_RUNTIME_DIR", runtime.path().string().c_str());
    EXPECT_EQ(DefaultInstanceName(), QtPath(runtime.Path("trovik-meter")));

    // Others may enter: fall back to the temporary directory, per user.
    const QString fallback = QDir::tempPath() + QStringLiteral("/trovik-meter-%1").arg(::geteuid());
    std::filesystem::permissions(runtime.path(),
                                 std::filesystem::perms::owner_all |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::replace);
    EXPECT_EQ(DefaultInstanceName(), fallback);

    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DefaultInstanceName(), fallback);

    if (hadSaved) {
        qputenv("XDG_RUNTIME_DIR", saved);
    }
}

}  // namespace
}  // namespace trovik
