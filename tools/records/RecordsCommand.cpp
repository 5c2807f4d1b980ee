#include "tools/records/RecordsCommand.h"

#include <unistd.h>

#include <charconv>
#include <ctime>
#include <iostream>
#include <memory>
#include <string_view>

#include "platform/QtSettingsBackend.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "settings/AllowanceSettings.h"
#include "settings/ChargeSettings.h"
#include "settings/SettingsStore.h"
#include "stats/Allowance.h"
#include "stats/AppUsageDb.h"
#include "stats/AppUsageExport.h"
#include "stats/Charges.h"
#include "stats/RecordsExport.h"

namespace trovik {
namespace {

constexpr std::string_view kUsage =
    "使い方: trovik --report [--apps] [年 月]\n"
    "        trovik --export csv|json [--apps] [--year 年]\n";

// The user's settings as they stand, with anything the commands would store
// (the charge presets written on first use) kept in memory only.
class ReadOnlySettings final : public SettingsBackend {
public:
    explicit ReadOnlySettings(SettingsBackend& stored) : real(stored) {}

    std::optional<std::string> Read(std::string_view section, std::string_view name) override {
        if (auto value = overlay.Read(section, name)) {
            return value;
        }
        return real.Read(section, name);
    }
    bool Write(std::string_view section, std::string_view name, std::string_view value) override {
        return overlay.Write(section, name, value);
    }

private:
    SettingsBackend& real;
    MemorySettingsBackend overlay;
};

std::optional<unsigned> ParseNumber(std::string_view text, unsigned min, unsigned max) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<unsigned> ParseYear(std::string_view text) {
    return ParseNumber(text, 1000, 9999);
}

int Fail(const RecordsCommandEnv& env, std::string_view message) {
    env.err << "trovik: " << message << "\n";
    return 1;
}

int Usage(const RecordsCommandEnv& env, std::string_view problem) {
    env.err << "trovik: " << problem << "\n" << kUsage;
    return 1;
}

DataFiles Files(const RecordsCommandEnv& env) {
    if (!env.dataDirectory.empty()) {
        return DataFiles(env.dataDirectory, "Trovik");
    }
    return DataFiles::ForProgram(env.programPath);
}

// The format and the year of an --export; a usage error's status otherwise.
std::optional<int> ParseExport(const std::vector<std::string>& args, const RecordsCommandEnv& env,
                               ExportFormat& format, unsigned& year) {
    if (args.size() != 2 && args.size() != 4) {
        return Usage(env, "--export には形式 (csv か json) を指定してください");
    }
    if (args[1] == "csv") {
        format = ExportFormat::Csv;
    } else if (args[1] == "json") {
        format = ExportFormat::Json;
    } else {
        return Usage(env, "形式は csv か json です: " + args[1]);
    }
    year = env.today.year;
    if (args.size() == 4) {
        const auto parsed = args[2] == "--year" ? ParseYear(args[3]) : std::nullopt;
        if (!parsed) {
            return Usage(env, "年は --year 2026 のように指定してください");
        }
        year = *parsed;
    }
    return std::nullopt;
}

// The year and the month of the period a --report is of (the month it
// closes in); a usage error's status otherwise.
std::optional<int> ParseReport(const std::vector<std::string>& args, const RecordsCommandEnv& env,
                               unsigned closeDay, unsigned& year, unsigned& month) {
    if (args.size() != 1 && args.size() != 3) {
        return Usage(env, "--report には年と月を両方指定するか、どちらも指定しないでください");
    }
    if (args.size() == 3) {
        const auto y = ParseYear(args[1]);
        const auto m = ParseNumber(args[2], 1, 12);
        if (!y || !m) {
            return Usage(env, "年と月は 2026 12 のように指定してください");
        }
        year = *y;
        month = *m;
    } else {
        const BillingPeriod today = CurrentBillingPeriod(env.today, closeDay);
        year = today.year;
        month = today.month + 1;
    }
    return std::nullopt;
}

// Opens the record of the usage per application for reading; a failure's
// status (with its message) otherwise. Off means it is not read.
std::optional<int> OpenAppUsage(const RecordsCommandEnv& env, AppUsageDb& db) {
    ReadOnlySettings backend(env.settings);
    const SettingsStore store(backend);
    if (!store.GetBool(SettingKey::AppUsage, true)) {
        return Fail(env, "アプリ別の通信量の記録はオフです (設定の「その他」ページで切り替えます)");
    }
    const std::string path = Files(env).AppUsagePath();
    switch (db.Open(path, true)) {
        case AppUsageDb::OpenResult::Open:
            return std::nullopt;
        case AppUsageDb::OpenResult::Missing:
            return Fail(env, "アプリ別の通信量の記録がありません: " + path);
        case AppUsageDb::OpenResult::Locked:
            return Fail(env, "アプリ別の通信量の記録をほかのプログラムが使用中です: " + path);
        case AppUsageDb::OpenResult::Damaged:
            break;
    }
    return Fail(env, "アプリ別の通信量の記録が壊れているか読めません: " + path);
}

int Written(const RecordsCommandEnv& env) {
    env.out.flush();
    return env.out.good() ? 0 : Fail(env, "出力に書き込めません");
}

int ExportApps(const std::vector<std::string>& args, const RecordsCommandEnv& env) {
    ExportFormat format{};
    unsigned year = 0;
    if (const auto status = ParseExport(args, env, format, year)) {
        return *status;
    }
    AppUsageDb db;
    if (const auto status = OpenAppUsage(env, db)) {
        return *status;
    }
    std::vector<AppUsageDayRow> days;
    if (!db.Days(DayNumber(year, 1, 1), DayNumber(year, 12, 31), days)) {
        return Fail(env, "アプリ別の通信量の記録を読めません: " + db.LastError());
    }
    env.out << ExportAppUsage(days, year, format);
    return Written(env);
}

int ReportApps(const std::vector<std::string>& args, const RecordsCommandEnv& env) {
    ReadOnlySettings backend(env.settings);
    SettingsStore store(backend);
    const AllowanceSettings allowance = LoadAllowanceSettings(store);
    unsigned year = 0;
    unsigned month = 0;
    if (const auto status = ParseReport(args, env, allowance.closeDay, year, month)) {
        return *status;
    }
    AppUsageDb db;
    if (const auto status = OpenAppUsage(env, db)) {
        return *status;
    }
    const BillingPeriod period = PeriodClosingIn(year, month, allowance.closeDay);
    const Date first = PeriodFirstDay(period);
    const Date last = PeriodLastDay(period);
    std::vector<AppUsageRow> rows;
    AppUsageRow links;
    if (!db.Sum(DayNumber(first.year, first.month, first.day),
                DayNumber(last.year, last.month, last.day), rows, links)) {
        return Fail(env, "アプリ別の通信量の記録を読めません: " + db.LastError());
    }
    ArrangeAppUsage(rows, links);
    env.out << AppUsageReportText(rows, year, month, first, last, period.days);
    return Written(env);
}

int Export(const std::vector<std::string>& args, const RecordsCommandEnv& env) {
    ExportFormat format{};
    unsigned year = 0;
    if (const auto status = ParseExport(args, env, format, year)) {
        return *status;
    }
    const DataFiles files = Files(env);
    auto image = std::make_unique<CumulativeImage>();
    std::string error;
    if (!ReadYearFileChecked(files, year, *image, error)) {
        return Fail(env, error);
    }
    env.out << ExportYear(*image, year, format);
    return Written(env);
}

int Report(const std::vector<std::string>& args, const RecordsCommandEnv& env) {
    ReadOnlySettings backend(env.settings);
    SettingsStore store(backend);
    const AllowanceSettings allowance = LoadAllowanceSettings(store);
    unsigned year = 0;
    unsigned month = 0;
    if (const auto status = ParseReport(args, env, allowance.closeDay, year, month)) {
        return *status;
    }

    // A period that closes in January begins in the December of the year
    // before, which that year's file holds.
    const DataFiles files = Files(env);
    for (const unsigned y : {year, year - 1}) {
        if (const std::string damage = YearFileDamage(files, y); !damage.empty()) {
            return Fail(env, damage);
        }
        if (month != 1) {
            break;
        }
    }
    auto image = std::make_unique<CumulativeImage>();
    const bool own = ReadCumulativeYear(files, year, *image);
    const bool previous = month == 1 && FileLength(files.CumulativePath(year - 1)).has_value();
    if (!own && !previous) {
        return Fail(env, FormatText("%s (%s)", {LoadString(kMsgNoCumulativeFile),
                                                std::string_view(files.CumulativePath(year))}));
    }

    std::vector<NamedChargeType> types;
    for (unsigned n = 0; n < kChargeTypeCount; ++n) {
        NamedChargeType t;
        t.number = n;
        t.type.name = GetChargeTypeName(store, n);
        if (t.type.name.empty() || !IsChargeTypeShown(store, n)) {
            continue;
        }
        ReadChargeType(store, n, t.type);
        types.push_back(std::move(t));
    }
    env.out << PeriodReportText(*image, year, month, allowance.closeDay, types, allowance.quotaMB);
    return Written(env);
}

std::string ProgramPath() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) {
        return "Trovik";
    }
    path.resize(static_cast<std::size_t>(n));
    return path;
}

}  // namespace

