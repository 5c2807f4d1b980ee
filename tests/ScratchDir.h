#pragma once

// Files for tests: a fresh directory of the test's own under the system's
// temporary directory, and whole-file reads and writes inside it.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace trovik::testing {

// A directory made with mkdtemp under the system's temporary directory, named
// `prefix` and six random characters, and removed with everything in it when
// this ends. Throws std::system_error when it cannot be made, so a fixture
// fails rather than writing into a place it shares with others.
class ScratchDir {
public:
    explicit ScratchDir(std::string_view prefix = "trovik-test-") {
        std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        }
        dir = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir; }
    std::filesystem::path Path(const std::filesystem::path& name) const { return dir / name; }

    // The number of entries directly in the directory: tests use it to see
    // that no temporary file was left behind.
    std::size_t Entries() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir), {}));
    }

private:
    std::filesystem::path dir;
};

// Replaces the file's contents, making its missing parent directories first.
// Failures show in what the test reads back.
inline void WriteBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
inline void WriteText(const std::filesystem::path& file, std::string_view text) {
    WriteBytes(file, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The file's whole contents; empty when it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace trovik::testing
