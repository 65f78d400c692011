#include "notify/PipeMessages.h"

#include <algorithm>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/ClientPipe.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

PipeOpenRequest Request(const PipeTarget& pipe, DWORD number, const MessagingTimeouts& timeouts, DWORD startTick) {
    PipeOpenRequest r;
    r.name = pipe.name;
    r.secondary = pipe.secondary;
    r.number = number;
    r.startTick = startTick;
    r.timeouts = timeouts;
    return r;
}

// A payload's pieces after the record and the size, stopping at the first short write.
void WritePieces(CClientPipe& pipe, const BYTE* data, DWORD size, DWORD timeout) {
    for (DWORD sent = 0; sent < size;) {
        const DWORD piece = std::min<DWORD>(kMessagePieceSize, size - sent);
        DWORD error = 0;
        const DWORD written = pipe.Write(data + sent, piece, timeout, error);
        if (written != piece) {
            TW_TRACE(L"WritePieces: %lu of %lu bytes written (%lu)", written, piece, error);
            return;
        }
        sent += piece;
    }
}

// The record, the size and the data, once the pipe is open.
void WritePayload(CClientPipe& pipe, const PrnMessageFields& fields, const BYTE* data, DWORD size,
                  const msgtext::PayloadTexts& texts, DWORD timeout, IMessagingReporter& reporter) {
    const std::vector<BYTE> record = BuildPrnMessage(fields);
    DWORD error = 0;
    if (pipe.Write(record.data(), static_cast<DWORD>(record.size()), timeout, error) != record.size()) {
        reporter.MessagingWarning(texts.recordWrite, FormatW(L"%d", static_cast<int>(error)));
        return;
    }
    if (pipe.Write(&size, sizeof(size), timeout, error) != sizeof(size)) {
        reporter.MessagingWarning(texts.sizeWrite, FormatW(L"%d", static_cast<int>(error)));
        return;
    }
    WritePieces(pipe, data, size, timeout);
}

}  // namespace

BOOL SendNotification(const PrnMessageFields& fields, const PipeTarget& pipe, const MessagingTimeouts& timeouts,
                      DWORD startTick, IMessagingReporter& reporter) {
    TW_TRACE(L"> SendNotification %lu to %s", fields.number, pipe.name.c_str());
    CClientPipe client;
    const PipeOpenOutcome opened =
        client.Open(Request(pipe, fields.number, timeouts, startTick), msgtext::kNotification, reporter);
    if (opened != PipeOpenOutcome::Opened) return ResultWithoutPipe(opened, pipe.secondary, false);

    const std::vector<BYTE> record = BuildPrnMessage(fields);
    DWORD error = 0;
    const DWORD written = client.Write(record.data(), static_cast<DWORD>(record.size()), timeouts.wait, error);
    const int number = static_cast<int>(fields.number);
    if (written == 0 && error != 0 && error != ERROR_TIMEOUT)
        reporter.MessagingWarning(FormatW(msgtext::kWriteFailed, static_cast<int>(error), number), pipe.name);
    else if (written != record.size())
        reporter.MessagingWarning(FormatW(msgtext::kShortWrite, number),
                                  FormatW(L"%lu of %lu", written, static_cast<DWORD>(record.size())));
    TW_TRACE(L"< SendNotification: TRUE");
    return TRUE;
}

