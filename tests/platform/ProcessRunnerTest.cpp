// The runner that switches the accounting helper's service.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/AcctdSetup.h"
#include "tests/ScratchDir.h"
#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using namespace std::chrono_literals;
using testing::PumpUntil;
using testing::ScratchDir;
using testing::WriteText;

// The switch runs while the caller goes on: the child waits for a file the
// test makes only after Run returned, and a program that is not there is
// told at once.
TEST(ProcessRunnerTest, StartsWithoutWaiting) {
    ScratchDir dir{"trovik-acctd-run-"};
    const std::string go = dir.Path("go").string();
    const std::string done = dir.Path("done").string();
    // Waits up to 5 s for "go", then says it is done.
    const std::string script = "for i in $(seq 100); do [ -e '" + go +
                               "' ] && break; sleep 0.05; done; touch '" + done + "'";
    ProcessRunner runner;
    EXPECT_EQ(runner.Run({"sh", "-c", script}), 0);
    EXPECT_FALSE(std::filesystem::exists(done)) << "Run waited for the program";
    WriteText(dir.Path("go"), "");
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(done); }, 10s));
    EXPECT_LT(runner.Run({dir.Path("no-such-program").string()}), 0);
}

}  // namespace
}  // namespace trovik
