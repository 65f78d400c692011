#pragma once
// A page metafile saved for the forwarding program in the temporary directory. The file goes
// with the object unless it was handed on (Keep): a page whose record was not written leaves
// nothing behind.
#include <windows.h>

#include <string>

namespace tw {

class CForwardingFile {
public:
    CForwardingFile() = default;
    ~CForwardingFile();
    CForwardingFile(CForwardingFile&& other) noexcept;
    CForwardingFile& operator=(CForwardingFile&&) = delete;
    CForwardingFile(const CForwardingFile&) = delete;
    CForwardingFile& operator=(const CForwardingFile&) = delete;

    // GetTempFileName with `prefix` in the temporary directory, holding the metafile's bytes.
    bool Save(HENHMETAFILE emf, const wchar_t* prefix);
    // The file's size on disk; 0 when it cannot be opened.
    DWORD SizeOnDisk() const;
    const std::wstring& Path() const { return m_path; }
    // The forwarding program deletes the file once it has printed it.
    void Keep() { m_kept = true; }

private:
    std::wstring m_path;
    bool m_kept = false;
};

}  // namespace tw
