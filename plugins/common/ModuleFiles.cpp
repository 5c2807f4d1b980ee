#include "plugins/common/ModuleFiles.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "ext/TrvikExtension.h"
#include "stats/DataFiles.h"

namespace trovik::plugin {
namespace {

// The path of the shared object this code lives in.
std::string OwnPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&OwnPath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

}  // namespace

std::string ModuleDataDir() {
    std::string dir;
    if (const char* given = std::getenv(TRVIK_DATA_DIR_ENV); given != nullptr && given[0] == '/') {
        dir = given;
    } else {
        // Loaded by a host that did not say: the program's own rule, applied
        // to this module's file (beside it when writable, else the per-user
        // data directory).
        dir = DataFiles::ForProgram(OwnPath()).Directory();
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
