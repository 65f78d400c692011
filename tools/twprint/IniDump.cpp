#include "IniDump.h"

#include <windows.h>

#include <vector>

#include "JsonWriter.h"
#include "base/WideString.h"

namespace twprint {
namespace {

// A double-NUL-terminated list from one of the INI functions, read whole.
template <typename Read>
std::vector<std::wstring> ReadList(Read read) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD n = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n + 2 < buffer.size()) {
            std::vector<std::wstring> items;
            for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) items.emplace_back(p);
            return items;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ReadValue(const std::wstring& path, const std::wstring& section, const std::wstring& key) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path.c_str());
        if (n + 1 < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string IniFileAsJson(const std::wstring& path) {
    JsonWriter w;
    w.BeginObject();
    auto sections = ReadList([&](wchar_t* b, DWORD n) { return ::GetPrivateProfileSectionNamesW(b, n, path.c_str()); });
    for (const std::wstring& section : sections) {
        w.BeginObject(tw::ToUtf8(section));
        auto keys = ReadList([&](wchar_t* b, DWORD n) {
            return ::GetPrivateProfileStringW(section.c_str(), nullptr, L"", b, n, path.c_str());
        });
        for (const std::wstring& key : keys) {
            w.String(tw::ToUtf8(key), ReadValue(path, section, key));
        }
        w.EndObject();
    }
    w.EndObject();
    return w.str() + "\n";
}

}  // namespace twprint
