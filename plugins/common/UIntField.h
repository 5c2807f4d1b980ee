#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trovik::plugin {

inline constexpr std::string_view kNotANumberText = "正の整数を入力してください。";
inline constexpr std::string_view kRangeFormat = "%1 から %2 までの整数を入力してください。";

enum class UIntCheck { Ok, NotANumber, OutOfRange };

// The check of a dialog's unsigned-integer field: blanks around the text are
// ignored; anything but decimal digits is not a number; a number outside
// lo..hi (however long) is out of range. `value` is set when Ok.
UIntCheck CheckUIntField(std::string_view text, std::uint32_t lo, std::uint32_t hi,
                         std::uint32_t& value);

// The message for a failed check: kNotANumberText, or kRangeFormat filled
// with lo and hi.
std::string UIntFieldMessage(UIntCheck check, std::uint32_t lo, std::uint32_t hi);

}  // namespace trovik::plugin
