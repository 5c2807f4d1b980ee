// Trovik: the meter program. Starts as the one meter of this user (a second
// start raises the first), on the line's counters or, with --simulate, on a
// simulated dial-up line whose records go to a demo folder.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "core/SimulatedLine.h"
#include "core/Startup.h"
#include "ext/ExtDllHost.h"
#include "platform/LinuxConnectionControl.h"
#include "platform/LinuxCounterSource.h"
#include "platform/LogindPower.h"
#include "platform/QtSettingsBackend.h"
#include "platform/SingleInstance.h"
#include "settings/SettingsStore.h"
#include "stats/DataFiles.h"
#include "ui/CMeterDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/TrayImages.h"

namespace {

using namespace trovik;

// The real clock: calendar seconds and the milliseconds since boot.
class SystemClock final : public Clock {
public:
    std::int64_t Now() override { return static_cast<std::int64_t>(::time(nullptr)); }
    std::uint32_t TickCount() override {
        timespec ts{};
        ::clock_gettime(CLOCK_BOOTTIME, &ts);
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                          static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
    }
};

// The simulated line never shuts the machine down: it refuses, and the meter
// logs the refusal as it would a real one.
class NoPowerOff final : public SystemPower {
public:
    bool RequestShutdown() override { return false; }
};

// Message boxes before the meter window exists.
class EarlyMessages final : public MessageBoxes {
public:
    void Show(unsigned, std::string_view text, MessageIcon) override {
        QMessageBox::critical(nullptr, QStringLiteral("Vemaro"),
                              QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    bool Ask(unsigned, std::string_view, MessageIcon) override { return false; }
};

// SIGTERM (a logout, a service manager) and SIGINT end the meter as its
// close box does, with the save: the handler only writes a byte that the
// event loop picks up.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    (void)!::write(signalPipe[1], &byte, 1);
}

std::string HelpPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/help/index.html"),
                                     dir + QStringLiteral("/../share/trovik/help/index.html")}) {
        if (QFileInfo::exists(candidate)) {
            return QFileInfo(candidate).absoluteFilePath().toStdString();
        }
    }
    return (dir + QStringLiteral("/help/index.html")).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    // Used by the build to make the desktop icon; needs no display.
    if (argc == 3 && std::string_view(argv[1]) == "--write-icon") {
        return SaveProgramIconPng(QString::fromLocal8Bit(argv[2]), 64) ? 0 : 1;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutes();

    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool simulate = args.contains(QStringLiteral("--simulate"));

    QtSettingsBackend backend;
    SettingsStore settings(backend);
    EarlyMessages early;
    const bool anotherMeter = PingRunningMeter(1000);
    const StartupDecision decision = DecideStartup(args.join(QLatin1Char(' ')).toStdString(),
                                                   anotherMeter, true, settings, early);
    if (!decision.run) {
        return 0;
    }

    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    DataFiles files = DataFiles::ForProgram(program);
    if (simulate) {
        // Demo records never mix with the real ones.
        const std::string demo = UserDataDirectory() + "/demo";
        QDir().mkpath(QString::fromStdString(demo));
        files = DataFiles(demo, "Trovik");
    }

    SystemClock clock;
    std::unique_ptr<SimulatedLine> simulated;
    std::unique_ptr<LinuxCounterSource> counters;
    std::unique_ptr<LinuxConnectionControl> connection;
    NoPowerOff noPowerOff;
    LogindPower logind;
    CounterSource* source = nullptr;
    ConnectionControl* control = nullptr;
    SystemPower* power = nullptr;
    if (simulate) {
        simulated = std::make_unique<SimulatedLine>();
        source = simulated.get();
        control = simulated.get();
        power = &noPowerOff;
    } else {
        const auto names = ParseInterfaceList(settings.GetString(SettingKey::Interfaces));
        counters = std::make_unique<LinuxCounterSource>(names);
        connection = std::make_unique<LinuxConnectionControl>(*counters, names);
        source = counters.get();
        control = connection.get();
        power = &logind;
    }

    MeterWindowOptions options;
    options.layoutTemplate = decision.layoutTemplate;
    options.debugMode = decision.debugMode;
    options.helpPath = HelpPath();
    // Where ExtDLL is loaded from and the settings sheet lists the modules.
    options.programDir = ProgramDir();
    options.version = TROVIK_VERSION;
    CMeterDlg meter(options, *source, settings, clock, *control, *power, files);
    meter.show();

    InstanceListener listener;
    listener.Listen([&meter] { meter.Raise(); });

    if (!meter.Initialise()) {
        return 2;
    }

    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &meter,
                         [&meter] { meter.close(); });
        struct sigaction action {};
        action.sa_handler = OnSignal;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGINT, &action, nullptr);
    }
    return app.exec();
}
