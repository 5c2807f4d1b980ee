#pragma once

// The scratch directory of a fuzz target, where each input is stored as the
// files the readers under test open.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace trovik::fuzz {

// The process's scratch directory, made with mkdtemp on the first call as
// `prefix` and six random characters under the system's temporary directory
// (later calls return the same one); the fuzzer stops when it cannot be made.
// It is removed with what it holds when the process exits normally; a crash
// leaves it for study.
inline const std::filesystem::path& ScratchDirectory(const char* prefix) {
    static const std::filesystem::path dir = [prefix] {
        std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    static const bool removal = std::atexit([] {
                                    std::error_code ignored;
                                    std::filesystem::remove_all(dir, ignored);
                                }) == 0;
    (void)removal;
    return dir;
}

}  // namespace trovik::fuzz
