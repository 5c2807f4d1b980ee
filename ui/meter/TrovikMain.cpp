// Trovik: the meter program. Starts as the one meter of this user (a second
// start raises the first), on the line's counters or, with --simulate, on a
// simulated dial-up line whose records go to a demo folder.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/CommandLine.h"
#include "core/SimulatedLine.h"
#include "core/Startup.h"
#include "ext/ExtDllHost.h"
#include "platform/AcctdSetup.h"
#include "platform/AcctdSource.h"
#include "platform/AppNaming.h"
#include "platform/AppUsageSources.h"
#include "platform/AppUsageWatch.h"
#include "platform/Autostart.h"
#include "platform/ClockWatch.h"
#include "platform/DesktopNotifier.h"
#include "platform/EndSignals.h"
#include "platform/LinkServices.h"
#include "platform/LinuxConnectionControl.h"
#include "platform/LinuxCounterSource.h"
#include "platform/LogindPower.h"
#include "platform/QtSettingsBackend.h"
#include "platform/SingleInstance.h"
#include "platform/SleepWatch.h"
#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"
#include "stats/DataFiles.h"
#include "tools/records/RecordsCommand.h"
#include "ui/common/DialogBuilder.h"
#include "ui/meter/CMeterDlg.h"
#include "ui/meter/TrayImages.h"

namespace {

using namespace trovik;

std::int64_t ClockMs(clockid_t id) {
    timespec ts{};
    ::clock_gettime(id, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The real clock: calendar seconds and the milliseconds since boot, and the
// three clocks by which the meter tells a sleep, a stop or a clock change.
class SystemClock final : public Clock {
public:
    std::int64_t Now() override { return static_cast<std::int64_t>(::time(nullptr)); }
    std::uint32_t TickCount() override {
        return static_cast<std::uint32_t>(ClockMs(CLOCK_BOOTTIME));
    }
    bool Read(ClockReading& now) override {
        now.wallMs = ClockMs(CLOCK_REALTIME);
        now.monotonicMs = ClockMs(CLOCK_MONOTONIC);
        now.bootMs = ClockMs(CLOCK_BOOTTIME);
        return true;
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
    void Show(unsigned, std::string_view text, MessageIcon icon) override {
        const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        if (icon == MessageIcon::Stop) {
            QMessageBox::critical(nullptr, QStringLiteral("Vemaro"), message);
        } else {
            QMessageBox::warning(nullptr, QStringLiteral("Vemaro"), message);
        }
    }
    bool Ask(unsigned, std::string_view, MessageIcon) override { return false; }
};

std::string HelpPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/help/index.html"),
                                     dir + QStringLiteral("/../share/trovik/help/index.html")}) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).absoluteFilePath().toStdString();
        }
    }
    return (dir + QStringLiteral("/help/index.html")).toStdString();
}

// Answers the command line before anything needs a display: the meter
// starts only on a command line it fully understood.
bool RunsTheMeter(int argc, char** argv, int& status, CommandLine& line) {
    const std::string_view program = "Trovik";
    std::vector<std::string_view> args(argv + 1, argv + argc);
    line = ParseCommandLine(args, program);
    switch (line.action) {
        case CommandLine::Action::Run:
            return true;
        case CommandLine::Action::Help:
            std::cout << HelpText(program);
            status = 0;
            return false;
        case CommandLine::Action::Version:
            std::cout << program << ' ' << TROVIK_VERSION << '\n';
            status = 0;
            return false;
        case CommandLine::Action::WriteIcon:
            status = SaveProgramIconPng(QString::fromLocal8Bit(line.iconPath.c_str()), 64) ? 0 : 1;
            return false;
        case CommandLine::Action::Error:
            std::cerr << line.error << '\n';
            status = 2;
            return false;
    }
    return false;
}

// Where an X display is reachable (XWayland in a Wayland session) the meter
// takes it, falling back to Wayland: keeping above the other windows and a
// position of its own need X. A platform the user chose stays.
void ChoosePlatform(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=")) {
            return;
        }
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    }
}

