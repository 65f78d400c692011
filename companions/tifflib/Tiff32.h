#pragma once
// The TIFF library's contract: TIFF32.DLL, loaded at run time and used through these entry
// points by name. Everything is exported undecorated with the WINAPI convention. Handles are
// pointer-sized and null on failure; page indexes are zero-based ints; BOOL results are TRUE
// (non-zero) on success. On failure an entry point sets the thread's library error (TiffError),
// which a success leaves alone: callers clear it with SetTiffError(0) first.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// An open TIFF document, in a file or in a global memory block.
typedef struct TwTiffDocument* HTIFFDOC;

// Called once per row, top row first (rowIndex 0). Copies the row into `row` and returns
// TIFF_ROW_OK, or TIFF_ROW_END when rowIndex is past its last row. `row` holds at least the
// DIB stride of the row (a multiple of 4 bytes) plus slack, so a callback may copy whole strides.
typedef int(WINAPI* TIFFROWPROC)(BYTE* row, int rowIndex, void* params);
#define TIFF_ROW_OK 0
#define TIFF_ROW_END 3

// Open modes. Files: TIFF_MODE_READ opens for reading; TIFF_MODE_APPEND opens an existing TIFF
// to add pages, or starts one (a missing or empty file); TIFF_MODE_CREATE starts a new one.
// Memory: TIFF_MODE_APPEND adds to the TIFF held in the block's first `size` bytes (fewer than
// 8 bytes start a new TIFF), TIFF_MODE_CREATE starts a new one.
#define TIFF_MODE_READ 1
#define TIFF_MODE_APPEND 2
#define TIFF_MODE_CREATE 3

// Tag value types of DefineTiffImageInfo and DefineTiffImageInfoBuffer.
#define TIFF_TYPE_SHORT 3
#define TIFF_TYPE_LONG 4
#define TIFF_TYPE_RATIONAL 5  // buffer: numerator, denominator as 32-bit integers

// Compression codes of SaveDIBInTiffFileW.
#define TIFF_SAVE_DEFAULT 201  // uncompressed
#define TIFF_SAVE_PACKBITS 202
#define TIFF_SAVE_LZW 203
#define TIFF_SAVE_JPEG 209

// EncodeCcittImage coding: low word 3 (Group 3, T4Options in the high word) or 4 (Group 4).
#define TIFF_CCITT_CODING(compression, t4Options) ((DWORD)(compression) | ((DWORD)(t4Options) << 16))

// Library error numbers (TiffError; TiffErrorString gives the text).
#define TIFF_ERR_NONE 0
#define TIFF_ERR_INVALID_HANDLE 1
#define TIFF_ERR_INVALID_ARGUMENT 2
#define TIFF_ERR_OPEN 3
#define TIFF_ERR_IO 4
#define TIFF_ERR_NO_MEMORY 5
#define TIFF_ERR_NOT_TIFF 6
#define TIFF_ERR_UNSUPPORTED_TAG 7
#define TIFF_ERR_INCOMPLETE_PAGE 8
#define TIFF_ERR_ENCODE 9
#define TIFF_ERR_ROWS 10
#define TIFF_ERR_PAGE_INDEX 11
#define TIFF_ERR_UNSUPPORTED_IMAGE 12
#define TIFF_ERR_FAX_LAYOUT 13  // a warning: the CISCO conversion succeeded, see README
#define TIFF_ERR_DECODE 14

// GetTiffFileInfo's record.
typedef struct TIFFFILEINFO {
    int nImages;        // pages in the document
    DWORD dwTiffBytes;  // length of the TIFF (file or memory block contents)
} TIFFFILEINFO;

// WriteIOCAHeader's record: the page's resolution in pels per metre and its size in pixels.
// The first six bytes are not read.
#pragma pack(push, 1)
typedef struct IOCAHEADER {
    BYTE reserved[6];
    WORD wXPelsPerMeter;  // offset 6
    WORD wYPelsPerMeter;  // offset 8
    WORD wWidth;          // offset 10
    WORD wHeight;         // offset 12
} IOCAHEADER;
#pragma pack(pop)

