#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/ExactAccounting.h"

namespace trovik {

// The script, run as root through polkit, that enables or disables the
// helper's service ("enable" or "disable" as its one argument).
inline constexpr const char* kAcctdSwitchScript = "/usr/lib/trovik/trovik-acctd-enable";

// pkexec, the script and "enable" or "disable".
std::vector<std::string> AcctdSwitchArgv(bool on);

// What the helper needs of the kernel, told from what an unprivileged
// process can see: the unified cgroup hierarchy is mounted (a "cgroup2"
// file system in `mountinfo`), and the kernel has BPF: its BPF file system's
// mount point is there (`bpfFs`) and its sysctl of unprivileged BPF can be
// read (`bpfSysctl`, present only in kernels built with the bpf system
// call). The helper's own loading of its program may still fail; then it
// does not answer. The paths are parameters so that tests use trees of
// their own.
ExactSupport CheckExactSupport(
    const std::string& mountinfo = "/proc/self/mountinfo", const std::string& bpfFs = "/sys/fs/bpf",
    const std::string& bpfSysctl = "/proc/sys/kernel/unprivileged_bpf_disabled");

// Starts the program as a child of this process and lets the event loop go
// on while it runs: pkexec waits for the polkit agent's own window as long as
// the user takes, and the meter goes on counting meanwhile. The child stays
// this process's own (pkexec refuses an orphan), is reaped when it ends,
// and ends with the application.
class ProcessRunner final : public CommandRunner {
public:
    int Run(const std::vector<std::string>& argv) override;
};

// Exact accounting as the program offers it: the support checked and the
// helper asked when the sheet asks, the service switched through `runner`.
class AcctdAccounting final : public ExactAccounting {
public:
    explicit AcctdAccounting(
        CommandRunner& runner,
        std::function<ExactSupport()> support = [] { return CheckExactSupport(); },
        std::function<bool()> answering = {});

    ExactSupport Support() const override { return support(); }
    bool Answering() override;
    bool Set(bool on) override;

private:
    CommandRunner& runner;
    std::function<ExactSupport()> support;
    std::function<bool()> answering;
};

}  // namespace trovik
