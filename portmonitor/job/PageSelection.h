#pragma once
// The pages a user chose to print ("Selected Pages"): numbers and ranges separated by commas.
#include <windows.h>

#include <string_view>
#include <vector>

namespace tw {

class PageSelection {
public:
    // Keeps only digits, commas and hyphens of `text`; an empty result selects nothing and
    // switches the selection off.
    void Parse(std::wstring_view text);
    bool Active() const { return !m_pages.empty(); }
    bool Contains(DWORD page) const;
    DWORD Lowest() const { return m_lowest; }
    DWORD Highest() const { return m_highest; }
    const std::vector<DWORD>& Pages() const { return m_pages; }

private:
    std::vector<DWORD> m_pages;  // sorted, each once
    DWORD m_lowest = 0;
    DWORD m_highest = 0;
};

}  // namespace tw