HTIFFDOC WINAPI OpenTiffFileW(LPCWSTR fileName, int mode);
// The library may reallocate the block (GlobalReAlloc keeps a moveable block's handle); after
// CloseTiffFile the block's size is the TIFF's length.
HTIFFDOC WINAPI OpenTiffInMemory(HGLOBAL block, DWORD size, int mode);
// A new page; its index is the number of pages before it. -1 on failure.
int WINAPI DefineTiffImage(HTIFFDOC doc);
// Sets a one-value tag (SHORT or LONG). On a page already written, only the descriptive tags
// (254, 282, 283, 296, 297) may change; the page's directory is rewritten.
BOOL WINAPI DefineTiffImageInfo(HTIFFDOC doc, int index, int tag, int type, LONG value);
BOOL WINAPI DefineTiffImageInfoBuffer(HTIFFDOC doc, int index, int tag, const void* buffer, int type, int count);
// Writes the page from the rows that `rowProc` delivers; `params` is handed to it unchanged.
// Pages are written in index order.
BOOL WINAPI EncodeTiffImage(HTIFFDOC doc, int index, void* params, TIFFROWPROC rowProc);
BOOL WINAPI DropTiffImage(HTIFFDOC doc, int index);
BOOL WINAPI CloseTiffFile(HTIFFDOC doc);
BOOL WINAPI GetTiffFileInfo(HTIFFDOC doc, TIFFFILEINFO* info);
// Selects an existing page for DefineTiffImageInfo.
BOOL WINAPI GetTiffImage(HTIFFDOC doc, int index);
// Moves the last page to the zero-based position by relinking the directories; no image data
// is copied. `reserved` must be 0.
BOOL WINAPI MoveLastImageFast(HTIFFDOC doc, int position, int reserved);
// Sets the total of every PageNumber tag (297) to `total`, keeping each page's own number.
// Pages without the tag stay without it.
BOOL WINAPI UpdatePageNumbersW(LPCWSTR fileName, int total);
BOOL WINAPI UpdatePageNumbersInMemory(HTIFFDOC doc, int total);
// Appends a packed DIB (1, 4, 8, 24 or 32 bits) as a page. `reserved` must be 0.
BOOL WINAPI SaveDIBInTiffFileW(LPCWSTR fileName, HGLOBAL dib, int compression, int reserved);
BOOL WINAPI SaveDIBInTiffFile(LPCSTR fileName, HGLOBAL dib, int compression, int reserved);
// Rewrites a bilevel TIFF in the CISCO fax layout (README.md).
BOOL WINAPI ConvertTiffToCiscoFormatW(LPCWSTR fileName);
BOOL WINAPI SaveTiffForCiscoFormatW(LPCWSTR sourceName, LPCWSTR targetName);
int WINAPI TiffError(void);
void WINAPI SetTiffError(int error);
// Fills `buffer` (1024 bytes) with the text of `error`; FALSE for an unknown number.
BOOL WINAPI TiffErrorString(char* buffer, int error);
// Writes a bilevel page as headerless CCITT data at the file's current position. Rows arrive
// with ink as 1 bits. The data is MSB-first, one strip, Group 3 with an EOL before every row
// and no RTC, or Group 4 with EOFB.
BOOL WINAPI EncodeCcittImage(HANDLE file, int width, int height, DWORD coding, void* params, TIFFROWPROC rowProc);
// Writes a bilevel page as IOCA image data (MMR) in MO:DCA Image Picture Data fields. Rows
// arrive as page DIB bits whose palette entry 0 is black (a 1 bit is paper); IOCA codes ink as 1.
BOOL WINAPI EncodeMMRImage(HANDLE file, int width, int height, int reserved, void* params, TIFFROWPROC rowProc);
// The structured fields before the image data, and those after it.
BOOL WINAPI WriteIOCAHeader(HANDLE file, const IOCAHEADER* header);
BOOL WINAPI WriteIOCATail(HANDLE file);
// Reads a page (`page`, normally 0) into a packed DIB in a moveable global block: 1-bit with
// palette black, white for bilevel pages, 8-bit with palette for palette pages, 24-bit else.
HGLOBAL WINAPI LoadTiffIntoDIBW(LPCWSTR fileName, int page, int reserved);

