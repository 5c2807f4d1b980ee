#include <gtest/gtest.h>

#include <string>

#include "acctd/BpfCounter.h"

namespace trovik {
namespace {

// Where the helper attaches by default, from /proc/self/mountinfo lines as
// the kernel writes them.
TEST(CgroupRoot, FoundInMountinfo) {
    const struct {
        const char* name;
        std::string mountinfo;
        std::string root;
    } cases[] = {
        {"unified only",
         "22 1 0:21 / / rw - ext4 /dev/sda1 rw\n"
         "35 22 0:30 / /sys/fs/cgroup rw,nosuid shared:9 - cgroup2 cgroup2 rw,nsdelegate\n",
         "/sys/fs/cgroup"},
        {"hybrid: the v1 controllers first, no optional fields",
         "31 22 0:26 / /sys/fs/cgroup ro - tmpfs tmpfs ro,mode=755\n"
         "32 31 0:27 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
         "33 31 0:28 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n",
         "/sys/fs/cgroup/unified"},
        {"two optional fields; a blank in the path",
         "40 22 0:40 / /tmp/a\\040b rw shared:3 master:1 - cgroup2 none rw\n", "/tmp/a b"},
        {"a file system named like it is not it",
         "41 22 0:41 / /mnt/x rw - fuse.cgroup2 cgroup2 rw\n"
         "42 22 0:42 / /mnt/cgroup2 rw - cgroup cgroup2 rw,name=x\n",
         ""},
        {"nothing", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindCgroup2RootIn(c.mountinfo), c.root) << c.name;
    }
}

}  // namespace
}  // namespace trovik
