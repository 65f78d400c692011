#pragma once
// One event source of the Windows event log, named after a printer, whose messages come from
// the message table of the module that holds this code (tarnmon.dll, or the program that
// links the static library).
#include <windows.h>

#include <array>
#include <string>

#include "base/UniqueHandle.h"
#include "monitor/DiagnosticTexts.h"

namespace tw {

namespace detail {
// An event source handle, deregistered through the seam it was registered with.
struct SeamEventSourceTraits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h);
};
}  // namespace detail

class CEventLog {
public:
    // %1 to %10: printer, document, user, date and time submitted, date and time printed or
    // aborted, computer name, IP address, host name.
    using JobStrings = std::array<LPCWSTR, diag::kJobEventStrings>;
    // The same followed by %11, the error or warning text.
    using ErrorStrings = std::array<LPCWSTR, diag::kJobErrorEventStrings>;

    CEventLog() = default;
    ~CEventLog() = default;
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Creates the source's registry entry (message file and types) and registers the source.
    // A source that was registered before is deregistered first.
    BOOL Register(LPCWSTR sourceName);
    bool IsRegistered() const { return m_hSource.valid(); }

    // Each returns FALSE, and reports nothing, without a registered source or when any
    // insertion string is null.
    BOOL ReportSuccess(const JobStrings& strings);
    BOOL ReportAborted(const JobStrings& strings);
    BOOL ReportError(const ErrorStrings& strings);
    BOOL ReportWarning(const ErrorStrings& strings);

    void Deregister();

    // Full path of the module that carries the message table: the one this code is linked into.
    static std::wstring MessageModulePath();
    // "SYSTEM\CurrentControlSet\Services\EventLog\Application\<source>" under HKEY_LOCAL_MACHINE.
    static std::wstring SourceKeyPath(LPCWSTR sourceName);

private:
    BOOL Report(WORD type, DWORD eventId, WORD count, const LPCWSTR* strings);

    UniqueHandle<detail::SeamEventSourceTraits> m_hSource;
};

}  // namespace tw
