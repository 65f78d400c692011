// Reading the name table of a TrueType font.
#include "emfimage/TTFHandler.h"

#include <cwctype>

#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr size_t kNameHeaderSize = 6;
constexpr size_t kNameRecordSize = 12;
constexpr DWORD kVersionTrueType1 = 0x00010000;
constexpr DWORD kVersionOpenTypeCff = 0x4F54544F;  // "OTTO"
constexpr DWORD kVersionApple = 0x74727565;        // "true"
constexpr WORD kNameFamily = 1;
constexpr WORD kNameUnique = 3;
constexpr WORD kPlatformWindows = 3, kEncodingUnicode = 1, kLanguageEnglishUs = 1033;

WORD Be16(const BYTE* p) { return static_cast<WORD>((p[0] << 8) | p[1]); }
DWORD Be32(const BYTE* p) { return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | p[3]; }

struct NameRecord {
    WORD platform, encoding, language, id;
    const BYTE* text;
    size_t length;
};

struct NameTable {
    bool trueType1 = false;
    std::vector<NameRecord> records;
};

// The table directory and the name records, every string checked against `length`.
bool ReadNameTable(const BYTE* font, size_t length, NameTable& table) {
    if (!font || length < kOffsetTableSize) return false;
    const DWORD version = Be32(font);
    if (version != kVersionTrueType1 && version != kVersionOpenTypeCff && version != kVersionApple) return false;
    table.trueType1 = version == kVersionTrueType1;
    const size_t tables = Be16(font + 4);
    if (kOffsetTableSize + tables * kTableRecordSize > length) return false;
    for (size_t i = 0; i < tables; ++i) {
        const BYTE* rec = font + kOffsetTableSize + i * kTableRecordSize;
        if (std::towlower(rec[0]) != L'n' || std::towlower(rec[1]) != L'a' || std::towlower(rec[2]) != L'm' ||
            std::towlower(rec[3]) != L'e')
            continue;
        const size_t offset = Be32(rec + 8);
        if (offset > length || length - offset < kNameHeaderSize) return false;
        const BYTE* name = font + offset;
        const size_t count = Be16(name + 2), storage = offset + Be16(name + 4);
        if (kNameHeaderSize + count * kNameRecordSize > length - offset) return false;
        for (size_t k = 0; k < count; ++k) {
            const BYTE* r = name + kNameHeaderSize + k * kNameRecordSize;
            const size_t textLength = Be16(r + 8), textOffset = storage + Be16(r + 10);
            if (textOffset > length || length - textOffset < textLength) continue;
            table.records.push_back({Be16(r), Be16(r + 2), Be16(r + 4), Be16(r + 6), font + textOffset, textLength});
        }
        return true;
    }
    return false;
}

std::wstring FromBigEndian(const NameRecord& r) {
    std::wstring s;
    for (size_t i = 0; i + 1 < r.length; i += 2) s += static_cast<wchar_t>(Be16(r.text + i));
    return s;
}

}  // namespace

bool TTFHandler::LooksLikeFont(const BYTE* font, size_t length) {
    NameTable table;
    return ReadNameTable(font, length, table);
}

std::vector<std::wstring> TTFHandler::GetUnicodeFontNames(const BYTE* font, size_t length) {
    std::vector<std::wstring> names;
    NameTable table;
    if (!ReadNameTable(font, length, table)) return names;
    WORD wanted = table.trueType1 ? kNameFamily : kNameUnique;
    for (int pass = 0; pass < 4; ++pass, wanted = wanted == kNameFamily ? kNameUnique : kNameFamily) {
        const bool windowsEnglish = pass < 2;
        for (const NameRecord& r : table.records) {
            if (r.id != wanted) continue;
            const bool isWindowsEnglish =
                r.platform == kPlatformWindows && r.encoding == kEncodingUnicode && r.language == kLanguageEnglishUs;
            if (isWindowsEnglish != windowsEnglish) continue;
            // Windows and Unicode platform names are UTF-16; others are single bytes.
            std::wstring name;
            if (r.platform == kPlatformWindows || r.platform == 0) name = FromBigEndian(r);
            else for (size_t i = 0; i < r.length; ++i) name += static_cast<wchar_t>(r.text[i]);
            if (name.empty()) continue;
            TW_TRACE(L"TTFHandler::GetUnicodeFontNames: Platform: %d, Encoding: %d, Language: %d, Name: %s", r.platform,
                     r.encoding, r.language, name.c_str());
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::string TTFHandler::GetFontName(const BYTE* font, size_t length) {
    NameTable table;
    if (!ReadNameTable(font, length, table)) return {};
    const WORD first = table.trueType1 ? kNameFamily : kNameUnique;
    for (WORD wanted : {first, static_cast<WORD>(first == kNameFamily ? kNameUnique : kNameFamily)}) {
        for (const NameRecord& r : table.records) {
            if (r.id != wanted) continue;
            std::string name(reinterpret_cast<const char*>(r.text), r.length);
            if (!table.trueType1) {
                const size_t semicolon = name.rfind(';');
                if (semicolon != std::string::npos) name.erase(0, semicolon + 1);
            }
            if (!name.empty()) return name;
            break;
        }
    }
    return {};
}

}  // namespace tw
