#pragma once

// The scratch directory of a fuzz target, where each input is stored as the
// files the readers under test open.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

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

// Fails the run (libFuzzer reports it as a crash) when a check does not hold.
inline void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// A stored file's bytes, padded with zeros or cut to `size` bytes.
inline std::vector<std::uint8_t> Stored(const std::filesystem::path& path, std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return bytes;
}

// A little-endian 32-bit value, read independently of the code under test.
inline std::uint32_t Take32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace trovik::fuzz
