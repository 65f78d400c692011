#pragma once
// The job table the merge utility keeps in its shared memory, as both sides read and write it.
// All integers are 32-bit little-endian; records follow the magic one after another, each
// opened by its own size and type, until a size of 0.
#include <windows.h>

#include <cstddef>

namespace tw::mergetable {

inline constexpr DWORD kMappingSize = 0xA00000;  // 10,485,760 bytes, fixed
inline constexpr wchar_t kMapSuffix[] = L"_MAP";
inline constexpr wchar_t kMutexSuffix[] = L"_MUTEX";
// "Session\<session id>\TwMerge_" + "_" + the cleaned printer name.
inline constexpr wchar_t kBaseNameFormat[] = L"Session\\%lu\\TwMerge_";
inline constexpr size_t kMaxBaseNameChars = 1024;
inline constexpr DWORD kMutexTimeoutMs = 10000;
// The low mandatory integrity label with no write-up, so that a merge utility running at low
// integrity may open the objects.
inline constexpr wchar_t kLowIntegritySddl[] = L"S:(ML;;NW;;;LW)";

inline constexpr DWORD kMagic = 0x53424F4A;  // "JOBS"
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kFirstRecordOffset = 4;
inline constexpr size_t kEndMarkBytes = 8;  // the writer closes the table with 8 zero bytes

// Every record: size (of the whole record), type.
inline constexpr size_t kRecordSize = 0;
inline constexpr size_t kRecordType = 4;
inline constexpr size_t kRecordHeaderBytes = 8;

enum RecordType : DWORD { kHeader = 1, kEntry = 2, kKey = 3, kCounter = 4 };

// Type 1, the table header: 2, 0, then the merge utility's own data.
inline constexpr size_t kHeaderVersion = 8;
inline constexpr size_t kHeaderReserved = 12;
inline constexpr size_t kHeaderData = 16;
// The size a fresh header is given; the merge utility's data fills the rest of it.
inline constexpr DWORD kHeaderRecordBytes = 6903;
inline constexpr size_t kHeaderDataBytes = kHeaderRecordBytes - kHeaderData;
inline constexpr DWORD kHeaderVersionValue = 2;

// Type 2, a job entry.
inline constexpr size_t kEntryProcessId = 8;
inline constexpr size_t kEntryState = 12;
inline constexpr size_t kEntryValues = 16;
inline constexpr size_t kEntryValueCount = 13;
inline constexpr size_t kEntryName = kEntryValues + 4 * kEntryValueCount;  // 68
inline constexpr size_t kEntryNameChars = 260;
// The smallest entry holds at least the terminator of an empty name.
inline constexpr DWORD kEntryMinBytes = kEntryName + sizeof(wchar_t);

// Entry states.
inline constexpr DWORD kStateAbort = 1;
inline constexpr DWORD kStateReady = 2;  // waiting for its turn
inline constexpr DWORD kStateDone = 3;

// The thirteen values of an entry, by index (offset kEntryValues + 4 * index).
enum EntryValue : size_t {
    kValueFileFormat = 0,
    kValueForwarding,
    kValueImageWatermark,
    kValueOcr,
    kValueOpenFolder,
    kValueViewer,
    kValueEmail,
    kValueSharePoint,
    kValueFtp,
    kValueHttp,
    kValueCancelled,  // the merge was cancelled: the merged document's options are off
    kValueOrder,      // offset 60: the entry's place in the merged document
    kValueLastOfSet,  // the last job of the merged set hands the merged output on
};
static_assert(kEntryValues + 4 * kValueOrder == 60);

// Type 3, the key of the entry before it.
inline constexpr size_t kKeyJobId = 8;
inline constexpr DWORD kKeyMinBytes = 12;

// Type 4, a counter.
inline constexpr size_t kCounterJobId = 8;
inline constexpr size_t kCounterValue = 12;
inline constexpr DWORD kCounterRecordBytes = 16;

}  // namespace tw::mergetable
