#include "notify/ClientPipe.h"

#include "base/WideString.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// A pipe that a started client or an uploader has yet to create is looked for this often.
constexpr DWORD kAbsentPipePollMs = 500;

DWORD Elapsed(DWORD since) { return ::GetTickCount() - since; }

std::wstring KindText(const wchar_t* format, const msgtext::PipeKindTexts& texts, DWORD number) {
    return texts.withNumber ? FormatW(format, static_cast<int>(number)) : std::wstring(format);
}

}  // namespace

BOOL ResultWithoutPipe(PipeOpenOutcome outcome, bool secondary, bool devmode) {
    switch (outcome) {
    case PipeOpenOutcome::Opened:
        return TRUE;
    case PipeOpenOutcome::NoListener:
    case PipeOpenOutcome::WaitFailed:
    case PipeOpenOutcome::GivenUp:
        return secondary ? FALSE : TRUE;
    case PipeOpenOutcome::InitialTimeout:
        return (devmode || !secondary) ? FALSE : TRUE;
    case PipeOpenOutcome::StateFailed:
        return FALSE;
    }
    return FALSE;
}

CClientPipe::CClientPipe() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeOpenOutcome CClientPipe::Open(const PipeOpenRequest& r, const msgtext::PipeKindTexts& texts,
                                  IMessagingReporter& reporter) {
    TW_TRACE(L"> CClientPipe::Open %s", r.name.c_str());
    if (r.name.empty()) {
        // A job without an interface name has no client to tell.
        TW_TRACE_FAILED(L"CClientPipe::Open", L"Name");
        return PipeOpenOutcome::NoListener;
    }
    if (reporter.ClientGivenUp(r.name)) {
        reporter.MessagingLog(diag::kLevelInfo, FormatW(msgtext::kMessageNotSent, static_cast<int>(r.number), r.name.c_str()));
        TW_TRACE_FAILED(L"CClientPipe::Open", L"GivenUp");
        return PipeOpenOutcome::GivenUp;
    }
    const DWORD access = r.duplex ? (GENERIC_READ | GENERIC_WRITE | GENERIC_ALL) : GENERIC_WRITE;
    for (;;) {
        if (Elapsed(r.startTick) > r.timeouts.initial) {
            reporter.ClientTimedOut(r.name);
            reporter.MessagingWarning(KindText(texts.initialTimeout, texts, r.number), r.name);
            TW_TRACE_FAILED(L"CClientPipe::Open", L"InitialTimeout");
            return PipeOpenOutcome::InitialTimeout;
        }
        m_file.reset(::CreateFileW(r.name.c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (m_file && ::GetFileType(m_file.get()) != FILE_TYPE_PIPE) {
            // A name with ".." in it can lead out of the pipe namespace to a file: never write there.
            m_file.reset();
            reporter.MessagingLog(diag::kLevelWarning, FormatW(msgtext::kFailedToOpenPipe, ERROR_BAD_PIPE));
            TW_TRACE_FAILED(L"CClientPipe::Open", L"NotAPipe");
            return PipeOpenOutcome::NoListener;
        }
        if (m_file) break;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND && (r.retryWhileAbsent || r.secondary)) {
            ::Sleep(kAbsentPipePollMs);
            continue;
        }
        if (error == ERROR_PIPE_BUSY) {
            if (::WaitNamedPipeW(r.name.c_str(), r.timeouts.wait)) continue;
            const DWORD waitError = ::GetLastError();
            if (r.secondary && waitError == ERROR_FILE_NOT_FOUND) {
                ::Sleep(kAbsentPipePollMs);
                continue;
            }
            reporter.ClientTimedOut(r.name);
            reporter.MessagingWarning(KindText(texts.waitTimeout, texts, r.number),
                                      FormatW(msgtext::kTimeoutDetail, static_cast<int>(r.timeouts.wait)));
            TW_TRACE_FAILED(L"CClientPipe::Open", L"WaitNamedPipe");
            return PipeOpenOutcome::WaitFailed;
        }
        reporter.MessagingLog(diag::kLevelInfo, FormatW(msgtext::kFailedToOpenPipe, static_cast<int>(error)));
        TW_TRACE_FAILED(L"CClientPipe::Open", L"CreateFile");
        return PipeOpenOutcome::NoListener;
    }

    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!::SetNamedPipeHandleState(m_file.get(), &mode, nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        if (!r.secondary) {
            reporter.MessagingWarning(texts.withNumber ? FormatW(texts.pipeState, static_cast<int>(error),
                                                                 static_cast<int>(r.number))
                                                       : FormatW(texts.pipeState, static_cast<int>(error)),
                                      r.name);
            m_file.reset();
            TW_TRACE_FAILED(L"CClientPipe::Open", L"SetNamedPipeHandleState");
            return PipeOpenOutcome::StateFailed;
        }
    }
    m_reporter = &reporter;
    m_name = r.name;
    TW_TRACE(L"< CClientPipe::Open: TRUE");
    return PipeOpenOutcome::Opened;
}

bool CClientPipe::Transfer(bool write, void* buffer, DWORD size, DWORD timeoutMs, DWORD& done, DWORD& error) {
    done = 0;
    error = 0;
    if (!m_file || !m_event) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    OVERLAPPED ov{};
    ov.hEvent = m_event.get();
    ::ResetEvent(ov.hEvent);
    BOOL ok = write ? ::WriteFile(m_file.get(), buffer, size, nullptr, &ov)
                    : ::ReadFile(m_file.get(), buffer, size, nullptr, &ov);
    if (!ok) {
        const DWORD started = ::GetLastError();
        if (started != ERROR_IO_PENDING && started != ERROR_MORE_DATA) {
            error = started;
            return false;
        }
        if (started == ERROR_IO_PENDING && ::WaitForSingleObject(ov.hEvent, timeoutMs) != WAIT_OBJECT_0)
            ::CancelIoEx(m_file.get(), &ov);
    }
    // Waits for the cancelled transfer too: the OVERLAPPED lives on this stack frame.
    if (!::GetOverlappedResult(m_file.get(), &ov, &done, TRUE)) {
        error = ::GetLastError();
        if (error == ERROR_OPERATION_ABORTED) error = ERROR_TIMEOUT;
        return error == ERROR_MORE_DATA;
    }
    return true;
}

DWORD CClientPipe::Write(const void* data, DWORD size, DWORD timeoutMs, DWORD& error) {
    const DWORD start = ::GetTickCount();
    const BYTE* bytes = static_cast<const BYTE*>(data);
    DWORD written = 0;
    error = 0;
    while (written < size) {
        const DWORD elapsed = Elapsed(start);
        if (elapsed >= timeoutMs) {
            error = ERROR_TIMEOUT;
            break;
        }
        DWORD done = 0;
        if (!Transfer(true, const_cast<BYTE*>(bytes + written), size - written, timeoutMs - elapsed, done, error)) {
            written += done;
            break;
        }
        written += done;
        if (done == 0) ::Sleep(10);
    }
    if (error == ERROR_TIMEOUT && m_reporter) m_reporter->ClientTimedOut(m_name);
    return written;
}

CClientPipe::ReadOutcome CClientPipe::ReadMessage(void* buffer, DWORD capacity, DWORD timeoutMs, DWORD& got,
                                                  bool& tooLong, DWORD& error) {
    got = 0;
    tooLong = false;
    const bool ok = Transfer(false, buffer, capacity, timeoutMs, got, error);
    if (ok) {
        tooLong = error == ERROR_MORE_DATA;
        error = 0;
        return ReadOutcome::Message;
    }
    return error == ERROR_TIMEOUT && got == 0 ? ReadOutcome::NoData : ReadOutcome::Failed;
}

}  // namespace tw
