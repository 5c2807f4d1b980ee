#pragma once

// SIGTERM (a logout, a service manager), SIGINT, SIGHUP (the terminal that
// started the meter was closed) and SIGQUIT, turned into calls on the event
// loop: the handler only writes a byte to a socket pair, and the loop reads
// it back and makes one call per signal. Each ends the meter with its save.

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace trovik {

inline constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

class EndSignals final {
public:
    // Installs the handlers; `onSignal` runs on the event loop once for
    // each signal received.
    explicit EndSignals(std::function<void()> onSignal);
    // Puts the default handlers back.
    ~EndSignals();

    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // False when the socket pair could not be made (the signals then keep
    // their default action).
    bool Installed() const { return notifier != nullptr; }

private:
    void ReadPending();

    std::function<void()> callback;
    std::unique_ptr<QSocketNotifier> notifier;
};

}  // namespace trovik
