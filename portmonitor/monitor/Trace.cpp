#include "monitor/Trace.h"

#include <cstdarg>
#include <string>

#include "base/WideString.h"

namespace tw {

void TraceLine(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::wstring line = VFormatW(fmt, args);
    va_end(args);
    line += L"\n";
    ::OutputDebugStringW(line.c_str());
}

}  // namespace tw
