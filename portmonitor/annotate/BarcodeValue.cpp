// CBarcodeWriter: where the barcode's value comes from, and the bytes the libraries take.
#include <cstring>

#include "annotate/BarcodeWriter.h"
#include "base/ByteOrderMarks.h"
#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

// Larger files are refused rather than read: no symbol holds more, and a page must not wait
// for a runaway file.
constexpr DWORD kMaxValueFileBytes = 65536;
constexpr DWORD kMaxPatternFileBytes = 1048576;

constexpr wchar_t kEmptyString[] = L"Empty string";
constexpr wchar_t kConversionFailed[] = L"Unicode ANSI conversion failed";
constexpr wchar_t kNoMatch[] = L"Regular expression does not match";
constexpr wchar_t kValueNotSet[] = L"Value not set";
constexpr wchar_t kBadPattern[] = L"Invalid regular expression";
constexpr wchar_t kMatchLimit[] = L"Regular expression match limit reached";
constexpr wchar_t kFileTooLarge[] = L"%s is larger than %lu bytes";
constexpr wchar_t kFileUnreadable[] = L"%s cannot be read";


enum class FileRead { Ok, Missing, TooLarge, Unreadable };

FileRead ReadWhole(const std::wstring& path, DWORD maxBytes, std::string& bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FileRead::Missing;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return FileRead::Unreadable;
    if (size.QuadPart > maxBytes) return FileRead::TooLarge;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return FileRead::Unreadable;
    return FileRead::Ok;
}

bool StartsWith(const std::string& bytes, const unsigned char* prefix, size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), prefix, n) == 0;
}

// A text file's characters: UTF-16 (little-endian) or UTF-8 after their byte-order marks,
// otherwise the ANSI code page.
std::wstring DecodeText(const std::string& bytes) {
    if (StartsWith(bytes, kBomUtf16Le, sizeof kBomUtf16Le)) {
        std::wstring text((bytes.size() - sizeof kBomUtf16Le) / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), bytes.data() + sizeof kBomUtf16Le, text.size() * sizeof(wchar_t));
        return text;
    }
    const bool utf8 = StartsWith(bytes, kBomUtf8, sizeof kBomUtf8);
    const size_t skip = utf8 ? sizeof kBomUtf8 : 0;
    const int length = static_cast<int>(bytes.size() - skip);
    if (length <= 0) return {};
    const UINT page = utf8 ? CP_UTF8 : CP_ACP;
    const int n = ::MultiByteToWideChar(page, 0, bytes.data() + skip, length, nullptr, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(page, 0, bytes.data() + skip, length, text.data(), n);
    return text;
}

template <typename S>
void TrimLineEnds(S& s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == '\0')) s.pop_back();
}

// A configured file name, expanded; empty when none is configured.
std::wstring ConfiguredPath(const TarnwellDEVMODE& dm, const wchar_t* name) {
    std::optional<std::wstring> raw = settings::ReadString(&dm, settings::kBarcodeSettings, name);
    if (!raw || raw->empty()) return {};
    if (raw->size() > barcodeset::kMaxPathChars) raw->resize(barcodeset::kMaxPathChars);
    std::wstring expanded;
    ExpandVariables(&dm, *raw, expanded);
    return expanded.empty() ? *raw : expanded;
}

}  // namespace

