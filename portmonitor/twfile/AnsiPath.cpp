#include "twfile/AnsiPath.h"

#include <windows.h>

namespace tw {
namespace {

constexpr std::wstring_view kDropped = L"\"*<>?|";

}  // namespace

std::string ToAnsiPath(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (kDropped.find(c) != std::wstring_view::npos) continue;
        char bytes[8];
        BOOL unmappable = FALSE;
        const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof(bytes), "_", &unmappable);
        if (n <= 0 || unmappable) out += '_';
        else out.append(bytes, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace tw
