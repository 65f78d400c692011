#pragma once
// The pipe messages to client applications: notifications (messages 1 to 5), the DEVMODE
// offered for editing (message 7), and the data messages that carry a memory image, OCR text
// or page text (messages 8, 9 and 10). Each opens the pipe, writes, and closes it again.
#include <windows.h>

#include <string>

#include "notify/MessagingReporter.h"
#include "notify/MessagingTexts.h"
#include "notify/PrnMessage.h"

namespace tw {

class TarnwellDEVMODE;

struct PipeTarget {
    std::wstring name;
    bool secondary = false;  // an uploader pipe
};

// Message 1 to 5 in `fields` to one pipe.
BOOL SendNotification(const PrnMessageFields& fields, const PipeTarget& pipe, const MessagingTimeouts& timeouts,
                      DWORD startTick, IMessagingReporter& reporter);

// Message 7: sends the record and `dm`, and takes a whole record answered within the wait
// time-out as the new `dm`. No answer leaves `dm` as it was and succeeds. `retryWhileAbsent`
// waits for a client that is being started to create its pipe.
BOOL ExchangeDevMode(const PrnMessageFields& fields, TarnwellDEVMODE& dm, const std::wstring& pipeName,
                     bool retryWhileAbsent, const MessagingTimeouts& timeouts, DWORD startTick,
                     IMessagingReporter& reporter);

// Messages 8, 9 and 10: the record, the data's size (4 bytes) and the data in pieces of at
// most kMessagePieceSize bytes. A null `data` is reported with the kind's "no data" text.
BOOL SendPayload(const PrnMessageFields& fields, const BYTE* data, DWORD size, const msgtext::PipeKindTexts& kind,
                 const msgtext::PayloadTexts& texts, const PipeTarget& pipe, const MessagingTimeouts& timeouts,
                 DWORD startTick, IMessagingReporter& reporter);

// Message 8 from a moveable memory block, whose allocated size is the image's size; the block
// is locked only while it is written.
BOOL SendMemoryImage(const PrnMessageFields& fields, HGLOBAL image, const PipeTarget& pipe,
                     const MessagingTimeouts& timeouts, DWORD startTick, IMessagingReporter& reporter);

}  // namespace tw
