#include "twfile/UniqueName.h"

#include <algorithm>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Trace.h"

namespace tw {

DWORD MakeTemporaryName(const std::wstring& directory, const std::wstring& prefix, std::wstring& name) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(directory.c_str(), prefix.c_str(), 0, buffer)) {
        DWORD error = ::GetLastError();
        TW_TRACE(L"MakeTemporaryName: GetTempFileName failed in %s (%lu)", directory.c_str(), error);
        return error ? error : ERROR_GEN_FAILURE;
    }
    ::DeleteFileW(buffer);
    name = buffer;
    return 0;
}

DWORD CreateFileExclusively(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return 0;
    const DWORD error = ::GetLastError();
    TW_TRACE(L"CreateFileExclusively: %s not created (%lu)", path.c_str(), error);
    return error ? error : ERROR_GEN_FAILURE;
}

bool IsNameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

CNameReservation::~CNameReservation() { Settle({}); }

DWORD CNameReservation::Reserve(const std::wstring& path, const std::vector<std::wstring>& written) {
    Settle(written);
    const DWORD error = CreateFileExclusively(path);
    if (error == 0) m_name = path;
    return error;
}

void CNameReservation::Settle(const std::vector<std::wstring>& written) {
    if (m_name.empty()) return;
    const std::wstring name = std::move(m_name);
    m_name.clear();
    if (std::any_of(written.begin(), written.end(), [&](const std::wstring& w) { return EqualsNoCase(w, name); }))
        return;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return;
    if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0 && !::DeleteFileW(name.c_str()))
        TW_TRACE(L"CNameReservation: cannot remove the unused %s (%lu)", name.c_str(), ::GetLastError());
}

}  // namespace tw
