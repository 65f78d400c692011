#include "StarterLog.h"

#include <cstdarg>

#include "base/UniqueHandle.h"
#include "base/WideString.h"

namespace appstarter {

void StarterLog::Line(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = tw::VFormatW(format, args);
    va_end(args);
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    std::wstring line = tw::FormatW(L"%04u-%02u-%02u %02u:%02u:%02u.%03u [PID %lu] ", now.wYear, now.wMonth, now.wDay,
                                    now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                                    ::GetCurrentProcessId()) +
                         text + L"\r\n";
    const std::string bytes = tw::ToUtf8(line);
    // Appends: jobs of several printers may share one log.
    tw::UniqueFile file(::CreateFileW(m_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring DefaultLogPath() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp) + L"TuMAppTS.log";
}

}  // namespace appstarter
