#pragma once
// The texts of the messaging interface: what reaches the job's first-error text and the
// message capture log. Each kind of message names itself in brackets.
#include <windows.h>

namespace tw::msgtext {

// One message kind's reports while it opens its pipe. `pipeState` holds the error number first
// and, for messages 1 to 5, the message number after it; so do `waitTimeout` and
// `initialTimeout` for messages 1 to 5.
struct PipeKindTexts {
    const wchar_t* waitTimeout;
    const wchar_t* initialTimeout;
    const wchar_t* pipeState;
    bool withNumber;  // the texts carry the message number
};

inline constexpr PipeKindTexts kNotification{
    L"Time-out period expired while waiting for the pipe (message: %d)",
    L"Initial time-out period expired while waiting for the pipe (message: %d)",
    L"Could not set pipe state: %d (message: %d)", true};
inline constexpr PipeKindTexts kDevMode{
    L"Time-out period expired while waiting for the pipe (DEVMODE message)",
    L"Initial time-out period expired while waiting for the pipe (DEVMODE message)",
    L"Could not set pipe state: %d (DEVMODE message)", false};
inline constexpr PipeKindTexts kMemoryImage{
    L"Time-out period expired while waiting for the pipe. (Memory Image message)",
    L"Initial time-out period expired while waiting for the pipe (Memory Image message)",
    L"Could not set pipe state: %d (Memory Image message)", false};
inline constexpr PipeKindTexts kOcrData{
    L"Time-out period expired while waiting for the pipe. (OCR Data message)",
    L"Initial time-out period expired while waiting for the pipe (OCR Data message)",
    L"Could not set pipe state: %d (OCR Data message)", false};
inline constexpr PipeKindTexts kTextData{
    L"Time-out period expired while waiting for the pipe. (Text Data message)",
    L"Initial time-out period expired while waiting for the pipe (Text Data message)",
    L"Could not set pipe state: %d (Text Data message)", false};
// The statistics pipe reports to the log only.
inline constexpr PipeKindTexts kStatistics{
    L"Time-out period expired while waiting for the pipe (Statistics message)",
    L"Initial time-out period expired while waiting for the pipe (Statistics message)",
    L"Could not set pipe state: %d (Statistics message)", false};
inline constexpr wchar_t kStatisticsWrite[] = L"Could not write the expected amount of data. (Statistics message)";

// Appended to the logged wait failure.
inline constexpr wchar_t kTimeoutDetail[] = L"(Timeout: %d)";
inline constexpr wchar_t kFailedToOpenPipe[] = L"Failed to open pipe. Error %d";
inline constexpr wchar_t kMessagingDisabled[] = L"Messaging interface disabled";

// Messages 1 to 5.
inline constexpr wchar_t kWriteFailed[] = L"Could write to the pipe: %d (message: %d)";
inline constexpr wchar_t kShortWrite[] = L"Could write the expected amount of data to the pipe. (message: %d)";

// Message 7.
inline constexpr wchar_t kDevModeRecordWrite[] =
    L"Could not write the expected amount of data during the time-out period. (DEVMODE message 1)";
inline constexpr wchar_t kDevModeDataWrite[] =
    L"Could not write the expected amount of data during the time-out period. (DEVMODE message 2)";
inline constexpr wchar_t kNoDataWaiting[] = L"No data, waiting...";
inline constexpr wchar_t kChangingDevMode[] = L"Changing DEVMODE";
inline constexpr wchar_t kDevModeReadFailed[] =
    L"Could not read the TarnwellDEVMODE structure from the pipe: %d (DEVMODE message)";
inline constexpr wchar_t kDevModeWrongSize[] =
    L"The received data has incorrect size. Expected a TarnwellDEVMODE structure. (DEVMODE message)";
inline constexpr wchar_t kDevModeReadTimeout[] =
    L"The time-out interval has ellapsed while reading from the pipe. (DEVMODE message)";

// Messages 8, 9 and 10: no data, the data could not be locked, the data is empty; then the two
// short writes (the size, the record).
struct PayloadTexts {
    const wchar_t* noData;
    const wchar_t* lockFailed;
    const wchar_t* emptyData;
    const wchar_t* sizeWrite;
    const wchar_t* recordWrite;
};
inline constexpr PayloadTexts kMemoryImagePayload{
    L"Could not send image through the pipe. (Memory Image message 1)",
    L"Could not send image through the pipe. (Memory Image message 2)",
    L"Could not send image through the pipe. (Memory Image message 3)",
    L"Could not write the expected amount of data. (Memory Image message 1)",
    L"Could not write the expected amount of data. (Memory Image message 2)"};
inline constexpr PayloadTexts kOcrPayload{
    L"Could not send OCR Data through the pipe. (OCR Data message 1)", nullptr, nullptr,
    L"Could not write the expected amount of data. (OCR data message 1)",
    L"Could not write the expected amount of data. (OCR data message 2)"};
inline constexpr PayloadTexts kTextPayload{
    L"Could not send text through the pipe. (Text Data message 1)", nullptr, nullptr,
    L"Could not write the expected amount of data. (Text data message 1)",
    L"Could not write the expected amount of data. (Text data message 2)"};

// A client that took no message within the time-out is given up for the rest of the document
// (log only; the time-out itself is the document's warning). %s: the pipe.
inline constexpr wchar_t kClientGivenUp[] =
    L"The client did not take a message in time: the document's later messages to %s are not sent";
// %d: the message number; %s: the pipe.
inline constexpr wchar_t kMessageNotSent[] = L"Message %d not sent to %s: the client did not take an earlier one in time";

// The internal errors of the uploader pipes: notifications (414) and payloads (415).
inline constexpr int kUploaderNotificationError = 414;
inline constexpr int kUploaderPayloadError = 415;

}  // namespace tw::msgtext
