#pragma once
// Keeps the multi-page output file open for the whole document, so that the file exists
// from the first page on and no other job takes its name.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

class COutputFileLock {
public:
    // Holds `fileName` (opened for reading and writing, shared, created when missing). A file
    // already held under the same name, in any case, stays held; another one is released
    // first. False with the Windows error when the file cannot be opened.
    bool Lock(const std::wstring& fileName, DWORD& error);
    // Closes the file and deletes it when the lock created it and it is still empty: a document
    // that produced no page leaves no empty output behind.
    void Release();
    const std::wstring& FileName() const { return m_name; }
    bool Held() const { return m_file.valid(); }

private:
    UniqueFile m_file;
    std::wstring m_name;
    bool m_bCreated = false;
};

}  // namespace tw
