#include "tools/replay/ReplayScript.h"

#include <charconv>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/Clock.h"
#include "core/DialupInfo.h"
#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"
#include "platform/QtSettingsBackend.h"
#include "res/TextFormat.h"
#include "settings/ChargeSettings.h"
#include "settings/SettingsStore.h"
#include "stats/Allowance.h"
#include "stats/BillingSummary.h"
#include "stats/Charges.h"
#include "stats/DataFiles.h"

namespace trovik {
namespace {

// A fault of the script itself; reported with its line number.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The simulated clock: tick n after start runs at T0 + 100 n ms, plus what
// sleeps, stops and changes of the clock added to each of the three clocks.
// The tick count is the time since boot, as the program's is.
class ReplayClock final : public Clock {
public:
    std::int64_t Now() override { return FloorDiv(NowMs(), 1000); }
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(BootMs()); }
    bool Read(ClockReading& now) override {
        now.wallMs = NowMs();
        now.monotonicMs = uptime + 100 * ticks + monotonicExtraMs;
        now.bootMs = BootMs();
        return true;
    }

    std::int64_t NowMs() const { return startMs + 100 * ticks + wallExtraMs; }
    std::int64_t BootMs() const { return uptime + 100 * ticks + bootExtraMs; }

    static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
    }

    std::int64_t startMs = 0;
    std::int64_t uptime = 3600000;
    std::int64_t ticks = 0;
    std::int64_t wallExtraMs = 0;
    std::int64_t monotonicExtraMs = 0;
    std::int64_t bootExtraMs = 0;
};

// Message boxes print their id (or text) and answer the scripted answer.
class ReplayMessages final : public MessageBoxes {
public:
    explicit ReplayMessages(std::ostream& output) : out(output) {}

    void Show(unsigned id, std::string_view text, MessageIcon) override { Print(id, text); }
    bool Ask(unsigned id, std::string_view text, MessageIcon) override {
        Print(id, text);
        return answerYes;
    }

    bool answerYes = true;

private:
    void Print(unsigned id, std::string_view text) {
        if (id != 0) {
            out << "message " << id << "\n";
        } else {
            out << "message \"" << text << "\"\n";
        }
        out.flush();
    }

    std::ostream& out;
};

// The simulated line's connection: at most one, of a device type; hanging
// up succeeds at once or is refused, as the script says.
class ReplayConnection final : public ConnectionControl {
public:
    bool IsModemConnected() override { return exists && type == "modem"; }
    bool HangUpModem() override {
        if (!IsModemConnected() || !hangUpAccepted) {
            return false;
        }
        exists = false;
        return true;
    }
    bool GetHostAddress(std::string& text) override {
        text = " Unknown";
        return false;
    }

    bool exists = false;
    std::string type;
    bool hangUpAccepted = true;
};

class ReplayPower final : public SystemPower {
public:
    explicit ReplayPower(std::ostream& output) : out(output) {}
    bool RequestShutdown() override {
        out << "shutdown\n";
        out.flush();
        return accepted;
    }
    bool accepted = true;

private:
    std::ostream& out;
};

// The window keeps the tray tip the engine last set, for `allowance`.
class ReplayWindow final : public HeadlessWindow {
public:
    void SetTrayTip(std::string_view tip) override { trayTip = std::string(tip); }
    std::string trayTip;
};

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i >= line.size() || line[i] == '#') {
            break;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

template <typename T>
T ParseNumber(std::string_view word) {
    T value{};
    const char* begin = word.data();
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || word.empty()) {
        throw ScriptError("bad number: " + std::string(word));
    }
    return value;
}

std::uint32_t ParseU32(std::string_view word) {
    return ParseNumber<std::uint32_t>(word);
}

// A 32-bit integer written signed or unsigned.
std::int32_t ParseInt32(std::string_view word) {
    const auto parsed = ParseStoredInt(word);
    if (!parsed || word.find_first_of(" \t") != std::string_view::npos) {
        throw ScriptError("bad number: " + std::string(word));
    }
    return static_cast<std::int32_t>(*parsed);
}

