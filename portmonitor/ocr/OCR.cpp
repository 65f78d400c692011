// One page through the OCR library: checks, page preparation, recognition and the result.
#include "ocr/OCR.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/WideString.h"
#include "emfimage/PackedDib.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "ocr/HocrBoxes.h"
#include "ocr/OcrImage.h"
#include "ocr/OcrTexts.h"
#include "twfile/BmpEncoding.h"

namespace tw {
namespace {

// "Area Unit" codes.
constexpr DWORD kUnitPixels = 1;
constexpr DWORD kUnitTenthMillimetres = 2;
constexpr DWORD kUnitHundredthInches = 3;
constexpr double kTenthMillimetresPerInch = 254.0;
constexpr double kHundredthsPerInch = 100.0;

// Pages up to 300 dpi whose shorter side is at most 8.5 inches are doubled: the engine reads
// small type far better at twice the size.
constexpr LONG kMaxPelsPerMetreToDouble = 11820;
constexpr double kMaxShorterSideInches = 8.5;
constexpr double kInchesPerMetre = 0.0254;
constexpr int kClosingThreshold = 128;

bool Setting(const TarnwellDEVMODE* dm, const wchar_t* name) {
    return settings::ReadNumberText(dm, settings::kOcrSettings, name, settings::kOcrNumberDefault) != 0;
}

DWORD DwordSetting(const TarnwellDEVMODE* dm, const wchar_t* name, DWORD def = settings::kOcrDwordDefault) {
    return settings::ReadDwordOr(dm, settings::kOcrSettings, name, def);
}

LONG ToPixels(DWORD value, DWORD unit, int dpi) {
    double inches;
    switch (unit) {
    case kUnitTenthMillimetres: inches = value / kTenthMillimetresPerInch; break;
    case kUnitHundredthInches: inches = value / kHundredthsPerInch; break;
    default: return static_cast<LONG>(value);
    }
    return static_cast<LONG>(inches * dpi + 0.5);
}

// Whether the page is small enough at a low enough resolution to be doubled. The resolution is
// taken in whole dots per inch, so that 300 dpi (11811 pels per metre) letter paper counts as
// the 8.5 inches it is.
bool WantsDoubling(HGLOBAL dib) {
    DibView view(dib);
    if (!view.valid()) return false;
    const DibShape& s = view.Shape();
    if (s.xPelsPerMeter <= 0 || s.xPelsPerMeter > kMaxPelsPerMetreToDouble) return false;
    const LONG dpi = static_cast<LONG>(s.xPelsPerMeter * kInchesPerMetre + 0.5);
    return dpi > 0 && double(std::min(s.width, s.height)) / dpi <= kMaxShorterSideInches;
}

std::wstring WithoutExtension(const std::wstring& name) {
    size_t dot = name.find_last_of(L'.');
    size_t slash = name.find_last_of(L"\\/");
    return dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? name : name.substr(0, dot);
}

std::wstring FilePart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool WriteBmp(HGLOBAL dib, const std::wstring& name) {
    std::vector<BYTE> bytes;
    {
        GlobalLockGuard<BYTE> lock(dib);
        if (!lock || EncodeBmpFile(lock.get(), lock.size(), bytes) != DibCheck::Ok) return false;
    }
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Replaces every empty image reference of the hOCR pages by the page image's file name.
void NameImage(std::wstring& hocr, const std::wstring& imageFile) {
    const std::wstring named = std::wstring(ocrtext::kImageBefore) + FilePart(imageFile) + ocrtext::kImageAfter;
    const std::wstring empty = ocrtext::kUnnamedImage;
    for (size_t at = hocr.find(empty); at != std::wstring::npos; at = hocr.find(empty, at + named.size()))
        hocr.replace(at, empty.size(), named);
}

}  // namespace

void COCR::RecordError(int code, const std::wstring& detail) {
    TW_TRACE(L"COCR::RecordError %d (%s)", code, detail.c_str());
    if (m_nError != ocrerr::kNone) return;
    m_nError = code;
    m_szErrorDetail = detail;
}

std::wstring COCR::ErrorText() const {
    if (m_nError < 0 || m_nError >= ocrtext::kErrorCount) return FormatW(ocrtext::kErrorNumberOnly, m_nError);
    if (!m_szErrorDetail.empty())
        return FormatW(ocrtext::kErrorWithDetail, m_nError, ocrtext::kErrors[m_nError], m_szErrorDetail.c_str());
    return FormatW(ocrtext::kErrorWithoutDetail, m_nError, ocrtext::kErrors[m_nError]);
}

bool COCR::RunOCR(const TarnwellDEVMODE* dm, HGLOBAL dib, const OcrPageRequest& page) {
    TW_TRACE(L"> COCR::RunOCR page %d", page.pageNumber);
    if (!dm || !dib) {
        RecordError(ocrerr::kInvalidParameters);
        return false;
    }
    const bool inMemory = Setting(dm, settings::kOcrGenerateInMemory);
    if (!inMemory && page.outputFile.empty()) {
        RecordError(ocrerr::kNoOutputFile);
        return false;
    }
    if (Setting(dm, settings::kOcrFirstPageOnly) && page.pageNumber > 1) return false;
    if (!LoadDll(dm)) return false;
    std::optional<std::wstring> languages = settings::ReadString(dm, settings::kOcrSettings, settings::kOcrLanguages);
    if (!languages || languages->empty()) {
        RecordError(ocrerr::kNoLanguage);
        return false;
    }
    {
        // A page the library would refuse is refused before anything is made from it.
        DibView view(dib);
        if (!view.valid()) {
            RecordError(ocrerr::kInvalidParameters);
            return false;
        }
        if (LONGLONG(view.Shape().width) * view.Shape().height > TWOCR_MAX_PIXELS) {
            RecordError(ocrerr::kInvalidParameters,
                        FormatW(ocrtext::kPageTooLarge, view.Shape().width, view.Shape().height));
            return false;
        }
    }

    // Each step may replace the bitmap; the caller's page is never freed here.
    UniqueHGlobal cropped, doubled, bilevel, closed;
    HGLOBAL prepared = dib;
    HocrMapping mapping;
    if (Setting(dm, settings::kOcrSelectArea)) {
        const DWORD unit = DwordSetting(dm, settings::kOcrAreaUnit, settings::kOcrAreaUnitDefault);
        const LONG top = ToPixels(DwordSetting(dm, settings::kOcrAreaTop), unit, DmYDpi(dm));
        const LONG left = ToPixels(DwordSetting(dm, settings::kOcrAreaLeft), unit, DmXDpi(dm));
        const LONG width = ToPixels(DwordSetting(dm, settings::kOcrAreaWidth), unit, DmXDpi(dm));
        const LONG height = ToPixels(DwordSetting(dm, settings::kOcrAreaHeight), unit, DmYDpi(dm));
        cropped.reset(ocrimage::CropDib(prepared, left, top, left + width, top + height));
        if (!cropped) {
            RecordError(ocrerr::kCrop);
            return false;
        }
        prepared = cropped.get();
        mapping.left = std::max(left, 0L);
        mapping.top = std::max(top, 0L);
    }
    if (WantsDoubling(prepared)) {
        doubled.reset(ocrimage::DoubleDibSize(prepared));
        if (doubled) {
            prepared = doubled.get();
            mapping.scale = 2;
        } else {
            TW_TRACE(L"%s", ocrtext::kLogDoubleFailed);
        }
    }
    if (Setting(dm, settings::kOcrClosingFilter)) {
        bool isBilevel = false;
        {
            DibView view(prepared);
            isBilevel = view.valid() && view.Shape().bits == kBits1;
        }
        if (!isBilevel) {
            bilevel.reset(ocrimage::DitherThreshold(prepared, kClosingThreshold));
            if (bilevel) prepared = bilevel.get();
            else TW_TRACE(L"%s", ocrtext::kLogThresholdFailed);
        }
        closed.reset(ocrimage::BinaryClosing(prepared));
        if (closed) prepared = closed.get();
        else TW_TRACE(L"%s", ocrtext::kLogClosingFailed);
    }
    if (page.saveInputBitmap) {
        const std::wstring name = page.multiPage ? FormatW(ocrtext::kBitmapName, WithoutExtension(page.inputBitmapBase).c_str(),
                                                           page.pageNumber)
                                                 : page.inputBitmapBase;
        if (!WriteBmp(prepared, name)) TW_TRACE(L"COCR::RunOCR: could not save %s", name.c_str());
    }

    const bool hocr = DwordSetting(dm, settings::kOcrFormat) == kOcrFormatHocr;
    if (!Recognise(prepared, *languages, page.pageNumber > 0 ? page.pageNumber - 1 : 0, hocr)) return false;
    if (hocr) {
        MapHocrBoxes(m_szResult, mapping);
        if (!page.imageFile.empty() && !page.sendInMemoryOnly) NameImage(m_szResult, page.imageFile);
    }
    bool result = true;
    if (!inMemory) {
        result = SaveOutput(m_szResult, page.outputFile, dm->HasFlag(dmflag::UnicodeOcrText), page.multiPage,
                            page.pageNumber, page.pageHeaders, hocr);
    }
    TW_TRACE_RESULT(L"COCR::RunOCR", result);
    return result;
}

bool COCR::Recognise(HGLOBAL prepared, const std::wstring& languages, int pageIndex, bool hocr) {
    LPWSTR text = nullptr;
    int status;
    {
        // The library reads the bitmap through its handle while the monitor holds it locked.
        GlobalLockGuard<BYTE> lock(prepared);
        status = hocr ? m_pfnRecogniseEx(prepared, &text, languages.c_str(), nullptr, TWOCR_OUTPUT_HOCR, pageIndex)
                      : m_pfnRecognise(prepared, &text, languages.c_str(), nullptr);
    }
    if (status != TWOCR_OK || !text) {
        if (text) m_pfnFreeText(text);
        RecordError(ocrerr::kLibrary, status != TWOCR_OK ? FormatW(ocrtext::kLibraryError, status)
                                                         : std::wstring(ocrtext::kNoText));
        return false;
    }
    m_szResult = text;
    m_pfnFreeText(text);
    return true;
}

}  // namespace tw
