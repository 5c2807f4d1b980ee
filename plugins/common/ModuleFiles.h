#pragma once

#include <string>
#include <string_view>

namespace trovik::plugin {

// The directory where a module keeps its settings file: the meter's data
// directory, which the host puts into TRVIK_DATA_DIR_ENV before Open and
// Config. A module loaded by a host that does not set it (or sets a relative
// path) applies the program's own rule to the running program's file
// (/proc/self/exe): its directory when writable, else the per-user data
// directory. The module's own directory plays no part. No trailing slash.
std::string ModuleDataDir();

// A file in that directory: ModuleDataDir() + "/" + fileName.
std::string ModuleDataPath(std::string_view fileName);

}  // namespace trovik::plugin