bool CBarcodeWriter::Convert(const BarcodeOptions& o, const std::wstring& text, std::string& value) {
    value.clear();
    if (text.empty()) {
        RecordError(barcodeerr::kInvalidValue, kEmptyString);
        return false;
    }
    const bool qr = static_cast<BarcodeKind>(o.kind) == BarcodeKind::QR;
    const UINT page = qr ? CP_UTF8 : CP_ACP;
    // UTF-8 refuses what is not text (a lone surrogate) instead of guessing.
    const DWORD flags = qr ? WC_ERR_INVALID_CHARS : 0;
    const int length = static_cast<int>(text.size());
    const int n = ::WideCharToMultiByte(page, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (n > 0) {
        value.resize(static_cast<size_t>(n));
        ::WideCharToMultiByte(page, flags, text.data(), length, value.data(), n, nullptr, nullptr);
    }
    if (value.empty()) {
        RecordError(barcodeerr::kInvalidValue, kConversionFailed);
        return false;
    }
    return true;
}

bool CBarcodeWriter::ValueFromSettings(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value) {
    const std::optional<std::wstring> text = settings::ReadString(&dm, settings::kBarcodeSettings, barcodeset::kValue);
    return Convert(o, text ? *text : std::wstring(), value);
}

bool CBarcodeWriter::ValueFromFile(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value) {
    const std::wstring path = ConfiguredPath(dm, barcodeset::kValueFile);
    std::string bytes;
    switch (ReadWhole(path, kMaxValueFileBytes, bytes)) {
    case FileRead::Ok: break;
    case FileRead::Missing: RecordError(barcodeerr::kValueFileNotFound, path); return false;
    case FileRead::TooLarge:
        RecordError(barcodeerr::kInvalidValue, FormatW(kFileTooLarge, path.c_str(), static_cast<unsigned long>(kMaxValueFileBytes)));
        return false;
    default: RecordError(barcodeerr::kInternal, FormatW(kFileUnreadable, path.c_str())); return false;
    }
    // A file with a byte-order mark holds text, converted as the kind takes it; any other file
    // gives its bytes as they are. The line end an editor leaves is not part of the value.
    if (StartsWith(bytes, kBomUtf16Le, sizeof kBomUtf16Le) || StartsWith(bytes, kBomUtf8, sizeof kBomUtf8)) {
        std::wstring text = DecodeText(bytes);
        TrimLineEnds(text);
        return Convert(o, text, value);
    }
    TrimLineEnds(bytes);
    if (bytes.empty()) {
        RecordError(barcodeerr::kInvalidValue, kEmptyString);
        return false;
    }
    value = std::move(bytes);
    return true;
}

bool CBarcodeWriter::ValueFromRegExp(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value) {
    const std::wstring patternPath = ConfiguredPath(dm, barcodeset::kRegExpFile);
    const std::wstring formatPath = ConfiguredPath(dm, barcodeset::kRegExpFormatFile);
    std::string patternBytes, formatBytes;
    bool usable = !patternPath.empty();
    const FileRead pattern = usable ? ReadWhole(patternPath, kMaxPatternFileBytes, patternBytes) : FileRead::Missing;
    if (usable && pattern != FileRead::Ok) {
        RecordError(pattern == FileRead::Missing ? barcodeerr::kPatternFileNotFound : barcodeerr::kInvalidValue,
                    pattern == FileRead::Missing ? patternPath : FormatW(kFileTooLarge, patternPath.c_str(),
                                                                         static_cast<unsigned long>(kMaxPatternFileBytes)));
        usable = false;
    }
    if (!formatPath.empty() && ReadWhole(formatPath, kMaxPatternFileBytes, formatBytes) != FileRead::Ok) {
        RecordError(barcodeerr::kFormatFileNotFound, formatPath);
        usable = false;
    }
    // Without its expression the page's text itself is the value.
    if (!usable) return ValueFromPageText(o, value);
    const wchar_t* loadError = nullptr;
    const RegExpFunctions* re = m_libraries.RegExp(loadError);
    if (!re) {
        RecordError(barcodeerr::kInternal, loadError);
        return false;
    }
    std::wstring patternText = DecodeText(patternBytes), formatText = DecodeText(formatBytes);
    TrimLineEnds(patternText);
    TrimLineEnds(formatText);
    wchar_t* result = nullptr;
    int length = 0;
    const int rc = re->match(patternText.c_str(), m_text.c_str(), formatText.c_str(), &result, &length);
    TW_TRACE(L"CBarcodeWriter: RegExpMatch: %d, length %d", rc, length);
    std::wstring matched;
    if (result) {
        matched.assign(result, length > 0 ? static_cast<size_t>(length) : 0);
        re->freeResult(result, 0);
    }
    if (rc == kRegExpMatched) return Convert(o, matched, value);
    if (rc == kRegExpNoMatch) RecordError(barcodeerr::kInvalidValue, kNoMatch);
    else if (rc == kRegExpBadPattern || rc == kRegExpBadFormat) RecordError(barcodeerr::kInvalidValue, kBadPattern);
    else if (rc == kRegExpLimit) RecordError(barcodeerr::kInvalidValue, kMatchLimit);
    else RecordError(barcodeerr::kInternal, std::to_wstring(rc));
    return false;
}

bool CBarcodeWriter::ValueFromPageText(const BarcodeOptions& o, std::string& value) {
    if (m_text.empty()) {
        RecordError(barcodeerr::kInvalidValue, kValueNotSet);
        return false;
    }
    return Convert(o, m_text, value);
}

bool CBarcodeWriter::GetValue(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value) {
    switch (static_cast<BarcodeSource>(o.valueSource)) {
    case BarcodeSource::SettingsValue: return ValueFromSettings(o, dm, value);
    case BarcodeSource::ValueFile: return ValueFromFile(o, dm, value);
    case BarcodeSource::RegularExpression: return ValueFromRegExp(o, dm, value);
    case BarcodeSource::PageText: return ValueFromPageText(o, value);
    }
    RecordError(barcodeerr::kInternal, FormatW(L"value source %u", static_cast<unsigned>(o.valueSource)));
    return false;
}

}  // namespace tw
