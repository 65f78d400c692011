#pragma once
// CFontResource: the fonts a job installs privately (AddFontMemResourceEx) so that its pages render
// with the fonts the printing application used: fonts carried in the page's GDI comments (engine,
// subset and delta fonts), temporary font files the page names, and the protected-mode browser's
// cached fonts. Everything is removed again by Clear and by the destructor.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/FontPackageMerger.h"
#include "emfimage/InstalledFont.h"

namespace tw {

namespace fontrec {
// An EMR_GDICOMMENT whose data begins with a 32-bit 0 and the signature "FNOT" carries a spool
// font record right after the signature.
inline constexpr DWORD kSignature = 0x544F4E46;
inline constexpr size_t kCommentData = 12;    // type, size, cbData
inline constexpr size_t kRecordStart = 20;    // comment data + 0 + signature
inline constexpr DWORD kEngineFont = 2;
inline constexpr DWORD kSubsetFont = 7;
inline constexpr DWORD kDeltaFont = 8;
inline constexpr size_t kHeaderSize = 8;      // type, size
inline constexpr size_t kFileCount = 12;      // engine fonts: type-1 id at 8, file count at 12
inline constexpr size_t kFileSizes = 16;
inline constexpr size_t kFontId = 8;          // subset and delta fonts: 8-byte identifier
inline constexpr size_t kPackage = 16;
}  // namespace fontrec

class CFontResource {
public:
    CFontResource() = default;
    ~CFontResource() { Clear(); }
    CFontResource(const CFontResource&) = delete;
    CFontResource& operator=(const CFontResource&) = delete;

    // Installs the fonts of one spool font record of `size` bytes (the record's own size field is
    // checked against it).
    void AddFontRecord(const BYTE* record, size_t size);
    // Installs one font file, once per path.
    void AddFont(const std::wstring& path);
    void Clear();
    // Fonts installed now (each handle counts once).
    size_t InstalledFonts() const;

private:
    bool AddFontFromMemory(const BYTE* data, size_t size, InstalledFont& font);
    void AddEngineFonts(const BYTE* record, size_t size);
    void AddSubsetFont(ULONGLONG id, const BYTE* package, size_t size);
    void AddDeltaFont(ULONGLONG id, const BYTE* package, size_t size);

    struct SubsetFont {
        std::vector<BYTE> font;
        InstalledFont handle;
    };
    std::vector<InstalledFont> m_handles;
    std::map<ULONGLONG, SubsetFont> m_subsets;
    std::set<std::string> m_names;
    std::set<std::wstring> m_unicodeNames;
    std::set<std::wstring> m_files;
    FontPackageMerger m_merger;
};

// Installs every font record the comments of `emf` carry.
void RegisterMetafileFonts(HENHMETAFILE emf, CFontResource& fonts);

// The spool font record a GDI comment record carries (null when it carries none); `size` is set
// to the bytes of the comment's data that follow the signature.
const BYTE* FontRecordOfComment(const BYTE* record, size_t recordSize, size_t& size);

}  // namespace tw
