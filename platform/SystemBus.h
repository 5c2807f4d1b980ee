#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <chrono>
#include <utility>

namespace trovik {

// Which message bus a backend talks to: the system bus (the default), a bus
// at a given address (tests run a private one), or none at all.
class BusChoice {
public:
    static BusChoice System() { return BusChoice(Kind::System, {}); }
    static BusChoice At(QString address) { return BusChoice(Kind::Address, std::move(address)); }
    static BusChoice None() { return BusChoice(Kind::None, {}); }

    bool IsNone() const { return kind == Kind::None; }
    bool IsSystem() const { return kind == Kind::System; }
    const QString& Address() const { return address; }

private:
    enum class Kind : unsigned char { System, Address, None };
    BusChoice(Kind k, QString a) : kind(k), address(std::move(a)) {}

    Kind kind;
    QString address;
};

// A private connection to a bus, opened for one exchange and closed when this
// ends. A bus that is absent, or that restarted since the last exchange, is
// thus met afresh each time, and nothing is shared with other users of the
// bus in this process. Needs a QCoreApplication (QtDBus runs its own thread,
// so no event loop has to run while a call waits).
//
// It connects only to a bus that answered the start of the handshake within
// `connectLimit` (see AnsweringBusAddress), so a stalled bus costs at most
// that, and never holds QtDBus.
class BusConnection {
public:
    static constexpr std::chrono::milliseconds kConnectLimit{1000};

    explicit BusConnection(const BusChoice& bus,
                           std::chrono::milliseconds connectLimit = kConnectLimit);
    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    bool IsConnected() const;
    // Not connected because a bus took the connection and did not answer
    // in time (rather than because there was none).
    bool Stalled() const { return silent; }

    // Sends a method call and waits at most `timeoutMs` for its answer,
    // processing no events meanwhile. The result is the reply, or an error
    // message (also when the bus is not connected or no answer came in time).
    QDBusMessage Call(const QDBusMessage& call, int timeoutMs);

private:
    QString name;
    bool silent = false;
    QDBusConnection connection;
};

// The first transport of `bus` at which a message bus answers the start of
// the authentication handshake within `limit`, as an address of that
// transport alone; empty when none does, and for BusChoice::None(). Only
// Unix sockets (path= and abstract=) are tried; other transports are passed
// over. QtDBus's own connect waits without end for a bus that takes the
// connection and never answers (a stopped daemon, a stale socket), and holds
// the thread that serves every QtDBus connection of the process meanwhile:
// whatever connects off the GUI thread asks this first. Blocks for up to
// `limit`.
// `silent`, when given, tells whether a socket took the connection and did
// not answer in time.
QString AnsweringBusAddress(const BusChoice& bus, std::chrono::milliseconds limit,
                            bool* silent = nullptr);

// The value of a reply that carries exactly one, or an invalid QVariant when
// the reply is an error or carries more or fewer. A variant ("v", as from
// org.freedesktop.DBus.Properties.Get) is unwrapped to the value inside.
QVariant SingleReplyValue(const QDBusMessage& reply);

}  // namespace trovik
