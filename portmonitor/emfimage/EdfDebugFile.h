#pragma once
// The page dump for troubleshooting (EDF file): a page counter, then one record per page with
// an entry name, the job's DEVMODE and the page data. Written after pages, read back to
// replay a captured page.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;

namespace edf {
inline constexpr wchar_t kDefaultFileName[] = L"PrnDebug.edf";
inline constexpr wchar_t kEmfEntryName[] = L"EMFFile_%d.emf";
inline constexpr wchar_t kRawEntryName[] = L"EMFFile_%d.bmp";
inline constexpr WORD kBitmapFileType = 0x4D42;  // "BM"
inline constexpr DWORD kBitmapFileHeaderSize = 14;
inline constexpr DWORD kBitmapHeadersSize = 54;  // file header and BITMAPINFOHEADER
// Relative names given to ReadDebugData are taken from here.
inline constexpr wchar_t kRelativeRoot[] = L"C:\\";
// A ".grp" file: section "Page %d", key "FileName".
inline constexpr wchar_t kGroupPageSection[] = L"Page %d";
inline constexpr wchar_t kGroupFileNameKey[] = L"FileName";
// Largest page a debug file may hand back.
inline constexpr ULONGLONG kMaxPageBytes = 1ull << 30;
}  // namespace edf

// Appends page `size` bytes of `pageBlock` with the job's DEVMODE to `fileName` (created when
// missing) and counts it. A failed append leaves the file as it was.
BOOL WriteEMFtoFileForDebug(const wchar_t* fileName, DWORD size, HGLOBAL pageBlock, const TarnwellDEVMODE& dm,
                            BOOL isRawData);

// The data of page `pageNumber` from a debug file: an ".emf" file read whole, a ".grp" file
// naming the page's file, or an ".edf" file's record of that page (its page data only). A new
// moveable block and its size; FALSE when there is no such page or the file is malformed.
BOOL ReadDebugData(const wchar_t* fileName, DWORD pageNumber, UniqueHGlobal& block, DWORD& size);

}  // namespace tw
