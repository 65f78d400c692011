// Temporary font files named by the page, and the protected-mode browser's cached fonts.
#include "emfimage/TemporaryFonts.h"

#include <cstddef>
#include <cstring>
#include <cwctype>
#include <optional>

#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "emfimage/FontResource.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr wchar_t kTemporaryFontMark[] = L".TMP";
constexpr wchar_t kTempValue[] = L"TEMP";
constexpr size_t kFaceOffset = offsetof(EMREXTCREATEFONTINDIRECTW, elfw.elfLogFont.lfFaceName);
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\";
constexpr wchar_t kLocalAppData[] = L"Local AppData";
constexpr wchar_t kLocalSettings[] = L"Local Settings";
constexpr wchar_t kTempSubfolder[] = L"\\Temp\\";
constexpr wchar_t kLowSubfolder[] = L"Low\\";
constexpr wchar_t kBrowserFontPattern[] = L"Z@*.TMP";
constexpr wchar_t kUserProfileToken[] = L"%USERPROFILE%";
constexpr wchar_t kUserProfileVariable[] = L"USERPROFILE";
constexpr DWORD kVistaMajorVersion = 6;

std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

DWORD WindowsMajorVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&info);
#pragma GCC diagnostic pop
    return info.dwMajorVersion;
}

// The user's temporary folder as the shell records it, with "%USERPROFILE%" resolved.
std::wstring BrowserTempFolder() {
    const wchar_t* value = WindowsMajorVersion() == kVistaMajorVersion ? kLocalAppData : kLocalSettings;
    UniqueHKey key = OpenKey(HKEY_CURRENT_USER, kShellFolders);
    std::optional<std::wstring> stored = key ? ReadString(key.get(), value) : std::nullopt;
    if (!stored || stored->empty()) return {};
    std::wstring folder = *stored + kTempSubfolder;
    const std::wstring upper = Upper(folder);
    const size_t token = upper.find(kUserProfileToken);
    if (token != std::wstring::npos)
        folder = Environment(kUserProfileVariable) + L"\\" + folder.substr(token + std::wcslen(kUserProfileToken));
    return folder;
}

}  // namespace

bool TemporaryFontPath(const std::wstring& folder, const std::wstring& face, std::wstring& path) {
    const std::wstring upper = Upper(face);
    if (upper.find(kTemporaryFontMark) == std::wstring::npos || folder.empty()) return false;
    // A face is a file name, never a path: nothing may lead out of the temporary folder.
    if (upper.find_first_of(L"\\/:") != std::wstring::npos || upper == L"." || upper == L"..") {
        TW_TRACE(L"TemporaryFontPath: the face %s is no plain file name", face.c_str());
        return false;
    }
    path = folder;
    if (path.back() != L'\\') path += L'\\';
    path += upper;
    return true;
}

std::wstring TemporaryFontFolder(const TarnwellDEVMODE* dm) {
    std::optional<std::wstring> folder = settings::ReadString(dm, settings::kEnvVars, kTempValue);
    return folder ? *folder : std::wstring();
}

void TemporaryFontLoader::OnFontRecord(std::vector<BYTE>& record) {
    if (record.size() < kFaceOffset + LF_FACESIZE * sizeof(WCHAR)) return;
    WCHAR face[LF_FACESIZE] = {};
    std::memcpy(face, record.data() + kFaceOffset, sizeof(face));
    face[LF_FACESIZE - 1] = 0;
    std::wstring path;
    if (!TemporaryFontPath(m_folder, face, path)) return;
    // The temporary font is installed under its upper-case file name: the record asks for that.
    for (WCHAR& c : face) c = static_cast<WCHAR>(std::towupper(c));
    std::memcpy(record.data() + kFaceOffset, face, sizeof(face));
    TW_TRACE(L"%s: %s", m_logTag, face);
    TW_TRACE(L"CFontResource::AddFont: Adding item: %s.", path.c_str());
    m_fonts.AddFont(path);
}

void AddBrowserFonts(CFontResource& fonts) {
    const std::wstring folder = BrowserTempFolder();
    if (folder.empty() || ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const std::wstring low = folder + kLowSubfolder;
    WIN32_FIND_DATAW found{};
    UniqueFindFile find(::FindFirstFileW((low + kBrowserFontPattern).c_str(), &found));
    if (!find) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) fonts.AddFont(low + found.cFileName);
    } while (::FindNextFileW(find.get(), &found));
}

}  // namespace tw
