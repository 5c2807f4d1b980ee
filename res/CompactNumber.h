#pragma once

// The short form of a number for a field too narrow for all its digits:
// "103.8K" for 103,830. The window side chooses it only where the exact text
// does not fit its field.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trovik {

// `value` below 1000 as it is; above, in thousands (K), millions (M),
// billions (G) or, from 10^12 up, trillions (T), 1000-based like the rate
// graph's axis labels: "103.8K", "12.4M", "2.7G", "1.2T". The one decimal is
// truncated, never rounded up, so a number never reads larger than it is
// and 999,999 stays "999.9K" rather than becoming "1000.0K". Without
// `decimal` the tenths are left out too ("103K"), for fields too narrow for
// them. Writes at most `capacity - 1` bytes plus a terminating zero and
// returns the length; no form is longer than 12 bytes ("18446744.0T").
std::size_t CompactNumberInto(char* out, std::size_t capacity, std::uint64_t value,
                              bool decimal = true);

// `text` with each of its whole numbers in the compact form: a number is a
// run of digits, with commas between groups of three ("1,234,567"). Numbers
// below 1000, and runs next to a '.' (a decimal fraction, which the compact
// form cannot stand for), stay as they are, and so does everything else in
// the text: "1,234,567 " becomes "1.2M ", "4294967295±1897200 " becomes
// "4.2G±1.8M ". The result is never longer than `text`.
std::string CompactNumbers(std::string_view text, bool decimal = true);

}  // namespace trovik
