#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace trovik {
namespace {

using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string_view> args) {
    return ParseCommandLine(args, "Trovik");
}

// Only a command line understood in full starts the meter: an unknown or
// mistyped option ends with an error instead of watching the real line.
TEST(CommandLine, StartsOnlyOnWhatItUnderstands) {
    const struct {
        std::vector<std::string_view> args;
        Action action;
        bool simulate;
        const char* slashOptions;
    } cases[] = {
        {{}, Action::Run, false, ""},
        {{"--simulate"}, Action::Run, true, ""},
        {{"/DEBUG", "--simulate"}, Action::Run, true, "/DEBUG"},
        {{"/x", "/DEBUG"}, Action::Run, false, "/x /DEBUG"},
        {{"-platform", "offscreen", "--simulate"}, Action::Run, true, ""},
        {{"-style=fusion", "-reverse"}, Action::Run, false, ""},
        {{"--help"}, Action::Help, false, ""},
        {{"--simulate", "-h"}, Action::Help, true, ""},
        {{"--version", "--bogus"}, Action::Version, false, ""},
        {{"--write-icon", "/tmp/x.png"}, Action::WriteIcon, false, ""},
        {{"--simulat"}, Action::Error, false, ""},
        {{"-help"}, Action::Error, false, ""},
        {{"--simulate", "-x"}, Action::Error, true, ""},
        {{"simulate"}, Action::Error, false, ""},
        {{"-platform"}, Action::Error, false, ""},
        {{"--write-icon"}, Action::Error, false, ""},
        {{"-"}, Action::Error, false, ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (std::string_view a : c.args) {
            shown += std::string(a) + " ";
        }
        const CommandLine line = Parse(c.args);
        EXPECT_EQ(line.action, c.action) << shown;
        if (c.action == Action::Run) {
            EXPECT_EQ(line.simulate, c.simulate) << shown;
            EXPECT_EQ(line.slashOptions, c.slashOptions) << shown;
        }
        if (c.action == Action::Error) {
            EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line: " << shown;
            EXPECT_NE(line.error.find("Trovik: "), std::string::npos) << shown;
        }
    }
    EXPECT_EQ(Parse({"--write-icon", "/tmp/x.png"}).iconPath, "/tmp/x.png");
    EXPECT_NE(Parse({"--simulat"}).error.find("'--simulat'"), std::string::npos);
}

TEST(CommandLine, HelpNamesEveryOption) {
    const std::string help = HelpText("Trovik");
    for (const char* option : {"--simulate", "/DEBUG", "--help", "--version"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(help.back(), '\n');
}

TEST(CommandLine, ManualPageNamesEveryAcceptedOption) {
    std::ifstream in(TROVIK_MAN_PAGE);
    ASSERT_TRUE(in) << TROVIK_MAN_PAGE;
    std::ostringstream roff;
    roff << in.rdbuf();
    std::string page;  // roff's escaped minus read as a plain one
    for (const char c : roff.str()) {
        if (c == '-' && !page.empty() && page.back() == '\\') {
            page.back() = '-';
        } else {
            page += c;
        }
    }
    for (const std::string_view option : AcceptedOptions()) {
        // Whole words only: "-h" must not be found inside "--help".
        bool found = false;
        for (auto at = page.find(option); at != std::string::npos && !found;
             at = page.find(option, at + 1)) {
            const auto end = at + option.size();
            found = (at == 0 || page[at - 1] != '-') &&
                    (end == page.size() ||
                     !(std::isalnum(static_cast<unsigned char>(page[end])) || page[end] == '-'));
        }
        EXPECT_TRUE(found) << option;
    }
}

}  // namespace
}  // namespace trovik
