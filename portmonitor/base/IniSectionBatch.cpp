// One read and one write per INI section.
#include "base/IniSectionBatch.h"

#include <cwchar>

namespace tw {
namespace {

// A section as GetPrivateProfileSectionW gives it: "key=value" strings, each ended by a null.
std::wstring ReadSection(const wchar_t* section, const std::wstring& path) {
    std::wstring buffer(4096, L'\0');
    for (;;) {
        const DWORD n = ::GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                    path.c_str());
        // A full buffer is reported as its size less two: read again with more room.
        if (n + 2 < buffer.size()) return buffer.substr(0, n);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

}  // namespace

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
    bool all = true;
    for (const auto& [section, added] : m_sections) {
        Entries merged;
        const std::wstring existing = ReadSection(section.c_str(), path);
        for (size_t at = 0; at < existing.size();) {
            const size_t end = existing.find(L'\0', at);
            const std::wstring line = existing.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
            at = end == std::wstring::npos ? existing.size() : end + 1;
            const size_t equals = line.find(L'=');
            if (equals == std::wstring::npos) continue;
            merged.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        for (const auto& [key, value] : added) Set(merged, key, value);
        std::wstring block;
        for (const auto& [key, value] : merged) {
            block += key;
            block += L'=';
            block += value;
            block += L'\0';
        }
        block += L'\0';
        if (!::WritePrivateProfileSectionW(section.c_str(), block.c_str(), path.c_str())) all = false;
    }
    return all;
}

}  // namespace tw
