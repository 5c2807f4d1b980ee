#include "stats/FileImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<std::uint8_t> buffer) {
    // Non-blocking, so a FIFO under a data file's name cannot hang the
    // meter; it is refused below as no regular file.
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 Durability durability) {
    std::string temp = path + ".XXXXXX";
    ScopedFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        return false;
    }
    // mkostemp creates 0600; the records are the user's ordinary files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd.Get(), static_cast<mode_t>(0666 & ~mask));

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
        ScopedFd dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Get() >= 0) {
            (void)::fsync(dir.Get());
        }
    }
    return true;
}

bool EnsureFileExists(const std::string& path) {
    if (FileLength(path)) {
        return true;
    }
    ScopedFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    return fd.Get() >= 0 && fd.Close();
}

}  // namespace trovik
