#include "host/SimEventLog.h"

#include "host/FakeHandle.h"
#include "monitor/Trace.h"

namespace twhost {
namespace {

bool IsEventType(WORD type) {
    switch (type) {
    case EVENTLOG_SUCCESS:
    case EVENTLOG_ERROR_TYPE:
    case EVENTLOG_WARNING_TYPE:
    case EVENTLOG_INFORMATION_TYPE:
    case EVENTLOG_AUDIT_SUCCESS:
    case EVENTLOG_AUDIT_FAILURE:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::vector<EventReport> SimEventLog::Reports() const {
    tw::CsLock lock(m_cs);
    return m_reports;
}

void SimEventLog::Clear() {
    tw::CsLock lock(m_cs);
    m_reports.clear();
}

size_t SimEventLog::OpenSourceCount() const {
    tw::CsLock lock(m_cs);
    return m_sources.size();
}

HANDLE SimEventLog::RegisterEventSource(LPCWSTR server, LPCWSTR sourceName) {
    TW_TRACE(L"> SimEventLog::RegisterEventSource: %s", sourceName ? sourceName : L"(null)");
    if (!sourceName) {
        TW_TRACE_FAILED(L"SimEventLog::RegisterEventSource", L"Name");
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE h = NextFakeHandle();
    {
        tw::CsLock lock(m_cs);
        m_sources[h] = sourceName;
    }
    TW_TRACE(L"< SimEventLog::RegisterEventSource: %p", h);
    return h;
}

BOOL SimEventLog::ReportEvent(HANDLE hSource, WORD type, WORD category, DWORD eventId, PSID userSid,
                              WORD numStrings, DWORD dataSize, LPCWSTR* strings, LPVOID rawData) {
    TW_TRACE(L"> SimEventLog::ReportEvent: 0x%lX", eventId);
    DWORD error = ERROR_SUCCESS;
    {
        tw::CsLock lock(m_cs);
        auto it = m_sources.find(hSource);
        if (it == m_sources.end()) {
            error = ERROR_INVALID_HANDLE;
        } else if (!IsEventType(type) || (numStrings && !strings) || (dataSize && !rawData)) {
            error = ERROR_INVALID_PARAMETER;
        } else {
            EventReport report;
            report.source = it->second;
            report.type = type;
            report.category = category;
            report.eventId = eventId;
            report.threadId = ::GetCurrentThreadId();
            for (WORD i = 0; i < numStrings; ++i) report.strings.emplace_back(strings[i] ? strings[i] : L"");
            const BYTE* bytes = static_cast<const BYTE*>(rawData);
            if (dataSize) report.data.assign(bytes, bytes + dataSize);
            m_reports.push_back(std::move(report));
        }
    }
    TW_TRACE_RESULT(L"SimEventLog::ReportEvent", error == ERROR_SUCCESS);
    if (error == ERROR_SUCCESS) return TRUE;
    ::SetLastError(error);
    return FALSE;
}

BOOL SimEventLog::DeregisterEventSource(HANDLE hSource) {
    TW_TRACE(L"> SimEventLog::DeregisterEventSource");
    bool known;
    {
        tw::CsLock lock(m_cs);
        known = m_sources.erase(hSource) != 0;
    }
    TW_TRACE_RESULT(L"SimEventLog::DeregisterEventSource", known);
    if (known) return TRUE;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

}  // namespace twhost
