#include "plugins/common/ModuleFiles.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "ext/TrvikExtension.h"

namespace trovik::plugin {
namespace {

std::string UserDataDir() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    return base + "/Qanto/Vemaro";
}

// The directory of the shared object this code lives in.
std::string OwnDirectory() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&OwnDirectory), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    const std::string_view path = info.dli_fname;
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

}  // namespace

std::string ModuleDataDir() {
    std::string dir;
    if (const char* given = std::getenv(TRVIK_DATA_DIR_ENV); given != nullptr && given[0] == '/') {
        dir = given;
    } else {
        dir = OwnDirectory();
        if (dir.empty() || ::access(dir.c_str(), W_OK | X_OK) != 0) {
            dir = UserDataDir();
        }
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
