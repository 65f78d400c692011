#pragma once
// One font installed privately for the process from memory, removed again when the object goes.
// Windows installs it with AddFontMemResourceEx. Wine cannot remove such a font again
// (RemoveFontMemResourceEx is a stub there), so under Wine the font goes through a private
// temporary file with AddFontResourceEx(FR_PRIVATE), which RemoveFontResourceEx does remove.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

class InstalledFont {
public:
    InstalledFont() = default;
    ~InstalledFont() { Remove(); }
    InstalledFont(InstalledFont&& other) noexcept { *this = std::move(other); }
    InstalledFont& operator=(InstalledFont&& other) noexcept;
    InstalledFont(const InstalledFont&) = delete;
    InstalledFont& operator=(const InstalledFont&) = delete;

    // Installs `size` bytes of font data; false (and nothing installed) on failure.
    bool Install(const BYTE* data, size_t size);
    void Remove();
    explicit operator bool() const { return m_memory.valid() || !m_file.empty(); }
    // Fonts the installation added.
    DWORD Count() const { return m_count; }

    // Does this process run where installed memory fonts cannot be removed?
    static bool MemoryFontsStay() { return RunsOnWine(); }
    // Wine stubs some font functions that Windows has (RemoveFontMemResourceEx, MergeFontPackage).
    static bool RunsOnWine();

private:
    UniqueFontMemResource m_memory;
    std::wstring m_file;  // the private temporary file of a file installation
    DWORD m_count = 0;
};

}  // namespace tw