typedef HTIFFDOC(WINAPI* PFN_OpenTiffFileW)(LPCWSTR, int);
typedef HTIFFDOC(WINAPI* PFN_OpenTiffInMemory)(HGLOBAL, DWORD, int);
typedef int(WINAPI* PFN_DefineTiffImage)(HTIFFDOC);
typedef BOOL(WINAPI* PFN_DefineTiffImageInfo)(HTIFFDOC, int, int, int, LONG);
typedef BOOL(WINAPI* PFN_DefineTiffImageInfoBuffer)(HTIFFDOC, int, int, const void*, int, int);
typedef BOOL(WINAPI* PFN_EncodeTiffImage)(HTIFFDOC, int, void*, TIFFROWPROC);
typedef BOOL(WINAPI* PFN_DropTiffImage)(HTIFFDOC, int);
typedef BOOL(WINAPI* PFN_CloseTiffFile)(HTIFFDOC);
typedef BOOL(WINAPI* PFN_GetTiffFileInfo)(HTIFFDOC, TIFFFILEINFO*);
typedef BOOL(WINAPI* PFN_GetTiffImage)(HTIFFDOC, int);
typedef BOOL(WINAPI* PFN_MoveLastImageFast)(HTIFFDOC, int, int);
typedef BOOL(WINAPI* PFN_UpdatePageNumbersW)(LPCWSTR, int);
typedef BOOL(WINAPI* PFN_UpdatePageNumbersInMemory)(HTIFFDOC, int);
typedef BOOL(WINAPI* PFN_SaveDIBInTiffFileW)(LPCWSTR, HGLOBAL, int, int);
typedef BOOL(WINAPI* PFN_SaveDIBInTiffFile)(LPCSTR, HGLOBAL, int, int);
typedef BOOL(WINAPI* PFN_ConvertTiffToCiscoFormatW)(LPCWSTR);
typedef BOOL(WINAPI* PFN_SaveTiffForCiscoFormatW)(LPCWSTR, LPCWSTR);
typedef int(WINAPI* PFN_TiffError)(void);
typedef void(WINAPI* PFN_SetTiffError)(int);
typedef BOOL(WINAPI* PFN_TiffErrorString)(char*, int);
typedef BOOL(WINAPI* PFN_EncodeCcittImage)(HANDLE, int, int, DWORD, void*, TIFFROWPROC);
typedef BOOL(WINAPI* PFN_EncodeMMRImage)(HANDLE, int, int, int, void*, TIFFROWPROC);
typedef BOOL(WINAPI* PFN_WriteIOCAHeader)(HANDLE, const IOCAHEADER*);
typedef BOOL(WINAPI* PFN_WriteIOCATail)(HANDLE);
typedef HGLOBAL(WINAPI* PFN_LoadTiffIntoDIBW)(LPCWSTR, int, int);

#ifdef __cplusplus
}  // extern "C"

#include <type_traits>

// Every entry point, once: tables of function slots and names are built from this list.
#define TW_TIFF32_EXPORTS(X) \
    X(OpenTiffFileW) \
    X(OpenTiffInMemory) \
    X(DefineTiffImage) \
    X(DefineTiffImageInfo) \
    X(DefineTiffImageInfoBuffer) \
    X(EncodeTiffImage) \
    X(DropTiffImage) \
    X(CloseTiffFile) \
    X(GetTiffFileInfo) \
    X(GetTiffImage) \
    X(MoveLastImageFast) \
    X(UpdatePageNumbersW) \
    X(UpdatePageNumbersInMemory) \
    X(SaveDIBInTiffFileW) \
    X(SaveDIBInTiffFile) \
    X(ConvertTiffToCiscoFormatW) \
    X(SaveTiffForCiscoFormatW) \
    X(TiffError) \
    X(SetTiffError) \
    X(TiffErrorString) \
    X(EncodeCcittImage) \
    X(EncodeMMRImage) \
    X(WriteIOCAHeader) \
    X(WriteIOCATail) \
    X(LoadTiffIntoDIBW)

