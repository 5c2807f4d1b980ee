#include "stats/RecordsExport.h"

#include <charconv>
#include <memory>
#include <string_view>

#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "stats/Allowance.h"
#include "stats/Calendar.h"

namespace trovik {
namespace {

void PutDate(std::string& out, const Date& d) {
    out += FormatText("%04u-%02u-%02u", {d.year, d.month, d.day});
}

struct DayTotals {
    std::uint32_t seconds = 0;
    std::uint32_t connections = 0;
    bool any = false;
};

DayTotals TotalsOf(const ConstDayRecord& day) {
    DayTotals t;
    t.any = day.RecvKB() != 0 || day.SentKB() != 0;
    for (std::size_t h = 0; h < kHoursPerDay; ++h) {
        t.seconds += day.Hour(h).Seconds();
        t.connections += day.Hour(h).Connections();
    }
    t.any = t.any || t.seconds != 0 || t.connections != 0;
    return t;
}

// Without the trailing blank the dialog's fields end with.
std::string_view Trimmed(const std::string& text) {
    std::string_view v = text;
    while (!v.empty() && v.back() == ' ') {
        v.remove_suffix(1);
    }
    return v;
}

}  // namespace

std::string YearFileDamage(const DataFiles& files, unsigned year) {
    const std::string path = files.CumulativePath(year);
    auto image = std::make_unique<CumulativeImage>();
    switch (ReadStoredImage(path, image->Bytes())) {
        case StoredFile::Missing:
            return {};
        case StoredFile::Unusable:
            return FormatText("累計情報ファイルを読めません: %s", {std::string_view(path)});
        case StoredFile::Read:
            break;
    }
    const auto length = FileLength(path);
    if (!length || *length != kCumulativeFileSize) {
        return FormatText("累計情報ファイルが壊れています (%I64u バイト、正しくは %u バイト): %s",
                          {length.value_or(0), static_cast<std::uint32_t>(kCumulativeFileSize),
                           std::string_view(path)});
    }
    return {};
}

void AppendNumber(std::string& out, std::uint64_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end);
}

bool ReadYearFileChecked(const DataFiles& files, unsigned year, CumulativeImage& image,
                         std::string& error) {
    error = YearFileDamage(files, year);
    if (!error.empty()) {
        return false;
    }
    if (!ReadCumulativeYear(files, year, image)) {
        error = FormatText("%s (%s)", {LoadString(kMsgNoCumulativeFile),
                                       std::string_view(files.CumulativePath(year))});
        return false;
    }
    return true;
}

std::string ExportYear(const CumulativeImage& image, unsigned year, ExportFormat format) {
    const bool csv = format == ExportFormat::Csv;
    std::string out;
    out.reserve(csv ? 64 * 1024 : 128 * 1024);
    if (csv) {
        out += "date,seconds,received_kb,sent_kb,disconnects";
        for (unsigned h = 0; h < kHoursPerDay; ++h) {
            out += FormatText(",h%02u_seconds,h%02u_disconnects", {h, h});
        }
        out += '\n';
    } else {
        out += "{\"year\": ";
        AppendNumber(out, year);
        out += ", \"days\": [";
    }
    bool first = true;
    const unsigned days = IsLeapYear(year) ? 366 : 365;
    for (unsigned i = 0; i < days; ++i) {
        const unsigned record = static_cast<unsigned>(kPreviousDecemberRecords) + i;
        const ConstDayRecord day = image.Record(record);
        const DayTotals totals = TotalsOf(day);
        if (!totals.any) {
            continue;
        }
        const Date date = DateOfRecord(year, record);
        if (csv) {
            PutDate(out, date);
            for (const std::uint64_t n :
                 {std::uint64_t{totals.seconds}, std::uint64_t{day.RecvKB()},
                  std::uint64_t{day.SentKB()}, std::uint64_t{totals.connections}}) {
                out += ',';
                AppendNumber(out, n);
            }
            for (std::size_t h = 0; h < kHoursPerDay; ++h) {
                out += ',';
                AppendNumber(out, day.Hour(h).Seconds());
                out += ',';
                AppendNumber(out, day.Hour(h).Connections());
            }
            out += '\n';
            continue;
        }
        out += first ? "\n  {\"date\": \"" : ",\n  {\"date\": \"";
        first = false;
        PutDate(out, date);
        out += "\", \"seconds\": ";
        AppendNumber(out, totals.seconds);
        out += ", \"received_kb\": ";
        AppendNumber(out, day.RecvKB());
        out += ", \"sent_kb\": ";
        AppendNumber(out, day.SentKB());
        out += ", \"disconnects\": ";
        AppendNumber(out, totals.connections);
        out += ", \"hours\": [";
        for (std::size_t h = 0; h < kHoursPerDay; ++h) {
            out += h == 0 ? "[" : ", [";
            AppendNumber(out, day.Hour(h).Seconds());
            out += ", ";
            AppendNumber(out, day.Hour(h).Connections());
            out += ']';
        }
        out += "]}";
    }
    if (!csv) {
        out += first ? "]}\n" : "\n]}\n";
    }
    return out;
}

std::string PeriodReportText(const CumulativeImage& image, unsigned closingYear,
                             unsigned closingMonth, unsigned closeDay,
                             const std::vector<NamedChargeType>& types, std::uint32_t quotaMB) {
    const BillingPeriod period = PeriodClosingIn(closingYear, closingMonth, closeDay);
    const Date from = DateOfRecord(period.year, period.firstRecord);
    const Date to = DateOfRecord(period.year, period.firstRecord + period.days - 1);
    std::string out = FormatText("%04u年 %2u月〆分 (%04u/%02u/%02u - %04u/%02u/%02u, %u日間)\n",
                                 {closingYear, closingMonth, from.year, from.month, from.day,
                                  to.year, to.month, to.day, period.days});

    // The totals do not depend on the charge type; a plain type gives them
    // when none is listed.
    const PeriodSummary totals =
        SummarisePeriod(image, period, types.empty() ? ChargeType{} : types.front().type);
    out += FormatText("総接続時間：約 %s\n", {Trimmed(totals.total)});
    out += FormatText("総受信量：約 %s KB\n", {Trimmed(totals.recv)});
    out += FormatText("総送信量：約 %s KB\n", {Trimmed(totals.sent)});
    if (quotaMB != 0) {
        const std::string use = AllowanceUseText(totals.recvKB + totals.sentKB, quotaMB);
        out += FormatText("データ量：%s\n", {std::string_view(use)});
    }
    for (const NamedChargeType& t : types) {
        const PeriodSummary s = SummarisePeriod(image, period, t.type);
        out += FormatText("概算課金 %u：%s\n", {t.number, std::string_view(t.type.name)});
        out += FormatText("  通常時間帯：約 %s 分  %s 円\n",
                          {Trimmed(s.normalMin), Trimmed(s.normal)});
        out += FormatText("  割引時間帯：約 %s 分  %s 円\n",
                          {Trimmed(s.discountMin), Trimmed(s.discount)});
        out += FormatText("  計：%s 円\n", {Trimmed(s.sum)});
    }
    return out;
}

}  // namespace trovik