std::optional<int> RunRecordsCommand(const std::vector<std::string>& args,
                                     const RecordsCommandEnv& env) {
    if (args.empty() || (args[0] != "--export" && args[0] != "--report")) {
        return std::nullopt;
    }
    // --apps, anywhere after the command, asks for the usage per application.
    std::vector<std::string> rest;
    bool apps = false;
    for (const std::string& arg : args) {
        if (arg == "--apps") {
            apps = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (args[0] == "--export") {
        return apps ? ExportApps(rest, env) : Export(rest, env);
    }
    return apps ? ReportApps(rest, env) : Report(rest, env);
}

std::optional<int> RunRecordsCommand(int argc, char** argv) {
    // --simulate, before or after the command, reads the demo's records.
    std::vector<std::string> args;
    bool simulate = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--simulate") {
            simulate = true;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.empty() || (args[0] != "--report" && args[0] != "--export")) {
        return std::nullopt;
    }
    QtSettingsBackend settings;
    if (settings.Refused()) {
        std::cerr << SettingsFileRefusedText(settings.FileName()) << '\n';
    }
    const std::int64_t now = static_cast<std::int64_t>(::time(nullptr));
    RecordsCommandEnv env{ProgramPath(), settings, ToLocalTime(now), std::cout, std::cerr};
    if (simulate) {
        env.dataDirectory = DemoDataDirectory();
    }
    return RunRecordsCommand(args, env);
}

}  // namespace trovik
