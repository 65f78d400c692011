#include "SettingArgument.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <string_view>

#include "base/WideString.h"

namespace twprint {
namespace {

struct TypeName {
    const wchar_t* name;
    DWORD type;
};

constexpr TypeName kTypes[] = {
    {L"dword", REG_DWORD}, {L"qword", REG_QWORD}, {L"sz", REG_SZ}, {L"expand_sz", REG_EXPAND_SZ},
    {L"binary", REG_BINARY},
};
constexpr const wchar_t* kTypeList = L"dword, qword, sz, expand_sz, binary";
constexpr wchar_t kSeparators[] = L" ,\t";

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
    return s.size() >= prefix.size() && tw::EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// The TYPE that `rest` (the text after an '=') starts with, followed by ':'; none: nullptr.
const TypeName* TypeAt(std::wstring_view rest) {
    for (const TypeName& t : kTypes) {
        size_t n = std::wcslen(t.name);
        if (StartsWithNoCase(rest, t.name) && rest.size() > n && rest[n] == L':') return &t;
    }
    return nullptr;
}

// Decimal or 0x hex, optionally negative (stored as two's complement), within `bits` bits.
bool ParseInteger(std::wstring_view text, unsigned bits, unsigned long long& out) {
    bool negative = !text.empty() && text[0] == L'-';
    if (negative) text.remove_prefix(1);
    int base = 10;
    if (StartsWithNoCase(text, L"0x")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (base == 16 ? !std::iswxdigit(c) : !std::iswdigit(c)) return false;
    std::wstring digits(text);
    errno = 0;
    unsigned long long v = std::wcstoull(digits.c_str(), nullptr, base);
    if (errno == ERANGE) return false;
    const unsigned long long max = bits >= 64 ? ~0ull : (1ull << bits) - 1;
    const unsigned long long maxNegative = 1ull << (bits - 1);
    if (negative ? v > maxNegative : v > max) return false;
    out = negative ? (~v + 1) & max : v;
    return true;
}

// Hex bytes, in groups of whole bytes that spaces or commas may separate: "01 02 ff", "0102ff".
bool ParseHexBytes(const std::wstring& text, std::vector<BYTE>& out) {
    size_t pos = 0;
    while ((pos = text.find_first_not_of(kSeparators, pos)) != std::wstring::npos) {
        size_t end = text.find_first_of(kSeparators, pos);
        if (end == std::wstring::npos) end = text.size();
        if ((end - pos) % 2 != 0) return false;
        for (size_t i = pos; i < end; i += 2) {
            if (!std::iswxdigit(text[i]) || !std::iswxdigit(text[i + 1])) return false;
            out.push_back(static_cast<BYTE>(std::wcstoul(text.substr(i, 2).c_str(), nullptr, 16)));
        }
        pos = end;
    }
    return true;
}

template <typename T>
void AppendBytes(std::vector<BYTE>& out, T value) {
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

bool HasLineBreak(const std::wstring& s) { return s.find_first_of(L"\r\n") != std::wstring::npos; }

// An argument quoted in a message, its line breaks spelled out so that the message stays one line.
std::wstring Quoted(const std::wstring& s) {
    std::wstring out = L"'";
    for (wchar_t c : s) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else out += c;
    }
    return out + L"'";
}

}  // namespace

const wchar_t* RegistryTypeNames() { return kTypeList; }

bool ParseRegistrySetting(const std::wstring& text, RegistrySetting& out, std::wstring& error) {
    const std::wstring form = L"--set needs GROUP\\VALUE=TYPE:DATA with TYPE one of " + std::wstring(kTypeList);
    size_t eq = text.find(L'=');
    const TypeName* type = nullptr;
    while (eq != std::wstring::npos && !(type = TypeAt(std::wstring_view(text).substr(eq + 1))))
        eq = text.find(L'=', eq + 1);
    if (!type) {
        error = form + L", not " + Quoted(text);
        return false;
    }
    RegistrySetting s;
    s.type = type->type;
    std::wstring name = text.substr(0, eq);
    size_t slash = name.rfind(L'\\');
    if (slash != std::wstring::npos) {
        s.group = name.substr(0, slash);
        s.valueName = name.substr(slash + 1);
    } else {
        s.valueName = name;
    }
    // A leading '\' only says "from the printer key": '\Printer ID' and 'Printer ID' are the same.
    if (!s.group.empty() && s.group[0] == L'\\') s.group.erase(0, 1);
    if (s.valueName.empty()) {
        error = L"--set " + Quoted(text) + L": the value name is empty";
        return false;
    }
    if (slash != std::wstring::npos && slash > 0 &&
        (s.group.empty() || s.group.front() == L'\\' || s.group.back() == L'\\' ||
         s.group.find(L"\\\\") != std::wstring::npos)) {
        error = L"--set " + Quoted(text) + L": GROUP has an empty key name";
        return false;
    }

    const std::wstring data = text.substr(eq + 1 + std::wcslen(type->name) + 1);
    unsigned long long n = 0;
    switch (s.type) {
    case REG_DWORD:
    case REG_QWORD: {
        const unsigned bits = s.type == REG_DWORD ? 32 : 64;
        if (!ParseInteger(data, bits, n)) {
            error = L"--set " + Quoted(text) + L": " + type->name + L" needs a decimal or 0x hex number of " +
                    std::to_wstring(bits) + L" bits, not " + Quoted(data);
            return false;
        }
        if (s.type == REG_DWORD) AppendBytes(s.data, static_cast<DWORD>(n));
        else AppendBytes(s.data, static_cast<unsigned long long>(n));
        break;
    }
    case REG_BINARY:
        if (!ParseHexBytes(data, s.data)) {
            error = L"--set " + Quoted(text) + L": binary needs hex bytes such as '01 02 ff', not " + Quoted(data);
            return false;
        }
        break;
    default: {  // REG_SZ, REG_EXPAND_SZ: the terminator is part of the data
        const BYTE* p = reinterpret_cast<const BYTE*>(data.c_str());
        s.data.assign(p, p + (data.size() + 1) * sizeof(wchar_t));
        break;
    }
    }
    out = std::move(s);
    return true;
}

bool ParseIniSetting(const std::wstring& text, IniSetting& out, std::wstring& error) {
    size_t eq = text.find(L'=');
    size_t slash = eq == std::wstring::npos ? std::wstring::npos : text.rfind(L'\\', eq);
    if (slash == std::wstring::npos || slash == 0 || slash + 1 == eq) {
        error = L"--ini needs SECTION\\KEY=VALUE, not " + Quoted(text);
        return false;
    }
    IniSetting s{text.substr(0, slash), text.substr(slash + 1, eq - slash - 1), text.substr(eq + 1)};
    // A line break or a ']' in the section would write lines of its own into the file.
    if (HasLineBreak(text) || s.section.find(L']') != std::wstring::npos) {
        error = L"--ini " + Quoted(text) + L": no line breaks anywhere and no ']' in the section";
        return false;
    }
    out = std::move(s);
    return true;
}

std::wstring ExpandJobId(const std::wstring& group, unsigned long jobId) {
    std::wstring out;
    const std::wstring id = std::to_wstring(jobId);
    for (size_t i = 0; i < group.size(); ++i) {
        if (group[i] == L'%' && i + 1 < group.size() && group[i + 1] == L'd') {
            out += id;
            ++i;
        } else {
            out += group[i];
        }
    }
    return out;
}

}  // namespace twprint
