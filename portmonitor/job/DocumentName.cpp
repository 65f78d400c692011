#include "job/DocumentName.h"

#include <cwctype>

namespace tw {
namespace {

// Removed wherever they occur, in this order.
const wchar_t* const kRemovedAnywhere[] = {
    L"Microsoft Word - ", L"Microsoft PowerPoint - ", L"Crystal Reports - ", L" [Compatibility Mode]",
    L" - Compatibility Mode", L"  -  Compatibility Mode", L" - Read-Only", L"  -  Read-Only", L" [Read-Only]",
    L".txt - \u30E1\u30E2\u5E33", L" - \u30E1\u30E2\u5E33", L".txt - Notepad", L" - Notepad"};
constexpr wchar_t kRemovedAtStart[] = L"Visio-";
// Removed when the name ends with them.
const wchar_t* const kRemovedAtEnd[] = {L" pdf", L" PDF", L".pdf", L".PDF", L" pmd", L" PMD", L".pmd", L".PMD"};

void RemoveAll(std::wstring& s, std::wstring_view what) {
    for (size_t pos; (pos = s.find(what)) != std::wstring::npos;) s.erase(pos, what.size());
}

bool IsPathLike(const std::wstring& s) {
    if (s.find(L'\\') == std::wstring::npos) return false;
    bool drive = s.size() >= 3 && std::iswalpha(s[0]) && s[1] == L':' && s[2] == L'\\';
    bool unc = s.size() >= 2 && s[0] == L'\\' && s[1] == L'\\';
    return drive || unc;
}

}  // namespace

std::wstring CleanDocumentName(std::wstring name) {
    for (const wchar_t* what : kRemovedAnywhere) RemoveAll(name, what);
    if (name.rfind(kRemovedAtStart, 0) == 0) name.erase(0, std::char_traits<wchar_t>::length(kRemovedAtStart));
    for (const wchar_t* suffix : kRemovedAtEnd) {
        std::wstring_view sv(suffix);
        if (name.size() >= sv.size() && name.compare(name.size() - sv.size(), sv.size(), sv) == 0)
            name.erase(name.size() - sv.size());
    }
    if (IsPathLike(name)) name = name.substr(name.find_last_of(L'\\') + 1);
    return name;
}

}  // namespace tw
