#include "twfile/UniqueName.h"

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

}  // namespace tw
