#pragma once
// Where the messaging code reports: the job keeps the first warning of the document (its
// "Message Capture Warning") and every line goes to the message capture log.
#include <windows.h>

#include <string>

namespace tw {

class IMessagingReporter {
public:
    virtual ~IMessagingReporter() = default;
    // A client failure: `text` is what the user may see, `detail` the arguments for the log.
    virtual void MessagingWarning(const std::wstring& text, const std::wstring& detail) = 0;
    // A line for the log only (level as in the message capture log).
    virtual void MessagingLog(int level, const std::wstring& text) = 0;
    // A client that let a message time out on `pipe`: the document sends it nothing more, so
    // that a client that never reads costs one time-out, not one per message.
    virtual void ClientTimedOut(const std::wstring& pipe) { (void)pipe; }
    virtual bool ClientGivenUp(const std::wstring& pipe) const { (void)pipe; return false; }
};

// Time-outs of one message, in milliseconds: the whole wait for a listener ("Messaging
// Timeout") and each wait, write or read ("Messaging Timeout 2").
struct MessagingTimeouts {
    DWORD initial = 10000;
    DWORD wait = 10000;
};

}  // namespace tw
