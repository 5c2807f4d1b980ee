#include "res/CompactNumber.h"

#include <array>

#include "res/TextFormat.h"

namespace trovik {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of the number that starts at `begin`: its digits, and each comma
// that is followed by exactly three digits.
std::size_t NumberEnd(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    while (end + 3 < text.size() && text[end] == ',' && IsDigit(text[end + 1]) &&
           IsDigit(text[end + 2]) && IsDigit(text[end + 3]) &&
           (end + 4 == text.size() || !IsDigit(text[end + 4]))) {
        end += 4;
    }
    return end;
}

}  // namespace

std::size_t CompactNumberInto(char* out, std::size_t capacity, std::uint64_t value, bool decimal) {
    if (value < 1000) {
        return FormatInto(out, capacity, "%I64u", {value});
    }
    static constexpr std::array<std::string_view, 4> kUnits = {"K", "M", "G", "T"};
    std::size_t unit = 0;
    std::uint64_t divisor = 1000;
    while (unit + 1 < kUnits.size() && value / divisor >= 1000) {
        divisor *= 1000;
        ++unit;
    }
    const std::uint64_t whole = value / divisor;
    if (!decimal) {
        return FormatInto(out, capacity, "%I64u%s", {whole, kUnits[unit]});
    }
    const std::uint64_t tenths = value % divisor / (divisor / 10);
    return FormatInto(out, capacity, "%I64u.%I64u%s", {whole, tenths, kUnits[unit]});
}

std::string CompactNumbers(std::string_view text, bool decimal) {
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsDigit(text[i])) {
            result.push_back(text[i++]);
            continue;
        }
        const std::size_t end = NumberEnd(text, i);
        const std::string_view number = text.substr(i, end - i);
        const bool fraction =
            (i > 0 && text[i - 1] == '.') || (end < text.size() && text[end] == '.');
        std::uint64_t value = 0;
        bool fits = true;
        for (const char c : number) {
            if (c == ',') {
                continue;
            }
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (value > (UINT64_MAX - digit) / 10) {
                fits = false;
                break;
            }
            value = value * 10 + digit;
        }
        if (fraction || !fits || value < 1000) {
            result.append(number);
        } else {
            std::array<char, 16> compact{};
            result.append(compact.data(),
                          CompactNumberInto(compact.data(), compact.size(), value, decimal));
        }
        i = end;
    }
    return result;
}

}  // namespace trovik
