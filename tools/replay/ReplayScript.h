#pragma once

#include <iosfwd>
#include <string>

namespace trovik {

// Runs a replay script against the real engine, with the program file path
// after which the data files are named. Output goes to `out`; a script error
// is described on `err` with its line number.
// Returns 0 when the script ran, 2 for a script error.
int RunReplayScript(const std::string& programPath, std::istream& script, std::ostream& out,
                    std::ostream& err);

}  // namespace trovik