// "[SECTION/]NAME", the section defaulting to "Settings".
std::pair<std::string, std::string> SplitKey(std::string_view key) {
    const auto slash = key.find('/');
    if (slash == std::string_view::npos) {
        return {std::string(kSettingsSection), std::string(key)};
    }
    if (slash == 0 || slash + 1 == key.size()) {
        throw ScriptError("bad key: " + std::string(key));
    }
    return {std::string(key.substr(0, slash)), std::string(key.substr(slash + 1))};
}

// Values held as text rather than numbers, printed by `get` as they stand.
bool IsStringValue(std::string_view section, std::string_view name) {
    if (section == kSettingsSection) {
        return name == SettingKeyName(SettingKey::ExtDLL) ||
               name == SettingKeyName(SettingKey::Interfaces);
    }
    return section.starts_with("TollData") && name == "Description";
}

std::int64_t ParseRunLength(std::string_view word) {
    std::int64_t factor = 1;
    if (!word.empty()) {
        switch (word.back()) {
            case 's':
                factor = 10;
                break;
            case 'm':
                factor = 600;
                break;
            case 'h':
                factor = 36000;
                break;
            case 'd':
                factor = 864000;
                break;
            default:
                break;
        }
        if (factor != 1) {
            word.remove_suffix(1);
        }
    }
    return static_cast<std::int64_t>(ParseU32(word)) * factor;
}

// A duration as for `run`, with an optional sign ("+1d", "-1h", "+90s"),
// in milliseconds.
std::int64_t ParseSignedDuration(std::string_view word) {
    std::int64_t sign = 1;
    if (!word.empty() && (word.front() == '+' || word.front() == '-')) {
        sign = word.front() == '-' ? -1 : 1;
        word.remove_prefix(1);
    }
    return sign * ParseRunLength(word) * 100;
}

StatValue ParseStatName(std::string_view word) {
    StatValue v{};
    if (!StatValueFromName(word, v)) {
        throw ScriptError("unknown statistics value: " + std::string(word));
    }
    return v;
}

class Replay {
public:
    Replay(std::string programPath, std::ostream& output)
        : files(DataFiles::ForProgram(programPath)),
          out(output),
          messages(output),
          power(output),
          store(backend),
          programDir(ProgramDirOf(programPath)) {
        MakeEngine();
    }

    // Runs one line; false when the script must stop here.
    bool Execute(std::string_view line);

private:
    enum class Phase { BeforeStart, Running, Ended };

    void Expect(bool ok, const char* what) const {
        if (!ok) {
            throw ScriptError(what);
        }
    }
    void Args(const std::vector<std::string_view>& w, std::size_t n) const {
        Expect(w.size() == n + 1, "wrong number of arguments");
    }

    void SetClock(std::string_view date, std::string_view time);
    void Run(std::int64_t ticks);
    void Suspend(std::int64_t ms);
    void Freeze(std::int64_t ms);
    void Jump(std::int64_t ms);
    void Dump();
    void Allowance();
    void Restart(bool crash);
    void MakeEngine() {
        engine = std::make_unique<MeterEngine>(
            MeterEnv{source, store, clock, messages, connection, power, window, files, programDir});
    }
    void Get(std::string_view key);
    void Report(unsigned year, unsigned month, unsigned closeDay, unsigned type);
    void Info();

    DataFiles files;
    std::ostream& out;
    ReplayMessages messages;
    ReplayConnection connection;
    ReplayPower power;
    ReplayWindow window;
    ReplayClock clock;
    ScriptedCounterSource source;
    QtSettingsBackend backend;
    SettingsStore store;
    std::string programDir;
    std::unique_ptr<MeterEngine> engine;

    Phase phase = Phase::BeforeStart;
    bool clockSet = false;
    std::uint32_t rateSent = 0;
    std::uint32_t rateRecv = 0;
};

void Replay::SetClock(std::string_view date, std::string_view time) {
    LocalTime lt;
    auto field = [](std::string_view s, std::size_t pos, std::size_t len) {
        return ParseU32(s.substr(pos, len));
    };
    Expect(date.size() == 10 && date[4] == '-' && date[7] == '-', "bad date");
    Expect(time.size() == 8 && time[2] == ':' && time[5] == ':', "bad time");
    lt.year = field(date, 0, 4);
    lt.month = field(date, 5, 2);
    lt.day = field(date, 8, 2);
    lt.hour = field(time, 0, 2);
    lt.minute = field(time, 3, 2);
    lt.second = field(time, 6, 2);
    Expect(lt.month >= 1 && lt.month <= 12 && lt.hour < 24 && lt.minute < 60 && lt.second < 60,
           "bad date or time");
    std::int64_t t = 0;
    Expect(FromLocalTime(lt, t), "no such local time");
    clock.startMs = t * 1000;
    clockSet = true;
}

