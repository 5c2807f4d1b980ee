#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsBackend.h"
#include "stats/Calendar.h"

namespace trovik {

// The records from a terminal, without a display:
//   trovik [--simulate] --report [--apps] [YEAR MONTH]
//   trovik [--simulate] --export csv|json [--apps] [--year YEAR]
// (--apps: the usage per application instead of the line's records)
// With --simulate, the demo's records; else those the meter writes on this
// machine. Nothing is written: not the records, not the settings.

// What a records command reads besides its arguments.
struct RecordsCommandEnv {
    std::string programPath;  // the data files are named after it and found by its folder
    SettingsBackend& settings;
    LocalTime today;
    std::ostream& out;
    std::ostream& err;
    std::string dataDirectory = {};  // given: the records are there (the demo's), named Trovik
};

// Runs the command when `args` (without the program name) is one; its exit
// status: 0 done, 1 with a message on `err` (bad arguments, records that
// cannot be read). Nothing when the arguments are not a records command.
std::optional<int> RunRecordsCommand(const std::vector<std::string>& args,
                                     const RecordsCommandEnv& env);

// The same for the program's main, before anything of Qt's GUI exists: the
// program file from /proc/self/exe, the user's settings file, the local
// date, standard output and error.
std::optional<int> RunRecordsCommand(int argc, char** argv);

}  // namespace trovik
