#include "stats/Leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "stats/FileImage.h"

namespace trovik {
namespace {

// ".tmp-" and the six characters after the file's name.
constexpr std::size_t kTemporarySuffix = kTempMarker.size() + kTempSuffixLength;

bool IsTemplateCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The year part of a totals file's name as "_%04u" prints it: four digits,
// or more without a leading zero.
bool IsYearDigits(std::string_view digits) {
    if (digits.size() < 4 || digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(), IsDigit)) {
        return false;
    }
    return digits.size() == 4 || digits.front() != '0';
}

// Walks the directory and removes each regular file of this user whose name
// `matches` accepts.
template <typename Match>
std::size_t RemoveMatching(const std::string& directory, Match matches) {
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return 0;
    }
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return 0;
    }
    std::size_t removed = 0;
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!matches(name)) {
            continue;
        }
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != self) {
            continue;
        }
        if (::unlinkat(dirFd, entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);  // closes dirFd too
    return removed;
}

}  // namespace

bool IsTemporaryOf(std::string_view name, std::string_view file) {
    if (file.empty() || name.size() != 1 + file.size() + kTemporarySuffix || name.front() != '.' ||
        name.substr(1, file.size()) != file ||
        name.substr(1 + file.size(), kTempMarker.size()) != kTempMarker) {
        return false;
    }
    const std::string_view suffix = name.substr(name.size() - kTempSuffixLength);
    return std::all_of(suffix.begin(), suffix.end(), IsTemplateCharacter);
}

bool IsRecordTemporary(std::string_view name, std::string_view stem) {
    if (name.size() <= 1 + kTemporarySuffix) {
        return false;
    }
    const std::string_view file = name.substr(1, name.size() - 1 - kTemporarySuffix);
    if (!IsTemporaryOf(name, file) || !file.starts_with(stem)) {
        return false;
    }
    const std::string_view rest = file.substr(stem.size());
    if (rest == ".LOG" || rest == ".DAT" || rest == ".STA" || rest == ".QTA") {
        return true;
    }
    return rest.size() > 5 && rest.front() == '_' && rest.ends_with(".CUM") &&
           IsYearDigits(rest.substr(1, rest.size() - 5));
}

std::size_t RemoveRecordLeftovers(const DataFiles& files) {
    const std::string& stem = files.Stem();
    return RemoveMatching(files.Directory(),
                          [&stem](std::string_view name) { return IsRecordTemporary(name, stem); });
}

std::size_t RemoveFileLeftovers(const std::string& directory,
                                std::span<const std::string_view> names) {
    return RemoveMatching(directory, [names](std::string_view name) {
        return std::any_of(names.begin(), names.end(),
                           [name](std::string_view file) { return IsTemporaryOf(name, file); });
    });
}

}  // namespace trovik
