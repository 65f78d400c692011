// The OCR output file: page texts appended one after the other, and the hOCR document frame
// around the pages of a multi-page document.
#include <string>
#include <vector>

#include "base/ByteOrderMarks.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "ocr/OCR.h"
#include "ocr/OcrTexts.h"

namespace tw {
namespace {


std::string Encode(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    // Characters the code page lacks become its default character, never a look-alike.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                              nullptr);
    return out;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    return size == 0 || (::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size);
}

std::wstring EscapeXml(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

void COCR::ReportFileError(const std::wstring& file) {
    if (m_pJob) m_pJob->ValidateOutputFile(ocrtext::kFilePrefix, file.c_str());
}

bool COCR::SaveOutput(const std::wstring& text, const std::wstring& file, bool unicode, bool multiPage, int page,
                      bool pageHeaders, bool isHocr) {
    TW_TRACE(L"> COCR::SaveOutput %s", file.c_str());
    if (text.empty() || file.empty()) {
        RecordError(ocrerr::kSaveOutput, ocrtext::kInvalidParameters);
        return false;
    }
    // hOCR declares itself UTF-8, so it is written as UTF-8 whatever the text setting says.
    const bool utf16 = unicode && !isHocr;
    if (utf16) {
        UniqueFile created(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                         nullptr));
        if (created) {
            if (!WriteAll(created.get(), kBomUtf16Le, sizeof(kBomUtf16Le))) {
                ReportFileError(file);
                RecordError(ocrerr::kSaveOutput, ocrtext::kCouldNotWrite);
                return false;
            }
        } else if (::GetLastError() != ERROR_FILE_EXISTS) {
            ReportFileError(file);
            RecordError(ocrerr::kSaveOutput, ocrtext::kCouldNotWrite);
            return false;
        }
    }
    UniqueFile out(::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        ReportFileError(file);
        RecordError(ocrerr::kSaveOutput, ocrtext::kCouldNotOpen);
        return false;
    }
    std::wstring whole;
    if (multiPage && !isHocr) whole = pageHeaders ? FormatW(ocrtext::kPageHeader, page) : ocrtext::kPageSeparator;
    whole += text;
    bool written;
    if (utf16) {
        written = WriteAll(out.get(), whole.data(), whole.size() * sizeof(wchar_t));
    } else {
        const std::string bytes = Encode(whole, isHocr ? CP_UTF8 : CP_ACP);
        written = WriteAll(out.get(), bytes.data(), bytes.size());
    }
    if (!written || !::FlushFileBuffers(out.get())) {
        ReportFileError(file);
        RecordError(ocrerr::kSaveOutput, ocrtext::kCouldNotWrite);
        return false;
    }
    TW_TRACE_RESULT(L"COCR::SaveOutput", true);
    return true;
}

bool COCR::WritesHocrDocument(const TarnwellDEVMODE* dm, bool multiPage) const {
    return dm && multiPage &&
           settings::ReadDwordOr(dm, settings::kOcrSettings, settings::kOcrFormat, settings::kOcrDwordDefault) ==
               kOcrFormatHocr &&
           settings::ReadNumberText(dm, settings::kOcrSettings, settings::kOcrGenerateInMemory,
                                    settings::kOcrNumberDefault) == 0;
}

bool COCR::OpenOCR(const TarnwellDEVMODE* dm, const std::wstring& outputFile, bool multiPage, bool pageHeaders,
                   const std::wstring& title) {
    TW_TRACE(L"> COCR::OpenOCR");
    if (!WritesHocrDocument(dm, multiPage)) return true;
    const std::wstring prologue = FormatW(ocrtext::kHocrPrologue, EscapeXml(title).c_str());
    m_bDocumentOpen = SaveOutput(prologue, outputFile, dm->HasFlag(dmflag::UnicodeOcrText), multiPage, 0, pageHeaders,
                                 true);
    return m_bDocumentOpen;
}

bool COCR::CloseOCR(const TarnwellDEVMODE* dm, const std::wstring& outputFile, bool multiPage, int page,
                    bool pageHeaders) {
    TW_TRACE(L"> COCR::CloseOCR");
    // Only a document whose head was written gets the tail, and only once (EndDoc, then AbortDoc).
    if (!m_bDocumentOpen || !WritesHocrDocument(dm, multiPage)) return true;
    m_bDocumentOpen = false;
    return SaveOutput(ocrtext::kHocrEpilogue, outputFile, dm->HasFlag(dmflag::UnicodeOcrText), multiPage, page,
                      pageHeaders, true);
}

}  // namespace tw
