#include "base/IniSectionBatch.h"

#include "base/IniDocument.h"

#include <cwchar>

namespace tw {
void IniSectionBatch::Set(Entries& entries, const std::wstring& key, const std::wstring& value) {
    for (auto& entry : entries) {
        if (_wcsicmp(entry.first.c_str(), key.c_str()) == 0) {
            entry.second = value;
            return;
        }
    }
    entries.emplace_back(key, value);
}

void IniSectionBatch::Add(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    for (auto& s : m_sections) {
        if (_wcsicmp(s.first.c_str(), section) == 0) {
            Set(s.second, key, value);
            return;
        }
    }
    m_sections.emplace_back(section, Entries{{key, value}});
}

bool IniSectionBatch::WriteTo(const std::wstring& path) const {
    return IniDocument::Update(path, [this](IniDocument& doc) {
        for (const auto& [section, entries] : m_sections)
            for (const auto& [key, value] : entries) doc.Set(section, key, value);
    });
}

}  // namespace tw