void Replay::Run(std::int64_t ticks) {
    for (std::int64_t i = 0; i < ticks; ++i) {
        source.Add(StatValue::BytesXmit, rateSent);
        source.Add(StatValue::BytesRecvd, rateRecv);
        ++clock.ticks;
        engine->Tick();
    }
}

// The machine sleeps: logind's word before and after, wall and boot time
// move on, the monotonic clock and the counters stand still.
void Replay::Suspend(std::int64_t ms) {
    engine->PrepareForSleep(true);
    clock.wallExtraMs += ms;
    clock.bootExtraMs += ms;
    engine->PrepareForSleep(false);
}

// The process stands still unannounced: every clock moves on, and so does
// the line, by the rate of every tick that did not run (in 64 bits, so the
// counters may wrap several times meanwhile).
void Replay::Freeze(std::int64_t ms) {
    const auto missed = static_cast<std::uint64_t>(ms / 100);
    source.Add(StatValue::BytesXmit, missed * rateSent);
    source.Add(StatValue::BytesRecvd, missed * rateRecv);
    clock.wallExtraMs += ms;
    clock.monotonicExtraMs += ms;
    clock.bootExtraMs += ms;
}

// The wall clock is set; the change is announced as the kernel does.
void Replay::Jump(std::int64_t ms) {
    clock.wallExtraMs += ms;
    engine->ClockChanged();
}

void Replay::Dump() {
    const std::int64_t ms = clock.NowMs();
    const LocalTime lt = ToLocalTime(ReplayClock::FloorDiv(ms, 1000));
    const auto tenth =
        static_cast<std::uint32_t>((ms - ReplayClock::FloorDiv(ms, 1000) * 1000) / 100);
    const ExtReading& r = engine->reading;
    const ErrorCounters& e = engine->errors;
    out << FormatText("dump time=%04u-%02u-%02u %02u:%02u:%02u.%u",
                      {lt.year, lt.month, lt.day, lt.hour, lt.minute, lt.second, tenth})
        << " RateTx=" << r.RateTx << " RateRx=" << r.RateRx << " PercentTx=" << r.PercentTx
        << " PercentRx=" << r.PercentRx << " TotalTx=" << r.TotalTx << " TotalRx=" << r.TotalRx
        << " connected=" << (engine->isConnected ? 1 : 0)
        << " connectCount=" << engine->connectCount << " connectSpeed=" << engine->connectSpeed
        << " autoDisconnects=" << engine->autoDisconnects << " idleSeconds=" << engine->idleSeconds
        << " offlineSeconds=" << engine->offlineSeconds
        << " shutdownCountdown=" << engine->shutdownCountdown << " errors=";
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        out << (k ? "," : "") << static_cast<std::uint32_t>(e.errLast[k] + e.errCarried[k]);
    }
    out << "\n";
    out.flush();
}

// The allowance as the meter counts it: the period, today's place in it,
// the use and the tray tip (its lines joined by " | ").
void Replay::Allowance() {
    const BillingPeriod& period = engine->UsePeriod();
    const Date first = PeriodFirstDay(period);
    const Date last = PeriodLastDay(period);
    const PeriodDays days = engine->UseDays();
    std::string tip = window.trayTip;
    for (auto at = tip.find('\n'); at != std::string::npos; at = tip.find('\n', at)) {
        tip.replace(at, 1, " | ");
    }
    out << FormatText("allowance period=%04u-%02u-%02u..%04u-%02u-%02u day=%u/%u used=%I64u",
                      {first.year, first.month, first.day, last.year, last.month, last.day,
                       days.elapsed, days.total, engine->PeriodUseKB()})
        << " tip=\"" << tip << "\"\n";
    out.flush();
}

