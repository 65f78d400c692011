#include "PlugInLog.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace twplugin {

namespace {

// How many bytes of the record its own header vouches for. The header fields themselves lie
// inside the fixed DEVMODEW that the caller's pointer type promises.
size_t CoveredSize(const DEVMODEW* dm) {
    WORD size = 0;
    WORD extra = 0;
    const BYTE* p = reinterpret_cast<const BYTE*>(dm);
    std::memcpy(&size, p + tw::dmoff::dmSize, sizeof(size));
    std::memcpy(&extra, p + tw::dmoff::dmDriverExtra, sizeof(extra));
    return static_cast<size_t>(size) + extra;
}

// The value at `offset`, read byte-wise (the driver's fields are unaligned), or nothing when
// the record does not reach that far.
template <typename T>
std::optional<T> ReadField(const DEVMODEW* dm, size_t covered, size_t offset) {
    if (offset + sizeof(T) > covered) return std::nullopt;
    T value{};
    std::memcpy(&value, reinterpret_cast<const BYTE*>(dm) + offset, sizeof(T));
    return value;
}

// Keeps one call on one line whatever a name contains.
std::string OneLine(std::string s) {
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return s;
}

std::string Quoted(std::wstring_view s) {
    std::string text(1, '"');
    text += OneLine(tw::ToUtf8(s));
    text += '"';
    return text;
}

}  // namespace

void CallLine::Field(const char* name, const std::string& value) {
    m_text += ' ';
    m_text += name;
    m_text += '=';
    m_text += value;
}

CallLine& CallLine::DevMode(const DEVMODEW* pDevMode) {
    if (!pDevMode) {
        Null("devmode");
        return *this;
    }
    const size_t covered = CoveredSize(pDevMode);
    const size_t nameBytes = std::min(covered, tw::dmcap::dmDeviceName * sizeof(wchar_t));
    const wchar_t* name = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(pDevMode) + tw::dmoff::dmDeviceName);
    Field("device", Quoted(std::wstring_view(name, tw::BoundedLength(name, nameBytes / sizeof(wchar_t)))));

    auto number = [&](const char* key, auto value) {
        if (value) Field(key, std::to_string(*value));
    };
    number("orientation", ReadField<short>(pDevMode, covered, tw::dmoff::dmOrientation));
    number("paperWidth", ReadField<short>(pDevMode, covered, tw::dmoff::dmPaperWidth));
    number("paperLength", ReadField<short>(pDevMode, covered, tw::dmoff::dmPaperLength));
    number("pixelWidth", ReadField<LONG>(pDevMode, covered, tw::dmoff::PageWidthInPixels));
    number("pixelHeight", ReadField<LONG>(pDevMode, covered, tw::dmoff::PageHeightInPixels));
    return *this;
}

CallLine& CallLine::Number(const char* name, std::uint64_t value) {
    Field(name, std::to_string(value));
    return *this;
}

CallLine& CallLine::Null(const char* name) {
    Field(name, "null");
    return *this;
}

CallLine& CallLine::Text(const char* name, const wchar_t* value) {
    if (!value) return Null(name);
    Field(name, Quoted(value));
    return *this;
}

bool AppendLogLine(const std::wstring& path, const std::string& line) {
    TW_TRACE(L"> AppendLogLine");
    if (path.empty()) return true;
    tw::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        TW_TRACE_FAILED(L"AppendLogLine", L"CreateFile");
        return false;
    }
    std::string text = line + "\r\n";
    DWORD written = 0;
    BOOL ok = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    bool result = ok && written == text.size();
    TW_TRACE_RESULT(L"AppendLogLine", result);
    return result;
}

}  // namespace twplugin