// While the application object is made: Qt's word that no platform could
// start is one clear line and exit status 1, not an abort; what it says
// while trying is not shown.
void PlatformStartMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        return;
    }
    const QString first = message.section(QLatin1Char('\n'), 0, 0).trimmed();
    std::cerr << "Trovik: 画面に表示できません。ディスプレイ (DISPLAY か WAYLAND_DISPLAY) と"
                 "Qt の表示のプラグインを確かめてください ("
              << first.toStdString() << ")\n";
    std::cerr.flush();
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    // --report and --export read the records from a terminal: no display,
    // no second meter, nothing written.
    if (const auto exitCode = RunRecordsCommand(argc, argv)) {
        return *exitCode;
    }
    CommandLine line;
    if (int status = 0; !RunsTheMeter(argc, argv, status, line)) {
        return status;
    }
    ChoosePlatform(argc, argv);
    qInstallMessageHandler(PlatformStartMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutes();
    (void)InstallQtJapanese();

    // On a signal nobody waits at the screen: the loops end at once (also a
    // message box's), and the save after them asks nothing. Caught from here
    // on, so a signal during the start still ends the meter with its save:
    // the byte waits until an event loop runs.
    bool endedBySignal = false;
    CMeterDlg* running = nullptr;
    const EndSignals endSignals([&running, &endedBySignal] {
        endedBySignal = true;
        if (running != nullptr) {
            running->StopAsking();
        }
        QCoreApplication::exit(0);
    });

    const bool simulate = line.simulate;

    QtSettingsBackend backend;
    SettingsStore settings(backend);
    EarlyMessages early;
    // Nothing in place yet (no file, no FIFO): this profile's first start.
    const bool firstStart =
        !backend.Refused() && !QFileInfo::exists(QString::fromStdString(backend.FileName()));
    if (backend.Refused()) {
        const std::string text = SettingsFileRefusedText(backend.FileName());
        std::cerr << text << '\n';
        early.Show(0, text, MessageIcon::Exclamation);
    }
    // Decided under a lock before anything else is touched: a second meter
    // would rewrite the same records.
    MeterInstance instance;
    const bool anotherMeter = !instance.Claim(1000);
    const StartupDecision decision =
        DecideStartup(line.slashOptions, anotherMeter, true, settings, early);
    if (!decision.run) {
        return 0;
    }
    if (firstStart) {
        WriteFirstStartDefaults(settings);
    }

    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const DataFiles programFiles = DataFiles::ForProgram(program);
    DataFiles files = programFiles;
    if (simulate) {
        // Demo records never mix with the real ones; the modules' settings
        // are configuration and stay where a normal run keeps them.
        const std::string demo = DemoDataDirectory();
        QDir().mkpath(QString::fromStdString(demo));
        files = DataFiles(demo, "Trovik");
    }

    SystemClock clock;
    std::unique_ptr<SimulatedLine> simulated;
    ServiceLinkBoard serviceLinks;
    std::unique_ptr<LinuxCounterSource> counters;
    std::unique_ptr<LinuxConnectionControl> connection;
    std::unique_ptr<LinkServiceWatch> serviceWatch;
    CountedLinkBoard countedLinks;
    std::unique_ptr<AppUsageSources> appSources;
    ProcessRunner commands;
    AcctdAccounting exactAccounting(commands);
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
        // Which links count is chosen from the `Interfaces` setting (handed
        // over by the meter at its start and at every change) and from what
        // NetworkManager and ModemManager report.
        counters = std::make_unique<LinuxCounterSource>(
            std::vector<std::string>{}, "/sys/class/net", nullptr, nullptr, &serviceLinks);
        connection = std::make_unique<LinuxConnectionControl>(*counters);
        serviceWatch = std::make_unique<LinkServiceWatch>(serviceLinks);
        // The usage per application follows the links the counter source
        // counts: from the accounting helper on the system bus while it
        // answers, else from the TCP sockets; the sources start their
        // threads only when the AppUsage setting is on.
        counters->PublishCountedLinks(&countedLinks);
        appSources = std::make_unique<AppUsageSources>(
            std::make_unique<AcctdSource>(countedLinks, std::make_unique<AppNamer>()),
            std::make_unique<AppUsageWatch>(countedLinks, std::make_unique<AppNamer>()));
        source = counters.get();
        control = connection.get();
        power = &logind;
    }

    MeterWindowOptions options;
    options.layoutTemplate = decision.layoutTemplate;
    options.debugMode = decision.debugMode;
    options.helpPath = HelpPath();
    options.version = TROVIK_VERSION;
    // Where ExtDLL is loaded from and the settings sheet lists the modules.
    options.programDir = ProgramDir();
    options.moduleDataDir = programFiles.Directory();
    // The settings sheet's "start at login" box is the desktop's autostart
    // entry for this program file.
    AutostartEntry autostart(AutostartEntryPath(), program);
    options.loginStart = &autostart;
    // Made before the meter, so it outlives the meter's save at its end.
    DesktopNotifier notifier;
    options.apps = simulate ? static_cast<AppUsageSource*>(simulated.get()) : appSources.get();
    // The simulated line has no helper to switch.
    options.exact = simulate ? nullptr : &exactAccounting;
    CMeterDlg meter(options, *source, settings, clock, *control, *power, files);
    meter.Engine().UseNotifier(notifier);
    running = &meter;
    meter.show();

    instance.OnRaise([window = QPointer<CMeterDlg>(&meter)] {
        if (window) {
            window->Raise();
        }
    });

    if (!meter.Initialise()) {
        return 2;
    }
    // Sleeps and settings of the wall clock, heard once the meter runs (the
    // tick also finds both by its clocks, these only make it exact).
    MeterEngine& engine = meter.Engine();
    SleepWatch sleepWatch([&engine](bool sleeping) { engine.PrepareForSleep(sleeping); });
    ClockWatch clockWatch([&engine] { engine.ClockChanged(); });
    // A signal taken inside a message box of the start has ended that box's
    // loop already; the main loop is not entered then.
    const int status = endedBySignal ? 0 : app.exec();
    if (endedBySignal) {
        meter.EndWithoutAsking();
    }
    running = nullptr;
    return status;
}