// The meter ends and starts again on the same files, settings, clock and
// line; with `crash` it ends without its save, as a kill or a power loss
// leaves it.
void Replay::Restart(bool crash) {
    if (phase == Phase::Running && !crash) {
        engine->Destroy();
    }
    MakeEngine();
    window.trayTip.clear();
    phase = Phase::BeforeStart;
    if (engine->Start() == StartResult::Ended) {
        engine->Destroy();
        phase = Phase::Ended;
        return;
    }
    phase = Phase::Running;
}

void Replay::Get(std::string_view key) {
    const auto [section, name] = SplitKey(key);
    const auto raw = store.GetRaw(section, name);
    out << "get " << key << "=";
    if (raw) {
        if (IsStringValue(section, name)) {
            out << *raw;
        } else if (const auto number = ParseStoredInt(*raw)) {
            out << *number;
        }
    }
    out << "\n";
    out.flush();
}

void Replay::Report(unsigned year, unsigned month, unsigned closeDay, unsigned type) {
    // The dialog reads the type's name first, which installs the presets.
    (void)GetChargeTypeName(store, type);
    ChargeType charge;
    ReadChargeType(store, type, charge);
    CumulativeImage image;
    (void)ReadCumulativeYear(files, year, image);
    const BillingPeriod period = PeriodClosingIn(year, month, closeDay);
    const PeriodSummary s = SummarisePeriod(image, period, charge);
    out << "report first=" << period.firstRecord << " days=" << period.days
        << " weekday=" << period.firstWeekday << " total=\"" << s.total << "\" recv=\"" << s.recv
        << "\" sent=\"" << s.sent << "\" normalMin=\"" << s.normalMin << "\" discountMin=\""
        << s.discountMin << "\" normal=\"" << s.normal << "\" discount=\"" << s.discount
        << "\" sum=\"" << s.sum << "\"\n";
    out.flush();
}

void Replay::Info() {
    const DialupTexts texts = DialupInfoTexts(*engine);
    out << "info";
    for (std::size_t k = 0; k < kDialupFieldCount; ++k) {
        out << " " << kDialupFieldNames[k] << "=\"" << texts[k] << "\"";
    }
    out << "\n";
    out.flush();
}

