#pragma once
// BMP output: the page DIB behind a 14-byte file header, written to a file or handed to the
// client applications in memory.
#include "twfile/BlFile.h"

namespace tw {

class CBlBMPFile : public CBlFile {
public:
    explicit CBlBMPFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    ~CBlBMPFile() override;
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlMemBMPFile : public CBlFile {
public:
    explicit CBlMemBMPFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

// Internal error numbers of the BMP writers.
namespace bmperr {
inline constexpr int kNoPageData = 22;
inline constexpr int kNoFileName = 23;
inline constexpr int kNoImage = 24;
inline constexpr int kLock = 4;
inline constexpr int kCreate = 25;
inline constexpr int kWrite = 26;
}  // namespace bmperr

inline constexpr wchar_t kCannotWriteBmp[] = L"Cannot write BMP file: ";

}  // namespace tw
