#pragma once
// The records that client applications receive: the notification record that opens every pipe
// message, the first block of a WM_COPYDATA image transfer, and the job statistics. All of them
// are little-endian byte layouts with UTF-16 strings in fixed, NUL-terminated fields; they are
// built and read byte by byte so that no compiler padding can creep in.
#include <windows.h>

#include <cstddef>

namespace tw {

// ---- Message numbers (6 is not used).
enum class PrnMessageKind : DWORD {
    StartDoc = 1,
    StartPage = 2,
    EndPage = 3,
    EndDoc = 4,
    Status = 5,
    DevMode = 7,
    MemoryImage = 8,
    OcrData = 9,
    TextData = 10,
};

// ---- TSPrnMessage: 2624 bytes, zero-filled before its fields are set.
namespace prnmsg {
inline constexpr size_t kSize = 2624;
inline constexpr size_t kTextChars = 260;  // every string field, terminator included
inline constexpr size_t Number = 0;
inline constexpr size_t DocumentName = 4;
inline constexpr size_t Text = 524;
inline constexpr size_t PrinterName = 1044;
inline constexpr size_t PageNumber = 1564;
inline constexpr size_t MultiPage = 1568;
inline constexpr size_t Portrait = 1572;
inline constexpr size_t JobId = 1576;
inline constexpr size_t OutputFile = 1580;
inline constexpr size_t GroupFile = 2100;
inline constexpr size_t Extra = 2620;
static_assert(Extra + sizeof(DWORD) == kSize);
}  // namespace prnmsg

// Payloads after the record (images, texts) go in pieces of at most this many bytes, one
// WriteFile or one WM_COPYDATA each.
inline constexpr DWORD kMessagePieceSize = 0x100000;

// ---- The copy-data record that opens a WM_COPYDATA image transfer: 1052 bytes.
namespace copydata {
inline constexpr DWORD kMarker = 0x8000F00F;  // dwData of every block, and the record's first word
inline constexpr size_t kSize = 1052;
inline constexpr size_t Marker = 0;
inline constexpr size_t RecordSize = 4;
inline constexpr size_t Number = 8;
inline constexpr size_t Reserved = 12;
inline constexpr size_t Interface = 532;
inline constexpr size_t kInterfaceChars = 260;
static_assert(Interface + kInterfaceChars * sizeof(wchar_t) == kSize);
}  // namespace copydata

// ---- Job statistics: MESSAGE_HEADER (512 bytes) then PRINTER_STAT (7700 bytes).
namespace stats {
inline constexpr DWORD kHeaderMarker = 0x00232323;
inline constexpr DWORD kStatType = 0x40001000;
inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t HeaderMarker = 0;
inline constexpr size_t HeaderSize = 4;
inline constexpr size_t HeaderType = 8;
inline constexpr size_t HeaderBodySize = 12;
inline constexpr size_t HeaderWord1 = 16;  // 1
inline constexpr size_t HeaderWord2 = 20;  // 0
inline constexpr size_t HeaderTrailer = 24;  // the marker again
inline constexpr DWORD kHeaderWord1 = 1;
inline constexpr DWORD kHeaderWord2 = 0;

inline constexpr size_t kBodySize = 7700;
inline constexpr size_t BodySize = 0;
inline constexpr size_t BodyType = 4;
inline constexpr size_t JobInfo = 8;
inline constexpr size_t DevMode = 820;
inline constexpr size_t Reserved = 7699;

// BL_JOB_INFO_1, 812 bytes, inside the body at JobInfo.
inline constexpr size_t kJobInfoSize = 812;
inline constexpr size_t kJobInfoChars = 64;  // every string field, terminator included
inline constexpr size_t JiSize = 0;
inline constexpr size_t JiJobId = 4;
inline constexpr size_t JiPrinterName = 8;
inline constexpr size_t JiMachineName = 136;
inline constexpr size_t JiUserName = 264;
inline constexpr size_t JiDocument = 392;
inline constexpr size_t JiDatatype = 520;
inline constexpr size_t JiStatusText = 648;
inline constexpr size_t JiStatus = 776;
inline constexpr size_t JiPriority = 780;
inline constexpr size_t JiPosition = 784;
inline constexpr size_t JiTotalPages = 788;
inline constexpr size_t JiPagesPrinted = 792;
inline constexpr size_t JiSubmitted = 796;
static_assert(JiSubmitted + sizeof(SYSTEMTIME) == kJobInfoSize);
static_assert(JobInfo + kJobInfoSize == DevMode);
}  // namespace stats

}  // namespace tw
