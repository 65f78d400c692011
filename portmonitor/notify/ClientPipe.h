#pragma once
// The monitor's end of one message to a client pipe: opened as a client, used once, closed.
// Every wait is bounded: a client that is absent, busy, slow or never reads costs at most the
// message's time-outs, and the spooler thread never blocks on it for longer.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "notify/MessagingReporter.h"
#include "notify/MessagingTexts.h"

namespace tw {

struct PipeOpenRequest {
    std::wstring name;
    bool secondary = false;         // an uploader pipe rather than the client's main pipe
    bool duplex = false;            // the answer is read back (message 7)
    bool retryWhileAbsent = false;  // a pipe not yet created is looked for again every 500 ms
    DWORD number = 0;               // message number, for the texts of messages 1 to 5
    DWORD startTick = 0;            // when the message was prepared
    MessagingTimeouts timeouts;
};

enum class PipeOpenOutcome {
    Opened,
    NoListener,      // no pipe of that name: nobody listens (logged only)
    WaitFailed,      // every instance stayed busy for the wait time-out
    InitialTimeout,  // "Messaging Timeout" passed before a connection
    StateFailed,     // the message read mode could not be set on the main pipe
    GivenUp,         // the client let an earlier message of the document time out
};

// What a message's sender returns for an outcome that is not Opened: a missing listener is no
// error for the main pipe, but is one for an uploader, which was started to listen. A message
// that could not be delivered in time is a failure of the main pipe and of message 7.
BOOL ResultWithoutPipe(PipeOpenOutcome outcome, bool secondary, bool devmode);

class CClientPipe {
public:
    CClientPipe();
    PipeOpenOutcome Open(const PipeOpenRequest& request, const msgtext::PipeKindTexts& texts,
                         IMessagingReporter& reporter);

    // Writes all `size` bytes, in as many writes as the pipe takes, until `timeoutMs` have
    // passed. Returns the bytes written; `error` is the failure (ERROR_TIMEOUT when time ran
    // out), 0 when all were written.
    DWORD Write(const void* data, DWORD size, DWORD timeoutMs, DWORD& error);

    enum class ReadOutcome { Message, NoData, Failed };
    // One message of at most `capacity` bytes, waiting at most `timeoutMs` for it. `tooLong`
    // tells that the message had more bytes than `capacity`.
    ReadOutcome ReadMessage(void* buffer, DWORD capacity, DWORD timeoutMs, DWORD& got, bool& tooLong,
                            DWORD& error);

    void Close() { m_file.reset(); }

private:
    // One overlapped transfer, cancelled when it has not completed within `timeoutMs`.
    bool Transfer(bool write, void* buffer, DWORD size, DWORD timeoutMs, DWORD& done, DWORD& error);

    UniqueFile m_file;
    UniqueKernelObject m_event;
    // Told when a write times out, so that the document gives the client up.
    IMessagingReporter* m_reporter = nullptr;
    std::wstring m_name;
};

}  // namespace tw
