#include "stats/FileImage.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

namespace trovik {

ScopedFd::~ScopedFd() {
    if (fd >= 0) {
        ::close(fd);
    }
}

bool ScopedFd::Close() {
    const int f = fd;
    fd = -1;
    return f < 0 || ::close(f) == 0;
}

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The directory of `path` into `out`, reusing its room.
void DirectoryOf(const std::string& path, std::string& out) {
    const auto slash = path.rfind('/');
    out.clear();
    if (slash == std::string::npos) {
        out.push_back('.');
    } else {
        out.append(path, 0, slash == 0 ? 1 : slash);
    }
}

}  // namespace

std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<std::uint8_t> buffer) {
    // Non-blocking, so a FIFO under a data file's name cannot hang the
    // meter; it is refused below as no regular file. A link is refused too.
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return ReadAt(fd.Get(), buffer, 0);
}

std::optional<std::size_t> ReadAt(int fd, std::span<std::uint8_t> buffer, std::int64_t offset) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(fd, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

StoredFile ReadStoredImage(const std::string& path, std::span<std::uint8_t> image) {
    std::fill(image.begin(), image.end(), std::uint8_t{0});
    if (ReadFileInto(path, image)) {
        return StoredFile::Read;
    }
    // A read that failed half-way may have left part of the file behind.
    std::fill(image.begin(), image.end(), std::uint8_t{0});
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
        return StoredFile::Missing;
    }
    return StoredFile::Unusable;
}

std::optional<std::uint64_t> FileLength(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

int CreateReplacement(const std::string& path, std::string& temp) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::size_t kLetterCount = sizeof(kLetters) - 1;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::uint8_t noise[kTempSuffixLength] = {};
        if (::getrandom(noise, sizeof(noise), GRND_NONBLOCK) !=
            static_cast<ssize_t>(sizeof(noise))) {
            // Without the kernel's entropy, mix the clock and the attempt in:
            // the name need not be secret, O_EXCL keeps it safe.
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            std::uint64_t mix = static_cast<std::uint64_t>(now.tv_nsec) * 0x9E3779B97F4A7C15ull ^
                                static_cast<std::uint64_t>(attempt + ::getpid());
            for (std::uint8_t& b : noise) {
                b = static_cast<std::uint8_t>(mix);
                mix = (mix >> 8) | (mix << 56);
            }
        }
        const std::size_t slash = path.rfind('/');
        const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
        temp.assign(path, 0, nameAt);
        temp += '.';
        temp.append(path, nameAt);
        temp += kTempMarker;
        for (const std::uint8_t b : noise) {
            temp += kLetters[b % kLetterCount];
        }
        // O_EXCL creates a new file or fails, even for a link planted under
        // the name; 0666 leaves the umask to take away what the user wants.
        const int fd =
            ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 Durability durability) {
    std::string scratch;
    return ReplaceFile(path, data, durability, scratch);
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> data, Durability durability,
                 std::string& scratch) {
    std::string& temp = scratch;
    ScopedFd fd(CreateReplacement(path, temp));
    if (fd.Get() < 0) {
        return false;
    }
    // The file keeps the permissions its owner gave it.
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        (void)::fchmod(fd.Get(), old.st_mode & 07777);
    }

    bool ok = WriteAll(fd.Get(), data);
    if (ok && durability == Durability::Synced) {
        ok = ::fsync(fd.Get()) == 0;
    }
    ok = fd.Close() && ok;
    if (ok) {
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (durability == Durability::Synced) {
        // Makes the rename itself durable.
        DirectoryOf(path, temp);
        ScopedFd dir(::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Get() >= 0) {
            (void)::fsync(dir.Get());
        }
    }
    return true;
}

bool EnsureFileExists(const std::string& path) {
    // Never through a link, and never blocking on a FIFO.
    ScopedFd fd(
        ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    struct stat st {};
    return fd.Get() >= 0 && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && fd.Close();
}

}  // namespace trovik
