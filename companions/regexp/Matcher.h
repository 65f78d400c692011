#pragma once
// One match of a PCRE2 expression over UTF-16 text, within fixed limits, and the result text a
// format string builds from its groups.
#include <string>

namespace regexp {

// The bounds every match runs within, so that no pattern can make a match run away.
inline constexpr unsigned kMatchLimit = 1000000;   // backtracking steps of one match call
inline constexpr unsigned kDepthLimit = 10000;     // nested backtracking depth
inline constexpr unsigned kHeapLimitKiB = 20480;   // memory for backtracking, 20 MiB

// One of TwRegExp.h's return values; `result` holds the formatted text after a match.
int MatchAndFormat(const std::u16string& pattern, const std::u16string& text, const std::u16string& format,
                   std::u16string& result);

}  // namespace regexp
