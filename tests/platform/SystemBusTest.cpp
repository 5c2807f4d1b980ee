#include "platform/SystemBus.h"

#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <vector>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::PrivateBus;
using testing::QtPath;
using testing::SilentSocket;

// The handshake is asked of Unix sockets only, in the order the address
// lists them, with their escapes undone; a socket that never answers costs
// no more than the limit.
TEST(AnsweringBusAddress, FirstUnixSocketWhereABusAnswers) {
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    const SilentSocket silent(bus.Dir().Path("silent"));
    ASSERT_FALSE(silent.Address().isEmpty());
    const QString nowhere = QStringLiteral("unix:path=") + QtPath(bus.Dir().Path("no-such-socket"));
    QString escaped = bus.Address();
    escaped.replace(QLatin1Char('/'), QStringLiteral("%2f"));

    struct Row {
        const char* what;
        BusChoice choice;
        QString answer;
    };
    const std::vector<Row> rows = {
        {"no bus", BusChoice::None(), {}},
        {"no socket", BusChoice::At(nowhere), {}},
        {"silent socket", BusChoice::At(silent.Address()), {}},
        {"bus", BusChoice::At(bus.Address()), bus.Address()},
        {"list",
         BusChoice::At(QStringLiteral("tcp:host=127.0.0.1,port=9;") + nowhere + QLatin1Char(';') +
                       escaped),
         escaped},
    };
    constexpr auto kLimit = std::chrono::milliseconds(300);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(AnsweringBusAddress(row.choice, kLimit), row.answer);
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  kLimit + std::chrono::milliseconds(100));
    }
}

}  // namespace
}  // namespace trovik
