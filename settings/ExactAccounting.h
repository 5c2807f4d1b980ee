#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trovik {

// Why exact accounting per application (the privileged accounting helper)
// cannot be had on this machine, if it cannot.
enum class ExactSupport : std::uint8_t {
    Available,
    NoCgroup2,  // the unified cgroup hierarchy is not mounted
    NoBpf,      // the kernel offers no BPF
};

inline constexpr std::string_view kNoCgroup2Text = "cgroup v2 がないため使えません";
inline constexpr std::string_view kNoBpfText = "このカーネルでは BPF が使えません";

// Starts a program (argv[0], looked up in PATH) with its arguments; the
// result is 0 when it started, a negative number when it could not. It does
// not wait for it: the program's outcome shows in the system's state.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual int Run(const std::vector<std::string>& argv) = 0;
};

// The settings sheet's view of exact accounting: whether the machine can
// have it, whether the helper answers, and turning its service on or off
// (which asks for an administrator's consent). The state lives in the
// system's service manager, never in the settings file.
class ExactAccounting {
public:
    virtual ~ExactAccounting() = default;

    virtual ExactSupport Support() const = 0;
    // Asks the helper; blocks for up to about a second.
    virtual bool Answering() = 0;
    // Asks for the helper's service to be enabled and started (true) or
    // disabled and stopped; false when that could not even be asked. The
    // answer (consent or refusal) comes later, without the caller waiting:
    // Answering() tells it.
    virtual bool Set(bool on) = 0;
};

}  // namespace trovik
