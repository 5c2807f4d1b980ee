#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trovik {

// Fixed-size little-endian file images: explicit byte order, never structs
// dumped to disk.
inline void StoreLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline void StoreLE64(std::uint8_t* p, std::uint64_t v) {
    StoreLE32(p, static_cast<std::uint32_t>(v));
    StoreLE32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline std::uint16_t LoadLE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLE64(const std::uint8_t* p) {
    return LoadLE32(p) | (std::uint64_t{LoadLE32(p + 4)} << 32);
}

// Owns a file descriptor and closes it when it goes out of scope; a negative
// descriptor (a failed open) is never closed.
class ScopedFd {
public:
    explicit ScopedFd(int descriptor) : fd(descriptor) {}
    ~ScopedFd();
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    int Get() const { return fd; }
    // Closes now and reports whether the close succeeded (it may report a
    // delayed write error). The descriptor is given up either way.
    bool Close();

private:
    int fd;
};

// Reads up to buffer.size() bytes of an open file from `offset`, going on
// after short reads and interruptions; the count read (less at the end of
// the file), or nothing on a read error.
std::optional<std::size_t> ReadAt(int fd, std::span<std::uint8_t> buffer, std::int64_t offset);

// Reads the start of a file into `buffer`: at most buffer.size() bytes, the
// rest of the buffer left as it was (callers zero it first, so a short file
// reads as zeros after its end). Returns the number of bytes read, or nothing
// when the file cannot be opened (missing, a directory, a FIFO, a symbolic
// link, no permission).
std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<std::uint8_t> buffer);

enum class StoredFile : std::uint8_t {
    Read,      // the file's contents are in the image (a short file: zeros after its end)
    Missing,   // nothing of that name: the image is zero
    Unusable,  // something is there but cannot be read: the image is zero
};

// Reads a stored file into `image` after zeroing it. Telling a missing file
// from one that merely cannot be read keeps a writer from replacing a file it
// never saw.
StoredFile ReadStoredImage(const std::string& path, std::span<std::uint8_t> image);

// The length of a regular file (not followed through a link), or nothing
// when there is none.
std::optional<std::uint64_t> FileLength(const std::string& path);

enum class Durability : std::uint8_t {
    // The new contents reach the disk before the rename: after a power loss
    // the file holds either the old or the new contents.
    Synced,
    // Cheaper: atomic against a crash of the program, not of the machine.
    Unsynced,
};

// The length of the random part of a temporary file's name.
inline constexpr std::size_t kTempSuffixLength = 6;
// Between the record's name and those six characters: a marker no user
// types after a name of their own ("Trovik.LOG.backup" is theirs).
inline constexpr std::string_view kTempMarker = ".tmp-";

// Creates the temporary file that is to replace `path`: beside it, a dot,
// the file's name, ".tmp-" and six letters or digits (".Trovik.LOG.tmp-dKx15g":
// hidden, and a form no user picks), created exclusively (never through a link planted under
// that name) with the permissions of a new file of the user's. Returns its
// descriptor, opened for reading and writing, and its name in `temp`; -1
// when none could be made.
int CreateReplacement(const std::string& path, std::string& temp);

// Replaces the file's contents as a whole: the data goes to a temporary file
// made by CreateReplacement, which is then renamed over the old file, so a
// crash at any moment leaves either the old or the new file, never a short or
// mixed one. The file keeps the permission bits of the old one; a new file
// gets those of any new file of the user's. False when it could not be done;
// the old file is then intact and no temporary file is left behind.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 Durability durability);

// The same with the caller's string for the names it makes (the temporary
// file's, the directory's): kept from one call to the next, a write that
// recurs allocates nothing once the string has held the longest name.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> data, Durability durability,
                 std::string& scratch);

// Creates an empty file when none exists; true when a regular file exists
// afterwards. Nothing is created through a symbolic link.
bool EnsureFileExists(const std::string& path);

}  // namespace trovik
