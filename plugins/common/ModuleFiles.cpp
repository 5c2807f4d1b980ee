#include "plugins/common/ModuleFiles.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ext/TrvikExtension.h"
#include "stats/DataFiles.h"

namespace trovik::plugin {

std::string ModuleDataDir() {
    std::string dir;
    if (const char* given = std::getenv(TRVIK_DATA_DIR_ENV); given != nullptr && given[0] == '/') {
        dir = given;
    } else {
        // Loaded by a host that did not say: the program's own rule, applied
        // to the running program's file (beside it when writable, else the
        // per-user data directory), wherever this module lies.
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        dir = DataFiles::ForProgram(error ? std::string("./program") : self.string()).Directory();
    }
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    return dir;
}

std::string ModuleDataPath(std::string_view fileName) {
    std::string path = ModuleDataDir();
    if (path != "/") {
        path += '/';
    }
    path += fileName;
    return path;
}

}  // namespace trovik::plugin
