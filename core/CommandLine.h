#pragma once

// The program's command line, read before anything needs a display: the
// meter's own options, the Qt options it lets through, and the answers to
// --help and --version.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trovik {

struct CommandLine {
    enum class Action : std::uint8_t {
        Run,        // start the meter
        Help,       // print HelpText and exit 0
        Version,    // print the version line and exit 0
        WriteIcon,  // write the program icon to iconPath and exit (the build uses it)
        Error,      // print `error` on stderr and exit 2
    };
    Action action = Action::Run;
    bool simulate = false;
    // The "/" words, joined by blanks, for the "/DEBUG" scan.
    std::string slashOptions;
    std::string iconPath;
    std::string error;  // one line, without the newline
};

// Reads the arguments after the program name. Known: --simulate, --help
// (-h), --version, --write-icon PATH, words beginning with "/" (the DEBUG
// option; other such words are ignored), and Qt's own display options
// (-platform NAME, -display NAME, -style NAME, ...), which are left for Qt.
// Anything else is an error, so a mistyped option never starts the meter on
// the real line.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args, std::string_view program);

// Every option the parser takes, its own and Qt's (the manual page names
// each one).
std::vector<std::string_view> AcceptedOptions();

// The --help text, ending in a newline.
std::string HelpText(std::string_view program);

}  // namespace trovik
