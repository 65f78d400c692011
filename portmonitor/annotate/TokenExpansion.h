#pragma once
// The tokens of annotation texts: "<<" NAME ">>" with the job's values, the printing time and
// date, the document description texts, the user's environment and the printer's EnvVars.
#include <string>
#include <string_view>

#include "annotate/AnnotationContext.h"

namespace tw {

// The expanded text holds at most this many characters; a value that would overflow is left out.
inline constexpr size_t kAnnotationTextChars = 256;

std::wstring ExpandAnnotationTokens(const AnnotationContext& ctx, std::wstring_view templ);

// The printing time and dates of the tokens.
std::wstring PrintingTimeText(const SYSTEMTIME& t);  // "%I:%M:%S %p"

}  // namespace tw
