#include "job/PageSelection.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace tw {
namespace {

// A range wider than any document is cut here, so "1-4000000000" cannot exhaust memory.
constexpr DWORD kMaxRangeLength = 100000;

bool ParseNumber(std::wstring_view s, DWORD& out) {
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (wchar_t c : s) out = out * 10 + static_cast<DWORD>(c - L'0');
    return out > 0;
}

}  // namespace

void PageSelection::Parse(std::wstring_view text) {
    std::wstring clean;
    for (wchar_t c : text)
        if (std::iswdigit(c) || c == L',' || c == L'-') clean += c;
    m_pages.clear();
    size_t start = 0;
    while (start <= clean.size()) {
        size_t comma = clean.find(L',', start);
        std::wstring_view item = std::wstring_view(clean).substr(start, comma == std::wstring::npos ? std::wstring::npos
                                                                                                     : comma - start);
        size_t dash = item.find(L'-');
        DWORD first = 0, last = 0;
        if (dash == std::wstring_view::npos) {
            if (ParseNumber(item, first)) m_pages.push_back(first);
        } else if (ParseNumber(item.substr(0, dash), first) && ParseNumber(item.substr(dash + 1), last)) {
            if (first > last) std::swap(first, last);
            last = std::min(last, first + kMaxRangeLength);
            for (DWORD p = first; p <= last; ++p) m_pages.push_back(p);
        }
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    std::sort(m_pages.begin(), m_pages.end());
    m_pages.erase(std::unique(m_pages.begin(), m_pages.end()), m_pages.end());
    m_lowest = m_pages.empty() ? 0 : m_pages.front();
    m_highest = m_pages.empty() ? 0 : m_pages.back();
}

bool PageSelection::Contains(DWORD page) const { return std::binary_search(m_pages.begin(), m_pages.end(), page); }

}  // namespace tw
