#pragma once
// The HTML wrappers (codes 26 to 29): the page is saved as a picture next to the HTML file by
// the picture writer of its format, and a minimal HTML page that shows it is written.
#include <memory>
#include <string>

#include "twfile/BlFile.h"

namespace tw {

class CBlHTMLFile : public CBlFile {
public:
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
    // Writes the HTML page for `imageFileName` into `htmlFileName`.
    BOOL SaveHTMLFile(const wchar_t* htmlFileName, const std::wstring& imageFileName, CTWJob* job);

protected:
    CBlHTMLFile(const TarnwellDEVMODE& dm, std::unique_ptr<CBlFile> picture, const wchar_t* pictureExtension,
                bool replacesPicture, const wchar_t* className, const wchar_t* pictureKind);

private:
    std::unique_ptr<CBlFile> m_picture;
    const wchar_t* m_pictureExtension;
    bool m_bReplacesPicture;  // GIF pictures are never written over: an old one is removed first
    const wchar_t* m_className;    // for the log: "CBlHTMLJPEGFile"
    const wchar_t* m_pictureKind;  // "JPEG"
};

class CBlHTMLGIFFile : public CBlHTMLFile {
public:
    explicit CBlHTMLGIFFile(const TarnwellDEVMODE& dm);
};
class CBlHTMLPNGFile : public CBlHTMLFile {
public:
    explicit CBlHTMLPNGFile(const TarnwellDEVMODE& dm);
};
class CBlHTMLJPEGFile : public CBlHTMLFile {
public:
    explicit CBlHTMLJPEGFile(const TarnwellDEVMODE& dm);
};
class CBlHTMLBMPFile : public CBlHTMLFile {
public:
    explicit CBlHTMLBMPFile(const TarnwellDEVMODE& dm);
};

// The picture's name: the HTML name with its extension (the text after the last dot) replaced
// by `extension`, or with "." and `extension` appended when it has no dot.
std::wstring HtmlPictureName(const std::wstring& htmlFileName, const wchar_t* extension);
// The HTML text for the document name and the picture path (8-bit, as written).
std::string HtmlPageText(const std::wstring& documentName, const std::wstring& imageFileName);

namespace htmlerr {
inline constexpr int kWrite = 300;
inline constexpr int kCreate = 301;
}  // namespace htmlerr

inline constexpr wchar_t kCannotWriteHtml[] = L"Cannot write HTML file: ";

}  // namespace tw
