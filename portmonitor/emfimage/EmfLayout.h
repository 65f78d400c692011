#pragma once
// Byte layout of the EMF pieces the page reader and the record checker look at, named once.
#include <windows.h>

#include <cstddef>

namespace tw::emf {

inline constexpr DWORD kRecordHeaderSize = 8;        // iType, nSize
inline constexpr DWORD kRecordAlignment = 4;
inline constexpr DWORD kSignature = 0x464D4520;      // " EMF"

// ENHMETAHEADER: the base part every writer emits, then two optional extensions.
inline constexpr DWORD kHeaderBaseSize = 88;
inline constexpr DWORD kHeaderExt1Size = 100;        // cbPixelFormat, offPixelFormat, bOpenGL
inline constexpr DWORD kHeaderExt2Size = 108;        // szlMicrometers
inline constexpr size_t kHeaderBoundsOffset = 8;
inline constexpr size_t kHeaderFrameOffset = 24;
inline constexpr size_t kHeaderSignatureOffset = 40;
inline constexpr size_t kHeaderBytesOffset = 48;     // nBytes: length of the whole image
inline constexpr size_t kHeaderHandlesOffset = 56;   // nHandles (WORD)
inline constexpr size_t kHeaderDeviceOffset = 72;
inline constexpr size_t kHeaderMillimetersOffset = 80;
inline constexpr size_t kHeaderMicrometersOffset = 100;

// Object records: the handle index is the first field after the record header.
inline constexpr size_t kHandleOffset = 8;
// FILLRGN / FRAMERGN: rclBounds and cbRgnData come before ihBrush.
inline constexpr size_t kRgnBrushOffset = 28;
// Index 0 of the handle table is the metafile itself; objects use 1 .. nHandles-1.
inline constexpr DWORD kFirstObjectIndex = 1;
// Stock objects are named by index with the top bit set.
inline constexpr DWORD kStockObjectFlag = 0x80000000;
inline constexpr DWORD kLastStockObject = DC_PEN;

}  // namespace tw::emf
