#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace trovik {

inline constexpr std::size_t kAppKeyCapacity = 96;
inline constexpr std::size_t kAppNameCapacity = 96;
inline constexpr std::size_t kAppIconCapacity = 160;

// Copies `text` into a fixed field, cut at a UTF-8 character's start so that
// the field stays valid text, and always NUL-terminated.
template <std::size_t N>
void CopyAppText(std::array<char, N>& field, std::string_view text) {
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        --n;
    }
    text.copy(field.data(), n);
    field[n] = '\0';
}

template <std::size_t N>
std::string_view AppText(const std::array<char, N>& field) {
    return std::string_view(field.data());
}

// The bytes an application moved, as a source attributed them. The key is
// what the application is known by across runs (a desktop id, an
// executable's name); the name and the icon are how it is shown.
struct AppBytes {
    std::array<char, kAppKeyCapacity> key{};
    std::array<char, kAppNameCapacity> name{};
    std::array<char, kAppIconCapacity>
        icon{};  // a theme icon's name or a file's path; may be empty
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

// How a source tells the applications apart: from the TCP sockets it can
// see without privileges (what moved over UDP and QUIC stays unattributed),
// or from the kernel's own counts per cgroup as a privileged helper serves
// them (every protocol).
enum class AppUsageKind : std::uint8_t {
    TcpOnly,
    Exact,
};

// The seam through which the meter learns which application moved the
// bytes of the counted links. The source does its work away from the
// meter's tick (its own thread); the tick only takes what it collected.
class AppUsageSource {
public:
    virtual ~AppUsageSource() = default;

    // Starts (true) or stops attributing; a stopped source attributes
    // nothing and holds nothing.
    virtual void Enable(bool on) = 0;

    // Moves the bytes attributed since the last call into `out`, one entry
    // per application, and returns how many entries it filled. What does not
    // fit stays for the next call. Never waits long and allocates nothing.
    virtual std::size_t TakeAttributed(std::span<AppBytes> out) = 0;

    // How the bytes taken now are attributed; may change while it runs.
    virtual AppUsageKind Kind() const { return AppUsageKind::TcpOnly; }
};

// A source for a meter without one: attributes nothing.
class NoAppUsageSource final : public AppUsageSource {
public:
    void Enable(bool) override {}
    std::size_t TakeAttributed(std::span<AppBytes>) override { return 0; }
};

}  // namespace trovik
