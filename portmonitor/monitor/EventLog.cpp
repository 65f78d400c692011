#include "monitor/EventLog.h"

#include <algorithm>
#include <vector>

#include "base/Registry.h"
#include "monitor/EventLogSeam.h"
#include "monitor/Trace.h"

namespace tw {

void detail::SeamEventSourceTraits::close(HANDLE h) { EventLogSink().DeregisterEventSource(h); }

std::wstring CEventLog::MessageModulePath() {
    TW_TRACE(L"> CEventLog::MessageModulePath");
    HMODULE hModule = nullptr;
    // Any address inside this code names the module it was linked into; the reference count
    // is left alone, so there is nothing to release.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&CEventLog::MessageModulePath), &hModule)) {
        TW_TRACE(L"< CEventLog::MessageModulePath[!GetModuleHandleEx]: FALSE");
        return {};
    }
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(hModule, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            TW_TRACE(L"< CEventLog::MessageModulePath[!GetModuleFileName]: FALSE");
            return {};
        }
        if (n < path.size()) {
            TW_TRACE(L"< CEventLog::MessageModulePath: TRUE");
            return std::wstring(path.data(), n);
        }
        // A truncated path would name the wrong file: grow and ask again.
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring CEventLog::SourceKeyPath(LPCWSTR sourceName) {
    return std::wstring(diag::kEventSourceKeyBase) + (sourceName ? sourceName : L"");
}

BOOL CEventLog::Register(LPCWSTR sourceName) {
    TW_TRACE(L"> CEventLog::Register");
    Deregister();
    if (!sourceName || !*sourceName) {
        TW_TRACE_FAILED(L"CEventLog::Register", L"SourceName");
        return FALSE;
    }
    std::wstring messageFile = MessageModulePath();
    if (messageFile.empty()) {
        TW_TRACE_FAILED(L"CEventLog::Register", L"MessageModulePath");
        return FALSE;
    }
    {
        UniqueHKey key = CreateKey(HKEY_LOCAL_MACHINE, SourceKeyPath(sourceName), KEY_SET_VALUE);
        if (!key) {
            TW_TRACE_FAILED(L"CEventLog::Register", L"RegCreateKeyEx");
            return FALSE;
        }
        if (!WriteString(key.get(), diag::kEventMessageFileValue, messageFile) ||
            !WriteDword(key.get(), diag::kTypesSupportedValue, diag::kTypesSupported)) {
            TW_TRACE_FAILED(L"CEventLog::Register", L"RegSetValueEx");
            return FALSE;
        }
    }
    m_hSource.reset(EventLogSink().RegisterEventSource(nullptr, sourceName));
    if (!m_hSource) {
        TW_TRACE_FAILED(L"CEventLog::Register", L"RegisterEventSource");
        return FALSE;
    }
    TW_TRACE(L"< CEventLog::Register: TRUE");
    return TRUE;
}

void CEventLog::Deregister() {
    TW_TRACE(L"> CEventLog::Deregister");
    m_hSource.reset();
    TW_TRACE(L"< CEventLog::Deregister");
}

BOOL CEventLog::Report(WORD type, DWORD eventId, WORD count, const LPCWSTR* strings) {
    TW_TRACE(L"> CEventLog::Report(%lu)", eventId);
    if (!m_hSource) {
        TW_TRACE_FAILED(L"CEventLog::Report", L"Registered");
        return FALSE;
    }
    if (std::any_of(strings, strings + count, [](LPCWSTR s) { return s == nullptr; })) {
        TW_TRACE_FAILED(L"CEventLog::Report", L"InsertionStrings");
        return FALSE;
    }
    BOOL ok = EventLogSink().ReportEvent(m_hSource.get(), type, 0, eventId, nullptr, count, 0,
                                         const_cast<LPCWSTR*>(strings), nullptr);
    TW_TRACE_RESULT(L"CEventLog::Report", ok);
    return ok ? TRUE : FALSE;
}

BOOL CEventLog::ReportSuccess(const JobStrings& strings) {
    return Report(EVENTLOG_INFORMATION_TYPE, diag::kMsgPrintFinished, diag::kJobEventStrings, strings.data());
}

BOOL CEventLog::ReportAborted(const JobStrings& strings) {
    return Report(EVENTLOG_WARNING_TYPE, diag::kMsgPrintAborted, diag::kJobEventStrings, strings.data());
}

BOOL CEventLog::ReportError(const ErrorStrings& strings) {
    return Report(EVENTLOG_ERROR_TYPE, diag::kMsgPrintError, diag::kJobErrorEventStrings, strings.data());
}

BOOL CEventLog::ReportWarning(const ErrorStrings& strings) {
    return Report(EVENTLOG_WARNING_TYPE, diag::kMsgPrintError, diag::kJobErrorEventStrings, strings.data());
}

}  // namespace tw
