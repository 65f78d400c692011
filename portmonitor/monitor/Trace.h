#pragma once
// The trace facility: entry and exit lines of nearly every function ("> CTWJob::StartPage",
// "< CTWJob::EndPage[!SavePDFPage]: FALSE"). They go to the debugger in trace builds and
// compile to nothing in release builds, arguments included.
#include <windows.h>

namespace tw {
void TraceLine(const wchar_t* fmt, ...);
}

#if defined(TW_TRACE_ENABLED)
#define TW_TRACE(...) ::tw::TraceLine(__VA_ARGS__)
#else
#define TW_TRACE(...) ((void)0)
#endif

// "< Class::Method: TRUE/FALSE" and "< Class::Method[!Step]: FALSE".
#define TW_TRACE_RESULT(fn, result) TW_TRACE(L"< " fn L": %s", (result) ? L"TRUE" : L"FALSE")
#define TW_TRACE_FAILED(fn, step) TW_TRACE(L"< " fn L"[!" step L"]: FALSE")
