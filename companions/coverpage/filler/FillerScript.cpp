#include "FillerScript.h"

#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>

namespace filler {
namespace {

constexpr wchar_t kSection[] = L"Filler";
constexpr wchar_t kFields[] = L"Fields";
constexpr wchar_t kScriptName[] = L"Cover Page Filler.ini";
constexpr wchar_t kScriptOption[] = L"/script=";
constexpr DWORD kTextChars = 4096;

std::wstring Text(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    std::wstring buf(kTextChars, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section, key, L"", buf.data(), kTextChars, path.c_str());
    buf.resize(n);
    return buf;
}

std::optional<Action> ParseAction(const std::wstring& text) {
    static const std::pair<const wchar_t*, Action> names[] = {
        {L"submit", Action::Submit}, {L"cancel", Action::Cancel},   {L"exit", Action::Exit},
        {L"hang", Action::Hang},     {L"garbage", Action::Garbage}, {L"cut", Action::Cut},
        {L"larger", Action::Larger}, {L"smaller", Action::Smaller}, {L"zero", Action::Zero}};
    if (text.empty()) return Action::Submit;
    for (const auto& [name, action] : names)
        if (_wcsicmp(name, text.c_str()) == 0) return action;
    return std::nullopt;
}

// `count` comma-separated integers, then the rest of the text (which may hold commas).
bool SplitFields(const std::wstring& text, int count, std::vector<int>& numbers, std::wstring& rest) {
    size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        size_t comma = text.find(L',', pos);
        std::wstring part = text.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos);
        wchar_t* end = nullptr;
        long v = std::wcstol(part.c_str(), &end, 10);
        if (part.empty() || *end != L'\0') return false;
        numbers.push_back(static_cast<int>(v));
        if (comma == std::wstring::npos) {
            rest.clear();
            return i == count - 1;
        }
        pos = comma + 1;
    }
    rest = text.substr(pos);
    return true;
}

std::optional<std::vector<BYTE>> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A packed DIB from a BMP file: the file header goes.
std::optional<std::vector<BYTE>> DibOfBmp(const std::wstring& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes || bytes->size() <= sizeof(BITMAPFILEHEADER) || (*bytes)[0] != 'B' || (*bytes)[1] != 'M')
        return std::nullopt;
    return std::vector<BYTE>(bytes->begin() + sizeof(BITMAPFILEHEADER), bytes->end());
}

// Reads "<Kind>1", "<Kind>2", ... until one is missing.
template <typename Add>
bool ReadNumbered(const std::wstring& path, const wchar_t* kind, Add add, std::wstring& error) {
    for (int i = 1;; ++i) {
        const std::wstring key = kind + std::to_wstring(i);
        const std::wstring value = Text(path, kFields, key.c_str());
        if (value.empty()) return true;
        if (!add(value)) {
            error = L"cannot read " + key + L"=" + value;
            return false;
        }
    }
}

}  // namespace

std::optional<Arguments> ParseArguments(int argc, wchar_t** argv) {
    if (argc < 7) return std::nullopt;
    Arguments a{argv[1], argv[2], argv[3], argv[4], argv[5], argv[6], L""};
    for (int i = 7; i < argc; ++i)
        if (_wcsnicmp(argv[i], kScriptOption, wcslen(kScriptOption)) == 0) a.scriptPath = argv[i] + wcslen(kScriptOption);
    if (a.scriptPath.empty()) {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring dir(self);
        dir.erase(dir.find_last_of(L"\\/") + 1);
        a.scriptPath = dir + kScriptName;
    }
    return a;
}

std::optional<Script> ReadScript(const std::wstring& path, std::wstring& error) {
    Script s;
    auto action = ParseAction(Text(path, kSection, L"Action"));
    if (!action) {
        error = L"unknown Action";
        return std::nullopt;
    }
    s.action = *action;
    s.pages = static_cast<int>(::GetPrivateProfileIntW(kSection, L"Pages", -1, path.c_str()));
    s.delayMs = ::GetPrivateProfileIntW(kSection, L"Delay", 0, path.c_str());
    s.hangMs = ::GetPrivateProfileIntW(kSection, L"HangTime", s.hangMs, path.c_str());
    s.doneTimeoutMs = ::GetPrivateProfileIntW(kSection, L"DoneTimeout", s.doneTimeoutMs, path.c_str());
    s.logFile = Text(path, kSection, L"Log");
    const bool ok =
        ReadNumbered(path, L"Text", [&](const std::wstring& v) {
            std::vector<int> n;
            std::wstring rest;
            if (!SplitFields(v, 4, n, rest)) return false;
            size_t comma = rest.find(L',');
            if (comma == std::wstring::npos) return false;
            coverpage::AnnoText t;
            t.x = n[1], t.y = n[2], t.points = n[3];
            t.face = rest.substr(0, comma);
            t.text = rest.substr(comma + 1);
            s.texts.emplace_back(n[0], t);
            return t.points > 0 && !t.face.empty();
        }, error) &&
        ReadNumbered(path, L"Line", [&](const std::wstring& v) {
            std::vector<int> n;
            std::wstring rest;
            if (!SplitFields(v, 6, n, rest) || !rest.empty()) return false;
            s.lines.emplace_back(n[0], coverpage::AnnoLine{n[1], n[2], n[3], n[4], n[5]});
            return true;
        }, error) &&
        ReadNumbered(path, L"Rect", [&](const std::wstring& v) {
            std::vector<int> n;
            std::wstring rest;
            if (!SplitFields(v, 7, n, rest) || !rest.empty()) return false;
            s.rects.emplace_back(n[0], coverpage::AnnoRect{n[1], n[2], n[3], n[4], n[5], n[6] != 0});
            return true;
        }, error) &&
        ReadNumbered(path, L"Image", [&](const std::wstring& v) {
            std::vector<int> n;
            std::wstring rest;
            if (!SplitFields(v, 5, n, rest)) return false;
            auto dib = DibOfBmp(rest);
            if (!dib) return false;
            s.images.emplace_back(n[0], coverpage::AnnoImage{n[1], n[2], n[3], n[4], std::move(*dib)});
            return true;
        }, error);
    if (!ok) return std::nullopt;
    return s;
}

}  // namespace filler
