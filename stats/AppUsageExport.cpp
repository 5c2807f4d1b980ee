#include "stats/AppUsageExport.h"

#include <cstdio>

#include "res/TextFormat.h"

namespace trovik {
namespace {

void PutDay(std::string& out, std::uint32_t day) {
    out += FormatText("%04u-%02u-%02u", {day / 10000, day / 100 % 100, day % 100});
}

// A JSON string: quotes, backslashes and control characters escaped; the
// rest (UTF-8 names) as it is.
void PutJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// A CSV field, quoted when it holds a comma, a quote or a line end.
void PutCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

}  // namespace

std::string AppUsageReportText(const std::vector<AppUsageRow>& rows, unsigned closingYear,
                               unsigned closingMonth, const Date& first, const Date& last,
                               unsigned days) {
    std::string out = FormatText("%04u年 %2u月〆分 (%04u/%02u/%02u - %04u/%02u/%02u, %u日間)\n",
                                 {closingYear, closingMonth, first.year, first.month, first.day,
                                  last.year, last.month, last.day, days});
    out += "アプリ別の通信量 (受信 / 送信、バイト)\n";
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    for (const AppUsageRow& row : rows) {
        out += "  ";
        out += row.name;
        out += "：";
        AppendNumber(out, row.received);
        out += " / ";
        AppendNumber(out, row.sent);
        out += '\n';
        received += row.received;
        sent += row.sent;
    }
    out += "合計：";
    AppendNumber(out, received);
    out += " / ";
    AppendNumber(out, sent);
    out += '\n';
    return out;
}

std::string ExportAppUsage(const std::vector<AppUsageDayRow>& days, unsigned year,
                           ExportFormat format) {
    std::string out;
    if (format == ExportFormat::Csv) {
        out += "date,key,name,received_bytes,sent_bytes\n";
        for (const AppUsageDayRow& d : days) {
            PutDay(out, d.day);
            out += ',';
            PutCsvField(out, d.row.key);
            out += ',';
            PutCsvField(out, d.row.name);
            out += ',';
            AppendNumber(out, d.row.received);
            out += ',';
            AppendNumber(out, d.row.sent);
            out += '\n';
        }
        return out;
    }
    out += "{\"year\": ";
    AppendNumber(out, year);
    out += ", \"days\": [";
    for (std::size_t i = 0; i < days.size(); ++i) {
        const AppUsageDayRow& d = days[i];
        const bool newDay = i == 0 || days[i - 1].day != d.day;
        if (newDay) {
            out += i == 0 ? "\n  {\"date\": \"" : "]},\n  {\"date\": \"";
            PutDay(out, d.day);
            out += "\", \"apps\": [";
        } else {
            out += ", ";
        }
        out += "{\"key\": ";
        PutJsonString(out, d.row.key);
        out += ", \"name\": ";
        PutJsonString(out, d.row.name);
        out += ", \"received\": ";
        AppendNumber(out, d.row.received);
        out += ", \"sent\": ";
        AppendNumber(out, d.row.sent);
        out += '}';
    }
    out += days.empty() ? "]}\n" : "]}\n]}\n";
    return out;
}

}  // namespace trovik
