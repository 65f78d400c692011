// The FTP passwords are kept as two upper-case hex digits per character, XORed with one byte.
// A malformed stored text decodes up to its first bad pair: the part before it is what the
// configuration program wrote, and nothing after a bad pair can be trusted.
#include "job/SettingsStore.h"

#include "monitor/Trace.h"

namespace tw::settings {

namespace {
constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

int HexIndex(wchar_t c) {
    for (int i = 0; i < 16; ++i)
        if (kHexDigits[i] == c) return i;
    return -1;
}
}  // namespace

std::wstring UnscramblePassword(std::wstring_view scrambled) {
    std::wstring plain;
    // A trailing odd digit has no partner and is dropped.
    for (size_t i = 0; i + 1 < scrambled.size(); i += 2) {
        int hi = HexIndex(scrambled[i]), lo = HexIndex(scrambled[i + 1]);
        if (hi < 0 || lo < 0) {
            TW_TRACE(L"settings::UnscramblePassword: stopped at a character that is not a hex digit");
            break;
        }
        wchar_t c = static_cast<wchar_t>((hi * 16 + lo) ^ kPasswordScramble);
        if (c == L'\0') break;  // the scrambled terminator: the text ends here
        plain.push_back(c);
    }
    return plain;
}

std::wstring ScramblePassword(std::wstring_view plain) {
    std::wstring scrambled;
    scrambled.reserve(plain.size() * 2);
    for (wchar_t c : plain) {
        unsigned value = static_cast<unsigned>(c) ^ kPasswordScramble;
        // Two digits hold one byte; a character beyond it cannot be written, nor a terminator.
        if (c == L'\0' || value > 0xFF) {
            TW_TRACE(L"settings::ScramblePassword: stopped at a character that two digits cannot hold");
            break;
        }
        scrambled.push_back(kHexDigits[value >> 4]);
        scrambled.push_back(kHexDigits[value & 0xF]);
    }
    return scrambled;
}

}  // namespace tw::settings