namespace twtiff {

// The library's default file name, as the DEVMODE names it.
inline constexpr wchar_t kLibraryName[] = L"TIFF32.DLL";
inline constexpr int kErrorTextBytes = 1024;
// TIFF tags the writers set.
inline constexpr int kTagNewSubfileType = 254;
inline constexpr int kTagImageWidth = 256;
inline constexpr int kTagImageLength = 257;
inline constexpr int kTagBitsPerSample = 258;
inline constexpr int kTagCompression = 259;
inline constexpr int kTagPhotometric = 262;
inline constexpr int kTagFillOrder = 266;
inline constexpr int kTagSamplesPerPixel = 277;
inline constexpr int kTagRowsPerStrip = 278;
inline constexpr int kTagXResolution = 282;
inline constexpr int kTagYResolution = 283;
inline constexpr int kTagPlanarConfig = 284;
inline constexpr int kTagT4Options = 292;
inline constexpr int kTagResolutionUnit = 296;
inline constexpr int kTagPageNumber = 297;
inline constexpr int kTagColorMap = 320;

// Export names, as GetProcAddress takes them.
inline constexpr char kOpenTiffFileW[] = "OpenTiffFileW";
inline constexpr char kOpenTiffInMemory[] = "OpenTiffInMemory";
inline constexpr char kDefineTiffImage[] = "DefineTiffImage";
inline constexpr char kDefineTiffImageInfo[] = "DefineTiffImageInfo";
inline constexpr char kDefineTiffImageInfoBuffer[] = "DefineTiffImageInfoBuffer";
inline constexpr char kEncodeTiffImage[] = "EncodeTiffImage";
inline constexpr char kDropTiffImage[] = "DropTiffImage";
inline constexpr char kCloseTiffFile[] = "CloseTiffFile";
inline constexpr char kGetTiffFileInfo[] = "GetTiffFileInfo";
inline constexpr char kGetTiffImage[] = "GetTiffImage";
inline constexpr char kMoveLastImageFast[] = "MoveLastImageFast";
inline constexpr char kUpdatePageNumbersW[] = "UpdatePageNumbersW";
inline constexpr char kUpdatePageNumbersInMemory[] = "UpdatePageNumbersInMemory";
inline constexpr char kSaveDIBInTiffFileW[] = "SaveDIBInTiffFileW";
inline constexpr char kSaveDIBInTiffFile[] = "SaveDIBInTiffFile";
inline constexpr char kConvertTiffToCiscoFormatW[] = "ConvertTiffToCiscoFormatW";
inline constexpr char kSaveTiffForCiscoFormatW[] = "SaveTiffForCiscoFormatW";
inline constexpr char kTiffError[] = "TiffError";
inline constexpr char kSetTiffError[] = "SetTiffError";
inline constexpr char kTiffErrorString[] = "TiffErrorString";
inline constexpr char kEncodeCcittImage[] = "EncodeCcittImage";
inline constexpr char kEncodeMMRImage[] = "EncodeMMRImage";
inline constexpr char kWriteIOCAHeader[] = "WriteIOCAHeader";
inline constexpr char kWriteIOCATail[] = "WriteIOCATail";
inline constexpr char kLoadTiffIntoDIBW[] = "LoadTiffIntoDIBW";

#define TW_TIFF32_EXPORT_NAME(name) k##name,
inline constexpr const char* kAllExports[] = {TW_TIFF32_EXPORTS(TW_TIFF32_EXPORT_NAME)};
#undef TW_TIFF32_EXPORT_NAME

}  // namespace twtiff

static_assert(sizeof(IOCAHEADER) == 14);
#define TW_TIFF32_SAME_TYPE(name) static_assert(std::is_same_v<PFN_##name, decltype(&name)>);
TW_TIFF32_EXPORTS(TW_TIFF32_SAME_TYPE)
#undef TW_TIFF32_SAME_TYPE
#endif
