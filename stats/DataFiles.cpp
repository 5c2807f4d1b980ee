#include "stats/DataFiles.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "res/TextFormat.h"

namespace trovik {
namespace {

// Splits "/dir/Trovik.exe" into "/dir" and "Trovik". A leading dot of a file
// name (a hidden file) does not start an extension.
void SplitProgramPath(std::string_view path, std::string& directory, std::string& stem) {
    const auto slash = path.rfind('/');
    std::string_view name = path;
    if (slash == std::string_view::npos) {
        directory = ".";
    } else {
        directory = slash == 0 ? "/" : std::string(path.substr(0, slash));
        name = path.substr(slash + 1);
    }
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0) {
        name = name.substr(0, dot);
    }
    stem = std::string(name);
}

}  // namespace

std::string UserDataDirectory() {
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

std::string DemoDataDirectory() {
    return UserDataDirectory() + "/demo";
}

DataFiles DataFiles::ForProgram(std::string_view programPath) {
    std::string directory;
    std::string stem;
    SplitProgramPath(programPath, directory, stem);
    if (::access(directory.c_str(), W_OK | X_OK) != 0) {
        directory = UserDataDirectory();
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
    }
    return DataFiles(std::move(directory), std::move(stem));
}

DataFiles::DataFiles(std::string dir, std::string name)
    : directory(std::move(dir)), stem(std::move(name)) {
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
}

std::string DataFiles::Beside(std::string_view fileName) const {
    std::string path = directory;
    if (path != "/") {
        path += '/';
    }
    path += fileName;
    return path;
}

std::string DataFiles::WithExtension(std::string_view extension) const {
    return Beside(stem + "." + std::string(extension));
}

std::string DataFiles::CumulativePath(unsigned year) const {
    return Beside(stem + FormatText("_%04u.CUM", {year}));
}

}  // namespace trovik
