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

// Runs a program (argv[0], looked up in PATH) with its arguments and waits
// for it; the result is its exit status, or a negative number when it could
// not be run or did not exit normally.
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
    // Enables and starts (true) or disables and stops the helper's service;
    // false when that was refused or failed.
    virtual bool Set(bool on) = 0;
};

}  // namespace trovik
