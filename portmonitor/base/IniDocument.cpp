#include "base/ByteOrderMarks.h"
#include "base/IniDocument.h"

#include <cstring>
#include <cwchar>
#include <string_view>

#include "base/CriticalSection.h"
#include "base/UniqueHandle.h"

namespace tw {
namespace {

// INI files are small; anything this large is not one the monitor wrote.
constexpr DWORD kMaxFileBytes = 64u * 1024 * 1024;

CriticalSection g_updateLock;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && _wcsnicmp(a.data(), b.data(), a.size()) == 0;
}

std::wstring OneLine(const std::wstring& text) {
    std::wstring line = text;
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    return line;
}

bool StartsWith(const std::string& bytes, const BYTE* prefix, size_t size) {
    return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

std::wstring Decode(const char* data, size_t size, UINT codePage) {
    if (size == 0) return {};
    const int chars = ::MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), nullptr, 0);
    std::wstring text(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) ::MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), text.data(), chars);
    return text;
}

std::string Encode(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int bytes =
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                              nullptr);
    return out;
}

}  // namespace

IniDocument::UpdateLock::UpdateLock() { g_updateLock.lock(); }
IniDocument::UpdateLock::~UpdateLock() { g_updateLock.unlock(); }

std::wstring IniDocument::ResolvePath(const std::wstring& path) {
    if (path.find_first_of(L"\\/") != std::wstring::npos) return path;
    wchar_t windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return path;
    return std::wstring(windows) + L"\\" + path;
}

UniqueFile IniDocument::OpenForUpdate(const std::wstring& path) {
    // OPEN_ALWAYS keeps the file's attributes and makes a missing file, as the profile functions do.
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IniDocument::Load(const std::wstring& path) {
    m_lines.clear();
    m_encoding = Encoding::Ansi;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return Read(file.get());
}

bool IniDocument::Read(HANDLE file) {
    m_lines.clear();
    m_encoding = Encoding::Ansi;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > kMaxFileBytes) return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)))
        return false;
    bytes.resize(got);

    std::wstring text;
    if (StartsWith(bytes, kBomUtf16Le, sizeof kBomUtf16Le) || StartsWith(bytes, kBomUtf16Be, sizeof kBomUtf16Be)) {
        m_encoding = bytes[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<BYTE>(bytes[m_encoding == Encoding::Utf16Le ? i : i + 1]);
            const auto hi = static_cast<BYTE>(bytes[m_encoding == Encoding::Utf16Le ? i + 1 : i]);
            text.push_back(static_cast<wchar_t>(lo | hi << 8));
        }
    } else if (StartsWith(bytes, kBomUtf8, sizeof kBomUtf8)) {
        m_encoding = Encoding::Utf8;
        text = Decode(bytes.data() + sizeof kBomUtf8, bytes.size() - sizeof kBomUtf8, CP_UTF8);
    } else {
        text = Decode(bytes.data(), bytes.size(), CP_ACP);
    }
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(at, end - at);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        m_lines.push_back(std::move(line));
        at = end + 1;
    }
    return true;
}

bool IniDocument::KeyOf(const std::wstring& line, std::wstring& key, std::wstring& value) {
    const std::wstring_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == L';' || trimmed.front() == L'[') return false;
    const size_t equals = trimmed.find(L'=');
    key = std::wstring(Trim(trimmed.substr(0, equals)));
    value = equals == std::wstring_view::npos ? std::wstring() : std::wstring(trimmed.substr(equals + 1));
    return true;
}

bool IniDocument::FindSection(const std::wstring& section, size_t& begin, size_t& end) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const std::wstring_view line = Trim(m_lines[i]);
        if (line.empty() || line.front() != L'[') continue;
        // The name ends at the line's last ']' (or at its end without one).
        const size_t close = line.rfind(L']');
        const std::wstring_view name = Trim(line.substr(1, close == 0 || close == std::wstring_view::npos ? line.npos : close - 1));
        if (!SameName(name, section)) continue;
        begin = i + 1;
        end = begin;
        while (end < m_lines.size() && Trim(m_lines[end]).substr(0, 1) != L"[") ++end;
        return true;
    }
    return false;
}

bool IniDocument::Get(const std::wstring& section, const std::wstring& key, std::wstring& value) const {
    size_t begin = 0, end = 0;
    if (!FindSection(section, begin, end)) return false;
    std::wstring name;
    for (size_t i = begin; i < end; ++i)
        if (KeyOf(m_lines[i], name, value) && SameName(name, key)) return true;
    return false;
}

void IniDocument::Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    const std::wstring entry = OneLine(key) + L"=" + OneLine(value);
    size_t begin = 0, end = 0;
    if (!FindSection(OneLine(section), begin, end)) {
        m_lines.push_back(L"[" + OneLine(section) + L"]");
        m_lines.push_back(entry);
        return;
    }
    std::wstring name, old;
    for (size_t i = begin; i < end; ++i) {
        if (KeyOf(m_lines[i], name, old) && SameName(name, OneLine(key))) {
            m_lines[i] = name + L"=" + OneLine(value);  // the key keeps its spelling
            return;
        }
    }
    // After the section's last line that is not blank.
    size_t at = end;
    while (at > begin && Trim(m_lines[at - 1]).empty()) --at;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

bool IniDocument::Write(HANDLE file, bool rewind) const {
    std::wstring text;
    for (const std::wstring& line : m_lines) {
        text += line;
        text += L"\r\n";
    }
    std::string bytes;
    const auto put = [&bytes](const BYTE* data, size_t size) { bytes.append(reinterpret_cast<const char*>(data), size); };
    switch (m_encoding) {
    case Encoding::Ansi:
        bytes = Encode(text, CP_ACP);
        break;
    case Encoding::Utf8:
        put(kBomUtf8, sizeof kBomUtf8);
        bytes += Encode(text, CP_UTF8);
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const bool little = m_encoding == Encoding::Utf16Le;
        put(little ? kBomUtf16Le : kBomUtf16Be, 2);
        for (wchar_t c : text) {
            const BYTE pair[] = {static_cast<BYTE>(little ? c & 0xFF : c >> 8), static_cast<BYTE>(little ? c >> 8 : c & 0xFF)};
            put(pair, 2);
        }
        break;
    }
    }
    if (rewind && ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    DWORD written = 0;
    if (!bytes.empty() &&
        (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        return false;
    return ::SetEndOfFile(file) != FALSE;  // the end is set after the one write
}

bool IniDocument::Save(const std::wstring& path) const {
    // OPEN_ALWAYS keeps the file's attributes.
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && Write(file.get(), false);
}

}  // namespace tw
