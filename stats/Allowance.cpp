#include "stats/Allowance.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "res/StringTable.h"
#include "res/TextFormat.h"

namespace trovik {
namespace {

// Appends to a bounded, zero-terminated buffer. A text that does not fit
// whole is cut on a whole character, and nothing is appended after it, so a
// short buffer holds a start of the full text.
class Bounded {
public:
    Bounded(char* buffer, std::size_t cap) : out(buffer), capacity(cap), full(cap == 0) {
        if (capacity != 0) {
            out[0] = '\0';
        }
    }
    void Put(std::string_view text) {
        if (full) {
            return;
        }
        const std::size_t take = Utf8PrefixLength(text, capacity - 1 - length);
        std::copy_n(text.data(), take, out + length);
        length += take;
        out[length] = '\0';
        full = take < text.size();
    }
    void Put(std::uint64_t n) {
        std::array<char, 24> digits{};
        Put(std::string_view(digits.data(),
                             FormatInto(digits.data(), digits.size(), "%I64u", {n})));
    }
    std::size_t Length() const { return length; }

private:
    char* out;
    std::size_t capacity;
    std::size_t length = 0;
    bool full;
};

constexpr std::uint64_t kMB = 1024;
constexpr std::uint64_t kGB = 1024 * 1024;

// The amount in hundredths of its unit.
std::uint64_t Hundredths(std::uint64_t kb, std::uint64_t unit) {
    return kb / unit * 100 + kb % unit * 100 / unit;
}

void PutAmount(Bounded& text, std::uint64_t kb) {
    if (kb < kMB) {
        text.Put(kb);
        text.Put(" KB");
        return;
    }
    const std::uint64_t unit = kb < kGB ? kMB : kGB;
    const std::uint64_t hundredths = Hundredths(kb, unit);
    text.Put(hundredths / 100);
    std::uint64_t fraction = hundredths % 100;
    if (fraction != 0) {
        const char decimals[3] = {static_cast<char>('0' + fraction / 10),
                                  static_cast<char>('0' + fraction % 10), '\0'};
        text.Put(".");
        text.Put(std::string_view(decimals, fraction % 10 == 0 ? 1 : 2));
    }
    text.Put(unit == kMB ? " MB" : " GB");
}

void PutUse(Bounded& text, std::uint64_t usedKB, std::uint32_t quotaMB) {
    PutAmount(text, usedKB);
    if (quotaMB == 0) {
        return;
    }
    const std::uint64_t quotaKB = std::uint64_t{quotaMB} * 1024u;
    text.Put(" / ");
    PutAmount(text, quotaKB);
    text.Put(" (");
    text.Put(std::uint64_t{AllowancePercent(usedKB, quotaKB)});
    text.Put(" %)");
}

// A text of the string table filled with an amount.
void PutFilledAmount(Bounded& text, unsigned formatId, std::uint64_t kb) {
    std::array<char, 32> amount{};
    const std::size_t n = FormatDataAmountInto(amount.data(), amount.size(), kb);
    std::array<char, 96> filled{};
    text.Put(std::string_view(filled.data(),
                              FormatInto(filled.data(), filled.size(), LoadString(formatId),
                                         {std::string_view(amount.data(), n)})));
}

void PutBudget(Bounded& text, std::uint64_t usedKB, std::uint32_t quotaMB, PeriodDays days) {
    if (quotaMB != 0 && days.total != 0) {
        PutFilledAmount(text, kAllowanceBudget,
                        TodaysBudgetKB(usedKB, std::uint64_t{quotaMB} * 1024u, days));
    }
}

void PutProjection(Bounded& text, std::uint64_t usedKB, std::uint32_t quotaMB, PeriodDays days) {
    if (quotaMB != 0 && days.total != 0) {
        PutFilledAmount(text, kAllowanceProjection, ProjectedUseKB(usedKB, days));
    }
}

}  // namespace

Date PeriodFirstDay(const BillingPeriod& period) {
    return DateOfRecord(period.year, period.firstRecord);
}

Date PeriodLastDay(const BillingPeriod& period) {
    return DateOfRecord(period.year, period.firstRecord + period.days - 1);
}

PeriodDays DaysOfPeriod(const BillingPeriod& period, const LocalTime& today) {
    if (period.days == 0) {
        return {};
    }
    // Today's record in the numbering of the period's file, whose first 31
    // records are the December before.
    std::int64_t offset = 0;
    if (today.year == period.year) {
        offset = std::int64_t{DayIndex(period.year, today.month, today.day)} - period.firstRecord;
    } else if (today.year + 1 == period.year && today.month == 12) {
        offset = std::int64_t{DayIndex(period.year, 0, today.day)} - period.firstRecord;
    } else {
        offset = today.year < period.year ? 0 : period.days;
    }
    offset = std::clamp<std::int64_t>(offset, 0, period.days - 1);
    return {static_cast<unsigned>(offset) + 1, period.days};
}

std::uint64_t TodaysBudgetKB(std::uint64_t usedKB, std::uint64_t quotaKB, PeriodDays days) {
    if (days.total == 0 || days.elapsed == 0 || days.elapsed > days.total || usedKB >= quotaKB) {
        return 0;
    }
    return (quotaKB - usedKB) / (days.total - days.elapsed + 1);
}

std::uint64_t ProjectedUseKB(std::uint64_t usedKB, PeriodDays days) {
    if (days.elapsed == 0) {
        return 0;
    }
    // used × total ÷ elapsed without an overflow of the product.
    return usedKB / days.elapsed * days.total + usedKB % days.elapsed * days.total / days.elapsed;
}

BillingPeriod CurrentBillingPeriod(const LocalTime& date, unsigned closeDay) {
    unsigned year = date.year;
    unsigned closingMonth = date.month;
    if (date.day >= closeDay) {
        if (++closingMonth == 13) {
            closingMonth = 1;
            ++year;
        }
    }
    return PeriodClosingIn(year, closingMonth, closeDay);
}

bool SamePeriod(const BillingPeriod& a, const BillingPeriod& b) {
    return a.year == b.year && a.firstRecord == b.firstRecord && a.days == b.days &&
           a.closeDay == b.closeDay;
}

std::uint64_t PeriodTransferKB(const CumulativeImage& image, const BillingPeriod& period) {
    std::uint64_t kb = 0;
    for (unsigned i = 0; i < period.days && period.firstRecord + i < kDayRecords; ++i) {
        const ConstDayRecord day = image.Record(period.firstRecord + i);
        kb += std::uint64_t{day.RecvKB()} + day.SentKB();
    }
    return kb;
}

std::uint64_t ReadPeriodTransferKB(const DataFiles& files, const BillingPeriod& period) {
    auto image = std::make_unique<CumulativeImage>();
    (void)ReadCumulativeYear(files, period.year, *image);
    return PeriodTransferKB(*image, period);
}

std::uint32_t AllowancePercent(std::uint64_t usedKB, std::uint64_t quotaKB) {
    if (quotaKB == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(usedKB * 100 / quotaKB, 0xFFFFFFFFu));
}

std::uint64_t ShownDataAmount(std::uint64_t kb) {
    if (kb < kMB) {
        return kb;
    }
    // Whole kilobytes stay below 2^10; the units are told apart by the top bits.
    return kb < kGB ? (std::uint64_t{1} << 62) | Hundredths(kb, kMB)
                    : (std::uint64_t{2} << 62) | Hundredths(kb, kGB);
}

std::size_t FormatDataAmountInto(char* out, std::size_t capacity, std::uint64_t kb) {
    Bounded text(out, capacity);
    PutAmount(text, kb);
    return text.Length();
}

std::size_t AllowanceUseInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                             std::uint32_t quotaMB) {
    Bounded text(out, capacity);
    PutUse(text, usedKB, quotaMB);
    return text.Length();
}

std::string AllowanceUseText(std::uint64_t usedKB, std::uint32_t quotaMB) {
    std::array<char, 96> buf{};
    return std::string(buf.data(), AllowanceUseInto(buf.data(), buf.size(), usedKB, quotaMB));
}

std::size_t AllowanceBudgetInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                                std::uint32_t quotaMB, PeriodDays days) {
    Bounded text(out, capacity);
    PutBudget(text, usedKB, quotaMB, days);
    return text.Length();
}

std::size_t AllowanceProjectionInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                                    std::uint32_t quotaMB, PeriodDays days) {
    Bounded text(out, capacity);
    PutProjection(text, usedKB, quotaMB, days);
    return text.Length();
}

std::size_t TrayTipInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                        std::uint32_t quotaMB, PeriodDays days) {
    Bounded text(out, capacity);
    text.Put(LoadString(kAppTitle));
    if (quotaMB != 0) {
        text.Put(" — ");
        PutUse(text, usedKB, quotaMB);
        if (days.total != 0) {
            text.Put("\n");
            PutBudget(text, usedKB, quotaMB, days);
            text.Put("\n");
            PutProjection(text, usedKB, quotaMB, days);
        }
    }
    return text.Length();
}

}  // namespace trovik
