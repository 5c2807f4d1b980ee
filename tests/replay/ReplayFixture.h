#pragma once

// Scripts run through trovik-replay's interpreter in this process, each test
// in a data folder of its own, in Japanese local time.

#include <gtest/gtest.h>

#include <QSettings>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/ScratchDir.h"
#include "tools/replay/ReplayScript.h"

namespace trovik::testing {

class ReplayFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
        config = new ScratchDir("trovik-replay-config-");
        ::setenv("XDG_CONFIG_HOME", config->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete config;
        config = nullptr;
    }
    // The settings file's place is fixed at its first use in the process
    // (by XDG_CONFIG_HOME then), so each test empties it where it is rather
    // than removing a folder it may not be in.
    void SetUp() override {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Qanto"),
                           QStringLiteral("Vemaro"));
        settings.clear();
        settings.sync();
    }

    // The script's standard output; a script error fails the test.
    std::string Run(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunReplayScript(data.Path("Trovik").string(), in, out, err), 0) << err.str();
        return out.str();
    }

    static inline ScratchDir* config = nullptr;
    ScratchDir data{"trovik-replay-data-"};
};

}  // namespace trovik::testing
