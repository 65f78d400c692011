#pragma once
// Values of a few INI sections written together: a page of a job writes a dozen values into its
// group file, and the file is read and written once for all of them.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace tw {

class IniSectionBatch {
public:
    // A later value for the same key of the same section replaces the earlier one.
    void Add(const wchar_t* section, const wchar_t* key, const std::wstring& value);
    bool Empty() const { return m_sections.empty(); }

    // Writes every section into `path`: the keys the file has keep their place (with the new
    // value when the batch has one), the new keys follow in the order they were added. False
    // when the file could not be read or written.
    bool WriteTo(const std::wstring& path) const;

private:
    using Entries = std::vector<std::pair<std::wstring, std::wstring>>;
    static void Set(Entries& entries, const std::wstring& key, const std::wstring& value);
    std::vector<std::pair<std::wstring, Entries>> m_sections;
};

}  // namespace tw
