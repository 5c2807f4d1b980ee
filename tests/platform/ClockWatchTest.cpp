#include "platform/ClockWatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <string_view>

#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::PumpUntil;

// The numbers of the timerfds this process has open.
std::set<int> TimerFds() {
    std::set<int> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) == "anon_inode:[timerfd]") {
            fds.insert(std::stoi(entry.path().filename().string()));
        }
    }
    return fds;
}

// The value of the "key: value" line the kernel shows for the fd.
std::string FdInfo(int fd, std::string_view key) {
    std::ifstream in("/proc/self/fdinfo/" + std::to_string(fd));
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':') {
            const std::size_t value = line.find_first_not_of(" \t", key.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return "(none)";
}

// A timer armed as the watch's is, for the test alone: when something on the
// machine sets the clock meanwhile (a time service stepping it), it is
// cancelled too, and the watch was right to call.
class ControlTimer {
public:
    ControlTimer() : fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        itimerspec when{};
        when.it_value.tv_sec = std::numeric_limits<time_t>::max();
        (void)::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
    }
    ~ControlTimer() { ::close(fd); }
    ControlTimer(const ControlTimer&) = delete;
    ControlTimer& operator=(const ControlTimer&) = delete;

    bool ClockWasSet() const {
        std::uint64_t expirations = 0;
        return ::read(fd, &expirations, sizeof expirations) < 0 && errno == ECANCELED;
    }

private:
    int fd;
};

// The clock cannot be set here, so the cancellation itself goes untried:
// what is checked is that the kernel has the timer that reports it. It is on
// the wall clock, at an absolute time far ahead, to be cancelled by a setting
// of the clock, and never blocks the loop; while the clock runs steadily
// nothing is called; and the timer goes with the watch.
TEST(ClockWatch, ArmsATimerThatASettingOfTheWallClockCancels) {
    const ControlTimer control;
    const std::set<int> before = TimerFds();
    int calls = 0;
    {
        const ClockWatch watch([&calls] { ++calls; });
        ASSERT_TRUE(watch.Armed());
        std::set<int> added;
        const std::set<int> now = TimerFds();
        std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                            std::inserter(added, added.end()));
        ASSERT_EQ(added.size(), 1u);
        const int fd = *added.begin();

        EXPECT_EQ(FdInfo(fd, "clockid"), "0");  // CLOCK_REALTIME
        // TFD_TIMER_ABSTIME (1) | TFD_TIMER_CANCEL_ON_SET (2), in octal.
        EXPECT_EQ(FdInfo(fd, "settime flags"), "03");
        EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
        itimerspec left{};
        ASSERT_EQ(::timerfd_gettime(fd, &left), 0);
        EXPECT_GT(left.it_value.tv_sec, 100LL * 365 * 24 * 60 * 60);
        EXPECT_EQ(left.it_interval.tv_sec, 0);

        const bool called =
            PumpUntil([&calls] { return calls > 0; }, std::chrono::milliseconds(200));
        if (control.ClockWasSet()) {
            std::printf("the machine's clock was set during the test: not judged\n");
        } else {
            EXPECT_FALSE(called);
        }
    }
    EXPECT_EQ(TimerFds(), before);
}

}  // namespace
}  // namespace trovik
