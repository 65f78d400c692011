// The HTML wrappers.
#include "twfile/BlHTMLFile.h"

#include <cstdio>

#include "base/UniqueHandle.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/AnsiPath.h"
#include "twfile/BlBMPFile.h"
#include "twfile/BlPictureFiles.h"

namespace tw {
namespace {

constexpr char kHtmlFormat[] =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n    <html>\r\n    <head>\r\n    <title>%s</title>\r\n"
    "    </head>\r\n    <body bgcolor=\"#FFFFFF\">\r\n    <img src=\"file:///%s\">\r\n    </body>\r\n    </html>\r\n";

// The title is text, not markup: a document named "a < b & c" keeps its name.
std::string EscapeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
        }
    }
    return out;
}

}  // namespace

std::wstring HtmlPictureName(const std::wstring& htmlFileName, const wchar_t* extension) {
    const size_t dot = htmlFileName.find_last_of(L'.');
    const size_t slash = htmlFileName.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return htmlFileName + L"." + extension;
    return htmlFileName.substr(0, dot + 1) + extension;
}

std::string HtmlPageText(const std::wstring& documentName, const std::wstring& imageFileName) {
    std::string path = ToAnsiPath(imageFileName);
    for (char& c : path) {
        if (c == '\\') c = '/';
        else if (c == ':') c = '|';
    }
    const std::string title = EscapeText(ToAnsiPath(documentName));
    path = EscapeText(path);
    std::string text(sizeof(kHtmlFormat) + title.size() + path.size(), '\0');
    const int n = std::snprintf(text.data(), text.size(), kHtmlFormat, title.c_str(), path.c_str());
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

CBlHTMLFile::CBlHTMLFile(const TarnwellDEVMODE& dm, std::unique_ptr<CBlFile> picture, const wchar_t* pictureExtension,
                         bool replacesPicture, const wchar_t* className, const wchar_t* pictureKind)
    : CBlFile(dm),
      m_picture(std::move(picture)),
      m_pictureExtension(pictureExtension),
      m_bReplacesPicture(replacesPicture),
      m_className(className),
      m_pictureKind(pictureKind) {}

CBlHTMLGIFFile::CBlHTMLGIFFile(const TarnwellDEVMODE& dm)
    : CBlHTMLFile(dm, std::make_unique<CBlGIFFile>(dm), L"gif", true, L"CBlHTMLGIFFile", L"GIF") {}
CBlHTMLPNGFile::CBlHTMLPNGFile(const TarnwellDEVMODE& dm)
    : CBlHTMLFile(dm, std::make_unique<CBlPNGFile>(dm), L"PNG", false, L"CBlHTMLPNGFile", L"PNG") {}
CBlHTMLJPEGFile::CBlHTMLJPEGFile(const TarnwellDEVMODE& dm)
    : CBlHTMLFile(dm, std::make_unique<CBlJPEGFile>(dm), L"JPG", false, L"CBlHTMLJPEGFile", L"JPEG") {}
CBlHTMLBMPFile::CBlHTMLBMPFile(const TarnwellDEVMODE& dm)
    : CBlHTMLFile(dm, std::make_unique<CBlBMPFile>(dm), L"BMP", false, L"CBlHTMLBMPFile", L"BMP") {}

BOOL CBlHTMLFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"%s::SaveFile: %s", m_className, fileName ? fileName : L"");
    // The picture writer works with the wrapper's record, job and page as they are now.
    m_picture->SetJob(m_pJob);
    m_picture->SetFormat(m_dwFormat);
    m_picture->SetCurrentPage(m_dwCurrentPage);
    m_picture->CopyDevMode(m_devMode);
    const std::wstring html = fileName ? fileName : L"";
    const std::wstring picture = html.empty() ? std::wstring() : HtmlPictureName(html, m_pictureExtension);
    if (m_bReplacesPicture && !picture.empty()) ::DeleteFileW(picture.c_str());
    if (!m_picture->SaveFile(pageData, pageDataSize, picture.empty() ? nullptr : picture.c_str(), isEMF)) {
        TW_TRACE(L"%s::SaveFile: %s saving failed", m_className, m_pictureKind);
        return FALSE;
    }
    return SaveHTMLFile(html.c_str(), picture, m_pJob);
}

BOOL CBlHTMLFile::SaveHTMLFile(const wchar_t* htmlFileName, const std::wstring& imageFileName, CTWJob* job) {
    if (SheetIsIncomplete(*job)) return TRUE;
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile starts: %s", htmlFileName ? htmlFileName : L"");
    if (!htmlFileName || !*htmlFileName) return FALSE;
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile starts (2)");
    const std::string text = HtmlPageText(job->DocumentName(), imageFileName);
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile starts (3)");
    UniqueFile file(::CreateFileW(htmlFileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile starts (4)");
    if (!file) return FailOutputFile(kCannotWriteHtml, htmlFileName, htmlerr::kCreate, __FILE__, __LINE__);
    DWORD done = 0;
    ::SetLastError(ERROR_SUCCESS);
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) || done != text.size())
        return FailPartialFile(file, htmlFileName, kCannotWriteHtml, htmlerr::kWrite, __FILE__, __LINE__);
    job->NoteOutputFile(htmlFileName);
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile success");
    TW_TRACE(L"CBlHTMLFile::SaveHTMLFile ends");
    return TRUE;
}

}  // namespace tw
