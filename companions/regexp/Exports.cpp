// TwRegExp.dll's two exports over Matcher.
#include <cstring>
#include <new>
#include <string>

#include "Matcher.h"
#include "TwRegExp.h"

namespace {

std::u16string Text(const wchar_t* s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string(); }

}  // namespace

extern "C" {

int WINAPI RegExpMatch(const wchar_t* pattern, const wchar_t* text, const wchar_t* format, wchar_t** result,
                       int* length) {
    if (result) *result = nullptr;
    if (length) *length = 0;
    if (!pattern || !text || !result) return kRegExpBadArgument;
    try {
        std::u16string out;
        const int rc = regexp::MatchAndFormat(Text(pattern), Text(text), Text(format), out);
        if (rc != kRegExpMatched) return rc;
        wchar_t* copy = new wchar_t[out.size() + 1];
        std::memcpy(copy, out.c_str(), (out.size() + 1) * sizeof(wchar_t));
        *result = copy;
        if (length) *length = static_cast<int>(out.size());
        return kRegExpMatched;
    } catch (const std::bad_alloc&) {
        return kRegExpNoMemory;
    }
}

void WINAPI FreeResult(wchar_t* result, int) { delete[] result; }

}  // extern "C"