BOOL ExchangeDevMode(const PrnMessageFields& fields, TarnwellDEVMODE& dm, const std::wstring& pipeName,
                     bool retryWhileAbsent, const MessagingTimeouts& timeouts, DWORD startTick,
                     IMessagingReporter& reporter) {
    TW_TRACE(L"> ExchangeDevMode %s", pipeName.c_str());
    PipeOpenRequest request = Request(PipeTarget{pipeName, false}, fields.number, timeouts, startTick);
    request.duplex = true;
    request.retryWhileAbsent = retryWhileAbsent;
    CClientPipe client;
    const PipeOpenOutcome opened = client.Open(request, msgtext::kDevMode, reporter);
    if (opened != PipeOpenOutcome::Opened) return ResultWithoutPipe(opened, false, true);

    const std::vector<BYTE> record = BuildPrnMessage(fields);
    DWORD error = 0;
    if (client.Write(record.data(), static_cast<DWORD>(record.size()), timeouts.wait, error) != record.size()) {
        reporter.MessagingWarning(msgtext::kDevModeRecordWrite, FormatW(L"%d", static_cast<int>(error)));
        return FALSE;
    }
    if (client.Write(dm.Bytes(), static_cast<DWORD>(kDevModeSize), timeouts.wait, error) != kDevModeSize) {
        reporter.MessagingWarning(msgtext::kDevModeDataWrite, FormatW(L"%d", static_cast<int>(error)));
        return FALSE;
    }

    // The answer is read into a record of its own, so that a wrong answer leaves `dm` untouched.
    TarnwellDEVMODE answer;
    DWORD got = 0;
    bool tooLong = false;
    switch (client.ReadMessage(answer.Bytes(), static_cast<DWORD>(kDevModeSize), timeouts.wait, got, tooLong, error)) {
    case CClientPipe::ReadOutcome::NoData:
        reporter.MessagingLog(diag::kLevelInfo, msgtext::kNoDataWaiting);
        reporter.MessagingLog(diag::kLevelInfo, msgtext::kDevModeReadTimeout);
        TW_TRACE(L"< ExchangeDevMode: TRUE (no answer)");
        return TRUE;
    case CClientPipe::ReadOutcome::Failed:
        reporter.MessagingWarning(FormatW(msgtext::kDevModeReadFailed, static_cast<int>(error)), pipeName);
        TW_TRACE_FAILED(L"ExchangeDevMode", L"ReadFile");
        return FALSE;
    case CClientPipe::ReadOutcome::Message:
        break;
    }
    if (got != kDevModeSize || tooLong) {
        reporter.MessagingWarning(msgtext::kDevModeWrongSize, FormatW(L"%lu bytes", got));
        TW_TRACE_FAILED(L"ExchangeDevMode", L"Size");
        return FALSE;
    }
    reporter.MessagingLog(diag::kLevelInfo, msgtext::kChangingDevMode);
    dm.CopyFrom(answer.Bytes());
    TW_TRACE(L"< ExchangeDevMode: TRUE (changed)");
    return TRUE;
}

BOOL SendPayload(const PrnMessageFields& fields, const BYTE* data, DWORD size, const msgtext::PipeKindTexts& kind,
                 const msgtext::PayloadTexts& texts, const PipeTarget& pipe, const MessagingTimeouts& timeouts,
                 DWORD startTick, IMessagingReporter& reporter) {
    TW_TRACE(L"> SendPayload %lu, %lu bytes to %s", fields.number, size, pipe.name.c_str());
    if (!data) {
        reporter.MessagingWarning(texts.noData, pipe.name);
        return FALSE;
    }
    CClientPipe client;
    const PipeOpenOutcome opened = client.Open(Request(pipe, fields.number, timeouts, startTick), kind, reporter);
    if (opened != PipeOpenOutcome::Opened) return ResultWithoutPipe(opened, pipe.secondary, false);
    WritePayload(client, fields, data, size, texts, timeouts.wait, reporter);
    return TRUE;
}

BOOL SendMemoryImage(const PrnMessageFields& fields, HGLOBAL image, const PipeTarget& pipe,
                     const MessagingTimeouts& timeouts, DWORD startTick, IMessagingReporter& reporter) {
    TW_TRACE(L"> SendMemoryImage to %s", pipe.name.c_str());
    const msgtext::PayloadTexts& texts = msgtext::kMemoryImagePayload;
    if (!image) {
        reporter.MessagingWarning(texts.noData, pipe.name);
        return FALSE;
    }
    CClientPipe client;
    const PipeOpenOutcome opened =
        client.Open(Request(pipe, fields.number, timeouts, startTick), msgtext::kMemoryImage, reporter);
    if (opened != PipeOpenOutcome::Opened) return ResultWithoutPipe(opened, pipe.secondary, false);
    GlobalLockGuard<BYTE> bytes(image);
    if (!bytes) {
        reporter.MessagingWarning(texts.lockFailed, FormatW(L"%lu", ::GetLastError()));
        return TRUE;
    }
    const SIZE_T size = bytes.size();
    if (size == 0 || size > MAXDWORD) {
        reporter.MessagingWarning(texts.emptyData, FormatW(L"%llu", static_cast<unsigned long long>(size)));
        return TRUE;
    }
    WritePayload(client, fields, bytes.get(), static_cast<DWORD>(size), texts, timeouts.wait, reporter);
    return TRUE;
}

}  // namespace tw
