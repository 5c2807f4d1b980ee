#include "platform/EndSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace trovik {
namespace {

// The pair's ends: [0] read by the loop, [1] written by the handler. One
// instance at a time owns them.
int pipeEnds[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void()> onSignal) : callback(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        return;
    }
    // Neither end may block: the handler must never wait, and the loop
    // reads only what is there.
    (void)::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    (void)::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { ReadPending(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

EndSignals::~EndSignals() {
    if (!notifier) {
        return;
    }
    for (const int signal : kEndingSignals) {
        ::signal(signal, SIG_DFL);
    }
    notifier.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void EndSignals::ReadPending() {
    // Every byte read is a signal handled; a byte left unread would make the
    // notifier fire again and again.
    std::array<char, 16> bytes{};
    const ssize_t n = ::read(pipeEnds[0], bytes.data(), bytes.size());
    for (ssize_t i = 0; i < n; ++i) {
        callback();
    }
}

}  // namespace trovik
