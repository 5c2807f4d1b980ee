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

// The private folder of this user's where the meter's socket and lock live:
// $XDG_RUNTIME_DIR when that is a directory of this user's that no one else
// may enter; else trovik-<uid> in QDir::tempPath(), made 0700 when missing,
// or, when someone else holds that name, trovik-run in the user's cache
// folder ($XDG_CACHE_HOME or ~/.cache). A folder is only taken when it is a
// real directory (no link) owned by this user that no one else may enter.
// Empty when there is none.
QString InstanceDirectory();

// The socket's path for this user: InstanceDirectory() + "/trovik-meter".
// Both sides also check that the other end belongs to the same user, so
// another user can neither answer for a meter nor raise one. Empty when
// there is no private folder.
QString DefaultInstanceName();

// Asks the meter listening on `name` (a path, or a bare name that Qt places
// in QDir::tempPath()) and waits at most `timeoutMs` in all. True only when
// it answered correctly. Blocks; needs no event loop.
bool PingRunningMeter(const QString& name, int timeoutMs);

// The running meter's side. It serves questions from the event loop of the
// thread it lives in, so that thread must run a QCoreApplication (or
// QApplication) event loop; the raise callback is called from that loop,
// once per correct question, after the answer has been queued for sending.
class InstanceListener {
public:
    explicit InstanceListener(QString name);
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    // Starts listening. A socket file left by a meter that crashed (nobody
    // accepts on it; it is a socket of this user's) is removed first; only
    // the holder of the meter's lock (MeterInstance) may do so, or two
    // starters could each take the other's socket away. False when the name
    // is taken by a live listener, or when the socket cannot be made.
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

// Decides which process is this user's one meter. The first to take an
// exclusive lock on trovik-meter.lock in InstanceDirectory() is the meter,
// and holds it for as long as it runs (the kernel drops it when the process
// ends, however it ends); the lock file itself is never removed. Deciding
// and listening happen under the lock, so two meters started at the same
// moment, or one started while the other is busy, never both run.
class MeterInstance {
public:
    explicit MeterInstance(QString directory = InstanceDirectory());
    ~MeterInstance();
    MeterInstance(const MeterInstance&) = delete;
    MeterInstance& operator=(const MeterInstance&) = delete;

    // Takes the lock without waiting. The holder starts listening at once,
    // so that a later starter's question waits in the socket's queue until
    // this process's event loop answers it, and is told true. Any other
    // starter asks the holder to raise its window, waiting at most
    // `pingTimeoutMs`, and is told false whether or not it answered: it is
    // to end. Without a private folder or a lock (a file system that has
    // none), the running meter is only asked, as a last resort.
    bool Claim(int pingTimeoutMs);

    // Where the holder's raise requests go; requests before this are
    // answered but raise nothing.
    void OnRaise(std::function<void()> raise);

    const QString& SocketName() const { return listener.Name(); }

private:
    QString directory;
    int lockFd = -1;
    InstanceListener listener;
    std::function<void()> raise;
};

}  // namespace trovik
