#pragma once
// The notification record (TSPrnMessage) and the copy-data record, as the monitor fills them
// and as a client reads them back.
#include <windows.h>

#include <string>
#include <vector>

#include "notify/MessagingRecords.h"

namespace tw {

struct PrnMessageFields {
    DWORD number = 0;
    std::wstring documentName;
    std::wstring text;  // file name or error text; empty for messages 7 to 10
    std::wstring printerName;
    DWORD pageNumber = 0;
    DWORD multiPage = 0;  // 0 or 1
    DWORD portrait = 1;   // 1 when the DEVMODE orientation is portrait (or there is none)
    DWORD jobId = 0;
    std::wstring outputFile;
    std::wstring groupFile;
    DWORD extra = 0;  // the message-specific number
};

// The 2624-byte record; strings longer than their field are cut.
std::vector<BYTE> BuildPrnMessage(const PrnMessageFields& fields);
// Reads a record of at least prnmsg::kSize bytes; a shorter block gives zero fields.
PrnMessageFields ParsePrnMessage(const BYTE* record, size_t size);

// The 1052-byte first block of a WM_COPYDATA transfer of message `number`, naming the client's
// interface as "%s%d" (interface name and ID).
std::vector<BYTE> BuildCopyDataRecord(DWORD number, const std::wstring& interfaceName, DWORD interfaceId);

struct CopyDataFields {
    DWORD marker = 0;
    DWORD recordSize = 0;
    DWORD number = 0;
    std::wstring interfaceName;  // name and ID as one text
};
CopyDataFields ParseCopyDataRecord(const BYTE* record, size_t size);

}  // namespace tw
