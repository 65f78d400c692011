#include "twfile/FileNameRules.h"

#include <cwctype>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "twfile/NamingTexts.h"

namespace tw {
namespace {

// Removed from document names: what a file name cannot hold.
constexpr std::wstring_view kRemovedFromDocumentNames = L"\"*/:<>?\\|";
constexpr std::wstring_view kInvalidInExplicitNames = L"<>?*/\"|\r\n";

const wchar_t* const kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2",   L"COM3",    L"COM4",
                                       L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1",   L"LPT2",    L"LPT3",
                                       L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9",   L"CONIN$",  L"CONOUT$",
                                       L"COM\u00B9", L"COM\u00B2", L"COM\u00B3", L"LPT\u00B9", L"LPT\u00B2", L"LPT\u00B3"};

size_t LastBackslash(std::wstring_view name) { return name.find_last_of(L'\\'); }

}  // namespace

NameParts SplitExtension(std::wstring_view name) {
    NameParts parts;
    size_t slash = LastBackslash(name);
    size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos || (slash != std::wstring_view::npos && dot < slash)) {
        parts.base.assign(name);
        return parts;
    }
    parts.base.assign(name.substr(0, dot));
    parts.extension.assign(name.substr(dot + 1));
    parts.hasDot = true;
    return parts;
}

std::wstring ReplaceExtension(std::wstring_view name, std::wstring_view extension) {
    NameParts parts = SplitExtension(name);
    return parts.base + L"." + std::wstring(extension);
}

void SplitDirectory(std::wstring_view name, std::wstring& directory, std::wstring& file) {
    size_t slash = LastBackslash(name);
    if (slash == std::wstring_view::npos) {
        directory.clear();
        file.assign(name);
        return;
    }
    directory.assign(name.substr(0, slash + 1));
    file.assign(name.substr(slash + 1));
}

std::wstring WithTrailingBackslash(std::wstring directory) {
    if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
    return directory;
}

std::wstring CleanDocumentFileName(std::wstring_view documentName, std::wstring_view formatExtension) {
    std::wstring name(documentName);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && name.size() - dot - 1 < naming::kDocumentExtensionLimit) name.erase(dot);
    name += L".";
    name += formatExtension;
    std::wstring cleaned;
    for (wchar_t c : name) {
        if (cleaned.size() >= naming::kCleanedNameChars) break;
        if (kRemovedFromDocumentNames.find(c) != std::wstring_view::npos || c < L' ') continue;
        cleaned += c;
    }
    if (IsReservedDeviceName(cleaned)) cleaned.insert(0, L"_");
    return cleaned;
}

bool HasInvalidNameCharacter(std::wstring_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (kInvalidInExplicitNames.find(name[i]) != std::wstring_view::npos) return true;
        if (name[i] == L':' && i != 1) return true;
    }
    return false;
}

bool IsReservedDeviceName(std::wstring_view fileName) {
    std::wstring_view stem = fileName.substr(0, fileName.find(L'.'));
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.remove_suffix(1);
    for (const wchar_t* device : kDeviceNames)
        if (EqualsNoCase(stem, device)) return true;
    return false;
}

bool IsSafeDocumentFileName(std::wstring_view fileName) {
    if (fileName.empty()) return false;
    if (fileName.find_first_of(L"\\/:") != std::wstring_view::npos) return false;
    if (fileName.find_first_not_of(L". ") == std::wstring_view::npos) return false;  // ".", "..", "..."
    for (wchar_t c : fileName)
        if (c < L' ') return false;
    return !IsReservedDeviceName(fileName);
}

std::wstring ApplyExtensionRule(std::wstring_view name, std::wstring_view formatExtension, bool forceFormat) {
    std::wstring result(name);
    NameParts parts = SplitExtension(name);
    if (!parts.hasDot) {
        result += L".";
        result += formatExtension;
    } else if (parts.extension.empty()) {
        result += formatExtension;
    } else if (forceFormat && !EqualsNoCase(parts.extension, formatExtension)) {
        result += L".";
        result += formatExtension;
    }
    return result;
}

std::wstring ApplyNumbering(std::wstring_view name, const NumberingRequest& request,
                            const std::function<bool(const std::wstring&)>& exists) {
    const NameParts parts = SplitExtension(name);
    auto compose = [&](const std::wstring& base) {
        return parts.hasDot ? base + L"." + parts.extension : base;
    };
    std::wstring result(name);
    if (request.pageNumbering)
        result = compose(FormatW(L"%s%06lu", parts.base.c_str(), static_cast<unsigned long>(request.sheet)));
    if (request.collisionNumbering) {
        for (unsigned long d = 1; exists(result); ++d) {
            std::wstring base = request.pageStyleCollision
                                    ? FormatW(L"%s%06lu (%lu)", parts.base.c_str(),
                                              static_cast<unsigned long>(request.sheet), d)
                                    : FormatW(L"%s (%lu)", parts.base.c_str(), d);
            result = compose(base);
        }
    }
    return result;
}

DWORD SheetNumber(DWORD pageIndex, int pagesPerSheet) {
    return pagesPerSheet >= 2 ? pageIndex / static_cast<DWORD>(pagesPerSheet) + 1 : pageIndex + 1;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileIsReadWrite(const std::wstring& path) {
    if (!FileExists(path)) return false;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

}  // namespace tw
