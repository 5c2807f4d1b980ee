#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace trovik {

// The single-instance ping between a starting meter and a running one, over
// a local socket of the user's own. The asking side sends 12 bytes, three
// little-endian 32-bit words; a running meter answers with one word when all
// three match, 0 otherwise, and then closes the connection.
inline constexpr std::uint32_t kPingMessage = 2023;
inline constexpr std::uint32_t kPingWParam = 0x9801;
inline constexpr std::uint32_t kPingLParam = 0x50494E47;  // "GNIP" in memory order
inline constexpr std::uint32_t kPingAnswer = 0x70696E67;  // "gnip" in memory order

// The socket's path for this user: $XDG_RUNTIME_DIR/trovik-meter when that
// is a directory of this user's that no one else may enter, else
// trovik-meter-<uid> in QDir::tempPath(). Either way both sides also check
// that the other end belongs to the same user, so another user can neither
// answer for a meter nor raise one.
QString DefaultInstanceName();

// Asks the meter listening on `name` (a path, or a bare name that Qt places
// in QDir::tempPath()) and waits at most `timeoutMs` in all. True only when
// it answered correctly. Blocks; needs no event loop.
bool PingRunningMeter(const QString& name, int timeoutMs);
inline bool PingRunningMeter(int timeoutMs) {
    return PingRunningMeter(DefaultInstanceName(), timeoutMs);
}

// The running meter's side. It serves questions from the event loop of the
// thread it lives in, so that thread must run a QCoreApplication (or
// QApplication) event loop; the raise callback is called from that loop,
// once per correct question, after the answer has been queued for sending.
class InstanceListener {
public:
    explicit InstanceListener(QString name = DefaultInstanceName());
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    // Starts listening. A socket file left by a meter that crashed (nobody
    // accepts on it; it is a socket of this user's) is removed first. False
    // when the name is taken by a live listener, most likely another meter
    // that started at the same moment (asking it again then tells), or when
    // the socket cannot be made.
    bool Listen(std::function<void()> onRaise);

    // Stops listening and removes the socket file; also done on destruction.
    void Close();

    const QString& Name() const { return name; }

private:
    void AcceptPending();

    QString name;
    std::unique_ptr<QLocalServer> server;
    std::function<void()> raise;
};

}  // namespace trovik
