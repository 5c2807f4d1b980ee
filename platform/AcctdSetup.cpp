#include "platform/AcctdSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <fstream>
#include <utility>

#include "platform/AcctdSource.h"
#include "platform/SystemBus.h"

namespace trovik {
namespace {

constexpr int kAnswerTimeoutMs = 1000;
constexpr int kStartTimeoutMs = 5000;

// A mountinfo line's file system type is the first field after " - ".
bool MountsCgroup2(const std::string& mountinfo) {
    std::ifstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        const auto dash = line.find(" - ");
        if (dash != std::string::npos && line.compare(dash + 3, 8, "cgroup2 ") == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> AcctdSwitchArgv(bool on) {
    return {"pkexec", kAcctdSwitchScript, on ? "enable" : "disable"};
}

ExactSupport CheckExactSupport(const std::string& mountinfo, const std::string& bpfFs,
                               const std::string& bpfSysctl) {
    if (!MountsCgroup2(mountinfo)) {
        return ExactSupport::NoCgroup2;
    }
    struct stat st {};
    if (::stat(bpfFs.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(bpfSysctl.c_str(), R_OK) != 0) {
        return ExactSupport::NoBpf;
    }
    return ExactSupport::Available;
}

int ProcessRunner::Run(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return -1;
    }
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        arguments << QString::fromStdString(argv[i]);
    }
    // The application's child, so that one still running when the meter
    // ends goes with it.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    process->start(QString::fromStdString(argv[0]), arguments);
    if (!process->waitForStarted(kStartTimeoutMs)) {
        delete process;
        return -1;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return 0;
}

AcctdAccounting::AcctdAccounting(CommandRunner& commands, std::function<ExactSupport()> supported,
                                 std::function<bool()> answers)
    : runner(commands), support(std::move(supported)), answering(std::move(answers)) {}

bool AcctdAccounting::Answering() {
    return answering ? answering() : AcctdAnswers(BusChoice::System(), kAnswerTimeoutMs);
}

bool AcctdAccounting::Set(bool on) {
    return runner.Run(AcctdSwitchArgv(on)) == 0;
}

}  // namespace trovik
