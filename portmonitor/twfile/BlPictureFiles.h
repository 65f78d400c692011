#pragma once
// The picture writers: one PNG, GIF or JPEG file per page (or per sheet with pages per sheet).
// PNG and GIF are coded by the system's own modules, JPEG by the JPEG library loaded per page.
#include "twfile/BlFile.h"

namespace tw {

class CBlPNGFile : public CBlFile {
public:
    explicit CBlPNGFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlGIFFile : public CBlFile {
public:
    explicit CBlGIFFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlJPEGFile : public CBlFile {
public:
    explicit CBlJPEGFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlJPEGLabFile : public CBlFile {
public:
    explicit CBlJPEGLabFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

// Internal error numbers. PNG and GIF share theirs.
namespace pngerrcode {
inline constexpr int kNoPageData = 209;
inline constexpr int kNoFileName = 210;
inline constexpr int kNoImage = 211;
inline constexpr int kWrite = 212;
}  // namespace pngerrcode

namespace jpegerrcode {
inline constexpr int kNoPageData = 12;
inline constexpr int kNoFileName = 13;
// A page without a DIB; the number between the null checks and the entry point is free.
inline constexpr int kNoImage = 14;
inline constexpr int kNoEntry = 15;
inline constexpr int kWrite = 16;
}  // namespace jpegerrcode

namespace jpeglaberrcode {
inline constexpr int kNoPageData = 17;
inline constexpr int kNoFileName = 18;
inline constexpr int kNoImage = 19;
inline constexpr int kNoEntry = 20;
inline constexpr int kWrite = 21;
}  // namespace jpeglaberrcode

inline constexpr wchar_t kCannotWritePng[] = L"Cannot write PNG file: ";
inline constexpr wchar_t kCannotWriteGif[] = L"Cannot write GIF file: ";
inline constexpr wchar_t kCannotWriteJpeg[] = L"Cannot write JPEG file: ";
inline constexpr wchar_t kCannotWriteJpegLab[] = L"Cannot write JPEG LAB file: ";
// "212: Error saving GIF image. GIF error %d"
inline constexpr wchar_t kGifErrorFormat[] = L"%d: Error saving GIF image. GIF error %d";

// The 52-byte parameter block of the L*a*b save.
void FillJpegLabBlock(BYTE (&block)[52], DWORD quality);

}  // namespace tw
