#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace trovik {

// One argument of a string-table format. Numbers keep their signedness so
// that "%u" and "%d" print what the text means.
class TextArg {
public:
    enum class Kind : std::uint8_t { Unsigned, Signed, Text };

    constexpr TextArg(std::uint64_t v) : kind(Kind::Unsigned), u(v) {}
    constexpr TextArg(std::uint32_t v) : kind(Kind::Unsigned), u(v) {}
    constexpr TextArg(std::int64_t v) : kind(Kind::Signed), s(v) {}
    constexpr TextArg(std::int32_t v) : kind(Kind::Signed), s(v) {}
    constexpr TextArg(std::string_view v) : kind(Kind::Text), text(v) {}
    constexpr TextArg(const char* v) : kind(Kind::Text), text(v) {}

    Kind kind;
    std::uint64_t u = 0;
    std::int64_t s = 0;
    std::string_view text;
};

// The length of the longest start of `text`, at most `limit` bytes, that does
// not end inside a UTF-8 sequence. Every text that is cut anywhere is cut
// here, so a valid text stays valid. Bytes that are no valid UTF-8 are not
// repaired: without a lead byte among the last three, the cut stays at
// `limit`.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit);

// Fills a string-table format the way the texts expect: "%u", "%d", "%s",
// "%I64u" or "%lld" (64-bit numbers), "%%", each with optional "0", "-" or
// "+" flags (the last signs every number) and a width ("%02u", "%9I64u",
// "%+lld"). Arguments are taken in order; a missing one
// prints nothing. Writes at most `capacity - 1` bytes plus a terminating zero
// and returns the length written; a longer text is cut at `capacity - 1`
// bytes or, to end on a whole UTF-8 character, up to three bytes earlier.
std::size_t FormatInto(char* out, std::size_t capacity, std::string_view format,
                       std::initializer_list<TextArg> args);

// The same into a new string, without a length limit.
std::string FormatText(std::string_view format, std::initializer_list<TextArg> args);

}  // namespace trovik
