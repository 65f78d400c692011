#pragma once
// The fax containers besides TIFF: CALS Type 1 raster, headerless CCITT streams and MO:DCA
// with an IOCA image. Each writes one file per page within one call.
#include "twfile/BlFile.h"

namespace tw {

class CBlCALSFile : public CBlFile {
public:
    explicit CBlCALSFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlRawFaxFile : public CBlFile {
public:
    explicit CBlRawFaxFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlIOCAFile : public CBlFile {
public:
    explicit CBlIOCAFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

// The EncodeCcittImage coding of a raw CCITT format code (12 to 15); 0 for other codes.
DWORD RawFaxCoding(DWORD format);

namespace calserr {
inline constexpr int kNoPageData = 27;
inline constexpr int kNoFileName = 28;
inline constexpr int kNoImage = 29;
inline constexpr int kNoEncoder = 30;
inline constexpr int kWrite = 31;
}  // namespace calserr

namespace rawfaxerr {
inline constexpr int kNoPageData = 32;
inline constexpr int kNoFileName = 33;
inline constexpr int kNoImage = 34;
inline constexpr int kNoEncoder = 35;
inline constexpr int kCreate = 36;
inline constexpr int kEncode = 37;
}  // namespace rawfaxerr

namespace iocaerr {
inline constexpr int kNoPageData = 100;
inline constexpr int kNoFileName = 101;
inline constexpr int kNoImage = 4;  // shares the writers' "DIB cannot be locked" number
}  // namespace iocaerr

inline constexpr wchar_t kCannotWriteCals[] = L"Cannot write CALS file: ";
inline constexpr wchar_t kCannotWriteIoca[] = L"Cannot write IOCA file: ";
inline constexpr wchar_t kCannotWriteRawFax[] = L"Cannot write raw fax file: ";

}  // namespace tw
