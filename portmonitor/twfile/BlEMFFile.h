#pragma once
// Metafile output (code 18): the page EMF as the driver sent it, re-recorded when the page is
// turned, or a rendered page DIB placed into a new metafile; in memory mode the page EMF is
// handed to the client applications instead.
#include <optional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/MetafileRecorder.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/BlFile.h"

namespace tw {

class CBlEMFFile : public CBlFile {
public:
    explicit CBlEMFFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;

private:
    BOOL SaveRenderedPage(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName, BOOL isEMF);
    // Reads what the job takes from the page's content before the page is written.
    BOOL ReadPageContent(HGLOBAL pageData, SIZE_T pageDataSize, bool turned);
    BOOL SaveTurnedPage(HGLOBAL pageData, SIZE_T pageDataSize, std::wstring fileName);
    BOOL SavePageData(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName);
    // Pages per sheet: the page placed into its cell as metafiles, the sheet written as one
    // metafile when it is full or the document ends.
    BOOL SaveSheetPage(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName);
    BOOL WriteSheet(const std::wstring& fileName);

    // The current sheet: the placed page and stamp metafiles, their size and the record that
    // describes the sheet.
    std::vector<UniqueEnhMetaFile> m_sheetParts;
    VectorSize m_sheetSize;
    std::optional<TarnwellDEVMODE> m_sheetDevMode;
};

class CBlMemEMFFile : public CBlFile {
public:
    explicit CBlMemEMFFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

// Writes the packed page DIB into a new metafile `fileName`, recorded on the printer's DC: a
// white page and the DIB drawn 1:1 at its top left. The frame follows the DIB's resolution.
BOOL SaveDIBIntoMetaFile(CBlFile& writer, const wchar_t* fileName, HGLOBAL dib, const std::wstring& printerName);

namespace emferr {
inline constexpr int kNoPageData = 46;
inline constexpr int kNoFileName = 47;
inline constexpr int kWrite = 48;
inline constexpr int kLock = 49;  // also a page whose rendered DIB cannot be had
}  // namespace emferr

inline constexpr wchar_t kCannotWriteEmf[] = L"Cannot write EMF file: ";

}  // namespace tw
