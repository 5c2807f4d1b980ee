#include "plugins/common/UIntField.h"

namespace trovik::plugin {

UIntCheck CheckUIntField(std::string_view text, std::uint32_t lo, std::uint32_t hi,
                         std::uint32_t& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return UIntCheck::NotANumber;
    }
    std::uint64_t number = 0;
    bool tooBig = false;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return UIntCheck::NotANumber;
        }
        if (!tooBig) {
            number = number * 10 + static_cast<std::uint64_t>(c - '0');
            tooBig = number > 0xFFFFFFFFu;
        }
    }
    if (tooBig || number < lo || number > hi) {
        return UIntCheck::OutOfRange;
    }
    value = static_cast<std::uint32_t>(number);
    return UIntCheck::Ok;
}

std::string UIntFieldMessage(UIntCheck check, std::uint32_t lo, std::uint32_t hi) {
    if (check == UIntCheck::NotANumber) {
        return std::string(kNotANumberText);
    }
    std::string text(kRangeFormat);
    const auto put = [&text](std::string_view mark, std::uint32_t n) {
        if (const auto at = text.find(mark); at != std::string::npos) {
            text.replace(at, mark.size(), std::to_string(n));
        }
    };
    put("%1", lo);
    put("%2", hi);
    return text;
}

}  // namespace trovik::plugin
