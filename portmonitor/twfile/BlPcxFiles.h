#pragma once
// PCX pages written by the system: one page per PCX file, or every page of the document in one
// DCX file when the output is multi-page (one DCX per page otherwise).
#include <vector>

#include "twfile/BlFile.h"

namespace tw {

class CBlPCXFile : public CBlFile {
public:
    explicit CBlPCXFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

class CBlDCXFile : public CBlFile {
public:
    explicit CBlDCXFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;

private:
    bool AppendPage(const std::wstring& name, const std::vector<BYTE>& page);
};

namespace pcxerr {
inline constexpr int kNoPageData = 38;
inline constexpr int kNoFileName = 39;
inline constexpr int kNoImage = 40;
inline constexpr int kWrite = 306;
}  // namespace pcxerr

namespace dcxerr {
inline constexpr int kNoPageData = 42;
inline constexpr int kNoFileName = 43;
inline constexpr int kNoImage = 44;
inline constexpr int kCreate = 45;
inline constexpr int kAppend = 46;
}  // namespace dcxerr

inline constexpr wchar_t kCannotWritePcx[] = L"Cannot write PCX file: ";
inline constexpr wchar_t kCannotWriteDcx[] = L"Cannot write DCX file: ";

}  // namespace tw
