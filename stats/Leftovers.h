#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "stats/DataFiles.h"

namespace trovik {

// A file is replaced through a temporary file beside it, named after it: a
// dot, the file's name, ".tmp-" and six characters from A-Z, a-z and 0-9
// (".Trovik_2026.CUM.tmp-dKx15g"). A crash or a power loss between making it
// and the rename leaves it behind. These routines find and remove such
// leftovers at start, while nothing else of this user's meter writes. Only
// that form goes: a user's own "Trovik_2026.CUM.backup" stays, and so do
// leftovers of the form older versions used.

// True when `name` (a file name without directory) is a temporary file of
// `file`: exactly a dot, `file`, ".tmp-" and six such characters.
bool IsTemporaryOf(std::string_view name, std::string_view file);

// True when `name` is a temporary file of one of the meter's records under
// `stem`: the log, the graph snapshot, the weekly scope, the allowance's
// state, or the totals of any year as the writer names them ("_%04u.CUM").
bool IsRecordTemporary(std::string_view name, std::string_view stem);

// Removes the temporary files of the records from their directory; nothing
// else in it is touched. Only regular files owned by this user go (no links,
// directories or other users' files). Returns the number removed.
std::size_t RemoveRecordLeftovers(const DataFiles& files);

// The same for the files of the given names in `directory` (the modules'
// settings files in the data directory).
std::size_t RemoveFileLeftovers(const std::string& directory,
                                std::span<const std::string_view> names);

}  // namespace trovik