bool Replay::Execute(std::string_view line) {
    const auto w = SplitWords(line);
    if (w.empty()) {
        return true;
    }
    const std::string_view cmd = w[0];

    if (phase == Phase::Ended) {
        Expect(cmd == "get" || cmd == "report" || cmd == "restart",
               "only get, report and restart may follow exit");
    }

    if (cmd == "clock") {
        Args(w, 2);
        Expect(phase == Phase::BeforeStart, "clock after start");
        SetClock(w[1], w[2]);
    } else if (cmd == "uptime") {
        Args(w, 1);
        Expect(phase == Phase::BeforeStart, "uptime after start");
        clock.uptime = static_cast<std::int64_t>(ParseU32(w[1]));
    } else if (cmd == "set") {
        Args(w, 2);
        const auto [section, name] = SplitKey(w[1]);
        store.PutSectionInt(section, name, ParseInt32(w[2]));
    } else if (cmd == "sets") {
        Expect(w.size() >= 2, "wrong number of arguments");
        const auto [section, name] = SplitKey(w[1]);
        // The text is the rest of the line after the key and its blanks.
        std::string_view rest =
            line.substr(static_cast<std::size_t>(w[1].data() + w[1].size() - line.data()));
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
            rest.remove_prefix(1);
        }
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) {
            rest.remove_suffix(1);
        }
        store.PutSectionString(section, name, rest);
    } else if (cmd == "counter") {
        Args(w, 2);
        source.Set(ParseStatName(w[1]), ParseU32(w[2]));
    } else if (cmd == "add") {
        Args(w, 2);
        source.Add(ParseStatName(w[1]), ParseU32(w[2]));
    } else if (cmd == "rate") {
        Args(w, 2);
        rateSent = ParseU32(w[1]);
        rateRecv = ParseU32(w[2]);
    } else if (cmd == "fail" || cmd == "heal") {
        Args(w, 1);
        const bool fails = cmd == "fail";
        if (w[1] == "StatKey") {
            source.openFails = fails;
        } else {
            source.SetFailing(ParseStatName(w[1]), fails);
        }
    } else if (cmd == "connect") {
        Expect(w.size() <= 2, "wrong number of arguments");
        connection.exists = true;
        connection.type = w.size() == 2 ? std::string(w[1]) : "modem";
    } else if (cmd == "disconnect") {
        Args(w, 0);
        connection.exists = false;
    } else if (cmd == "hangup" || cmd == "shutdown") {
        Args(w, 1);
        Expect(w[1] == "accept" || w[1] == "refuse", "expected accept or refuse");
        (cmd == "hangup" ? connection.hangUpAccepted : power.accepted) = w[1] == "accept";
    } else if (cmd == "answer") {
        Args(w, 1);
        Expect(w[1] == "yes" || w[1] == "no", "expected yes or no");
        messages.answerYes = w[1] == "yes";
    } else if (cmd == "start") {
        Args(w, 0);
        Expect(phase == Phase::BeforeStart, "start twice");
        Expect(clockSet, "start before clock");
        if (engine->Start() == StartResult::Ended) {
            engine->Destroy();
            phase = Phase::Ended;
            return false;
        }
        phase = Phase::Running;
    } else if (cmd == "command") {
        Args(w, 1);
        Expect(phase == Phase::Running, "command before start");
        const unsigned id = ParseU32(w[1]);
        Expect(id == kCmdClearData || id == kCmdDisconnectNow || id == kCmdCumulativeInfo ||
                   id == kCmdCancelShutdown,
               "unknown command id");
        engine->Command(id);
    } else if (cmd == "countdown-cancel") {
        Args(w, 0);
        Expect(phase == Phase::Running, "countdown-cancel before start");
        engine->CountdownCancelPressed();
    } else if (cmd == "run") {
        Args(w, 1);
        Expect(phase == Phase::Running, "run before start");
        Run(ParseRunLength(w[1]));
    } else if (cmd == "suspend" || cmd == "freeze") {
        Args(w, 1);
        Expect(phase == Phase::Running, "suspend or freeze before start");
        const std::int64_t ms = ParseRunLength(w[1]) * 100;
        if (cmd == "suspend") {
            Expect(ms >= 1000, "a suspend lasts at least 1s");
            Suspend(ms);
        } else {
            Freeze(ms);
        }
    } else if (cmd == "jump") {
        Args(w, 1);
        Expect(phase == Phase::Running, "jump before start");
        Jump(ParseSignedDuration(w[1]));
    } else if (cmd == "reset") {
        Args(w, 0);
        Expect(phase == Phase::Running, "reset before start");
        engine->resetRequested = true;
    } else if (cmd == "dump") {
        Args(w, 0);
        Expect(clockSet, "dump before clock");
        Dump();
    } else if (cmd == "allowance") {
        Args(w, 0);
        Expect(phase == Phase::Running, "allowance outside the run");
        Allowance();
    } else if (cmd == "restart") {
        Expect(w.size() == 1 || (w.size() == 2 && w[1] == "crash"), "expected restart [crash]");
        Expect(phase != Phase::BeforeStart, "restart before start");
        Restart(w.size() == 2);
    } else if (cmd == "info") {
        Args(w, 0);
        Expect(phase == Phase::Running, "info outside the run");
        Info();
    } else if (cmd == "get") {
        Args(w, 1);
        Get(w[1]);
    } else if (cmd == "report") {
        Args(w, 4);
        const unsigned month = ParseU32(w[2]);
        const unsigned closeDay = ParseU32(w[3]);
        Expect(month >= 1 && month <= 12, "month out of range");
        Expect(closeDay >= 1 && closeDay <= 28, "closing day out of range");
        Report(ParseU32(w[1]), month, closeDay, ParseU32(w[4]));
    } else if (cmd == "exit") {
        Args(w, 0);
        Expect(phase == Phase::Running, "exit before start");
        engine->Destroy();
        phase = Phase::Ended;
    } else {
        throw ScriptError("unknown command: " + std::string(cmd));
    }
    return true;
}

}  // namespace

int RunReplayScript(const std::string& programPath, std::istream& script, std::ostream& out,
                    std::ostream& err) {
    Replay replay(programPath, out);
    std::string line;
    unsigned lineNumber = 0;
    while (std::getline(script, line)) {
        ++lineNumber;
        try {
            if (!replay.Execute(line)) {
                break;
            }
        } catch (const ScriptError& e) {
            err << "trovik-replay: line " << lineNumber << ": " << e.what() << "\n";
            return 2;
        }
    }
    return 0;
}

}  // namespace trovik
