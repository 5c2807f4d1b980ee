#include "platform/EndSignals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>

namespace trovik {
namespace {

void Spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// One call per signal, however long the loop runs afterwards: a byte left
// unread would wake the loop again and again and keep a core busy.
TEST(EndSignals, OneCallPerSignal) {
    int calls = 0;
    {
        const EndSignals ends([&calls] { ++calls; });
        ASSERT_TRUE(ends.Installed());
        ASSERT_EQ(::raise(SIGTERM), 0);
        Spin(100);
        EXPECT_EQ(calls, 1);
        ASSERT_EQ(::raise(SIGINT), 0);
        ASSERT_EQ(::raise(SIGTERM), 0);
        Spin(200);
        EXPECT_EQ(calls, 3);
        // A closed terminal and a quit key end the meter the same way.
        ASSERT_EQ(::raise(SIGHUP), 0);
        ASSERT_EQ(::raise(SIGQUIT), 0);
        Spin(200);
        EXPECT_EQ(calls, 5);
    }
    // Gone with the object: the default actions are back.
    for (const int signal : kEndingSignals) {
        struct sigaction now {};
        ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
    }
}

}  // namespace
}  // namespace trovik
