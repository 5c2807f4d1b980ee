// What the settings are told of the machine's support for the accounting
// helper, from a mount table and files of the test's own, and the command
// that switches the helper's service.

#include "platform/AcctdSetup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

using testing::ScratchDir;
using testing::WriteText;

// Two lines of a mount table as the kernel writes them: the fields after
// " - " are the type, the source and the options.
constexpr const char* kWithCgroup2 =
    "22 28 0:20 / /proc rw,nosuid - proc proc rw\n"
    "26 23 0:23 / /sys/fs/cgroup rw,nosuid,nodev,noexec - cgroup2 cgroup2 rw,nsdelegate\n";
// v1 hierarchies only, and a mount point merely named cgroup2.
constexpr const char* kWithoutCgroup2 =
    "22 28 0:20 / /proc rw,nosuid - proc proc rw\n"
    "27 26 0:24 / /sys/fs/cgroup/cgroup2 rw - cgroup cgroup rw,memory\n";

TEST(AcctdSetupTest, SupportFromTheMountsAndTheKernelsBpf) {
    const struct {
        const char* mounts;  // null: no mount table
        bool bpfFs;
        bool bpfSysctl;
        ExactSupport expected;
    } cases[] = {
        {kWithCgroup2, true, true, ExactSupport::Available},
        {kWithoutCgroup2, true, true, ExactSupport::NoCgroup2},
        {nullptr, true, true, ExactSupport::NoCgroup2},
        {kWithCgroup2, false, true, ExactSupport::NoBpf},
        {kWithCgroup2, true, false, ExactSupport::NoBpf},
        {kWithoutCgroup2, false, false, ExactSupport::NoCgroup2},
    };
    for (const auto& c : cases) {
        ScratchDir dir{"trovik-acctd-setup-"};
        SCOPED_TRACE(static_cast<int>(&c - cases));
        if (c.mounts != nullptr) {
            WriteText(dir.Path("mountinfo"), c.mounts);
        }
        if (c.bpfFs) {
            std::filesystem::create_directory(dir.Path("bpf"));
        }
        if (c.bpfSysctl) {
            WriteText(dir.Path("unprivileged_bpf_disabled"), "2\n");
        }
        EXPECT_EQ(CheckExactSupport(dir.Path("mountinfo").string(), dir.Path("bpf").string(),
                                    dir.Path("unprivileged_bpf_disabled").string()),
                  c.expected);
    }
    EXPECT_EQ(
        AcctdSwitchArgv(true),
        (std::vector<std::string>{"pkexec", "/usr/lib/trovik/trovik-acctd-enable", "enable"}));
}

}  // namespace
}  // namespace trovik
