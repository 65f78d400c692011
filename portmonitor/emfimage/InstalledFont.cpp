// Installing and removing one private font.
#include "emfimage/InstalledFont.h"

#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr wchar_t kNtdll[] = L"ntdll.dll";
constexpr char kWineVersion[] = "wine_get_version";
constexpr wchar_t kFilePrefix[] = L"twf";

bool WriteWhole(const std::wstring& path, const BYTE* data, size_t size) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

}  // namespace

bool InstalledFont::RunsOnWine() {
    static const bool wine = [] {
        HMODULE ntdll = ::GetModuleHandleW(kNtdll);
        return ntdll && ::GetProcAddress(ntdll, kWineVersion) != nullptr;
    }();
    return wine;
}

InstalledFont& InstalledFont::operator=(InstalledFont&& other) noexcept {
    if (this != &other) {
        Remove();
        m_memory = std::move(other.m_memory);
        m_file = std::move(other.m_file);
        m_count = other.m_count;
        other.m_file.clear();
        other.m_count = 0;
    }
    return *this;
}

bool InstalledFont::Install(const BYTE* data, size_t size) {
    Remove();
    if (!data || size == 0 || size > MAXDWORD) return false;
    if (!MemoryFontsStay()) {
        m_memory.reset(::AddFontMemResourceEx(const_cast<BYTE*>(data), static_cast<DWORD>(size), nullptr, &m_count));
        return m_memory.valid();
    }
    wchar_t folder[MAX_PATH + 1] = {}, path[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, kFilePrefix, 0, path)) return false;
    if (!WriteWhole(path, data, size)) {
        ::DeleteFileW(path);
        return false;
    }
    const int added = ::AddFontResourceExW(path, FR_PRIVATE, nullptr);
    if (added <= 0) {
        ::DeleteFileW(path);
        return false;
    }
    m_file = path;
    m_count = static_cast<DWORD>(added);
    return true;
}

void InstalledFont::Remove() {
    m_memory.reset();
    if (!m_file.empty()) {
        if (!::RemoveFontResourceExW(m_file.c_str(), FR_PRIVATE, nullptr))
            TW_TRACE(L"CFontResource::Clear: Failed to remove font");
        ::DeleteFileW(m_file.c_str());
        m_file.clear();
    }
    m_count = 0;
}

}  // namespace tw
