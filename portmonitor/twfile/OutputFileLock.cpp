#include "twfile/OutputFileLock.h"

#include "base/WideString.h"
#include "monitor/Trace.h"

namespace tw {

bool COutputFileLock::Lock(const std::wstring& fileName, DWORD& error) {
    TW_TRACE(L"CTWJob::LockFile: %s", fileName.c_str());
    error = 0;
    if (m_file && EqualsNoCase(m_name, fileName)) return true;
    Release();
    m_file.reset(::CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) {
        error = ::GetLastError();
        TW_TRACE(L"CTWJob::LockFile: cannot open (%lu)", error);
        return false;
    }
    m_bCreated = ::GetLastError() != ERROR_ALREADY_EXISTS;
    m_name = fileName;
    return true;
}

void COutputFileLock::Release() {
    TW_TRACE(L"CTWJob::ReleaseFile");
    if (!m_file) {
        m_name.clear();
        return;
    }
    LARGE_INTEGER size{};
    const bool empty = m_bCreated && ::GetFileSizeEx(m_file.get(), &size) && size.QuadPart == 0;
    m_file.reset();
    if (empty && !::DeleteFileW(m_name.c_str()))
        TW_TRACE(L"CTWJob::ReleaseFile: cannot delete empty %s (%lu)", m_name.c_str(), ::GetLastError());
    m_name.clear();
}

}  // namespace tw
