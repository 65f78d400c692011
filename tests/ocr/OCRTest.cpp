// COCR: the error table, loading the library, the page steps and the output file.
#include <gtest/gtest.h>

#include "OcrTestPage.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"
#include "base/UniqueHandle.h"
#include "ocr/OCR.h"

namespace twtest {
namespace {

using tw::COCR;
using tw::OcrPageRequest;
using tw::UniqueHGlobal;
namespace ocrerr = tw::ocrerr;
namespace settings = tw::settings;

std::wstring ReadWide(const std::wstring& path) {
    std::string bytes = ReadFileBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

TEST(OcrErrors, TextsAndTheFirstErrorStays) {
    COCR ocr;
    EXPECT_EQ(ocr.ErrorText(), L"0: No Error");
    ocr.RecordError(ocrerr::kLoadLibrary, L"Error code from windows: 126");
    ocr.RecordError(ocrerr::kSaveOutput, L"Could not open file");
    EXPECT_EQ(ocr.ErrorText(), L"4: Could not load OCR DLL (Error code from windows: 126)");
    COCR plain;
    plain.RecordError(ocrerr::kNoLanguage);
    EXPECT_EQ(plain.ErrorText(), L"7: OCR language is not set");
    COCR beyond;
    beyond.RecordError(12);
    EXPECT_EQ(beyond.ErrorText(), L"12");
}

// Width, height and bits per pixel of the bitmap a page was recognised from.
struct Saved {
    LONG width, height;
    WORD bits;
};
Saved SavedBitmap(const std::wstring& file) {
    std::string bmp = ReadFileBytes(file);
    if (bmp.size() < 30) return {0, 0, 0};
    return {*reinterpret_cast<const LONG*>(bmp.data() + 18), *reinterpret_cast<const LONG*>(bmp.data() + 22),
            *reinterpret_cast<const WORD*>(bmp.data() + 28)};
}

class OcrPrinter : public SettingsPrinter {
protected:
    void SetUp() override {
        SettingsPrinter::SetUp();
        tw::FreeOcrLibrary();
        dir = MakeTempDir(L"ocr");
        SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, OcrLibraryPath());
        SetText(Group(settings::kOcrSettings), settings::kOcrLanguages, L"eng");
    }
    void TearDown() override {
        RemoveTree(dir);
        SettingsPrinter::TearDown();
    }
    void SetNumber(const wchar_t* name, const wchar_t* value) { SetText(Group(settings::kOcrSettings), name, value); }
    void SetOcrDword(const wchar_t* name, DWORD value) { SetDword(Group(settings::kOcrSettings), name, value); }
    OcrPageRequest Page(int number, const wchar_t* file = L"page.ocr.txt") {
        OcrPageRequest page;
        page.outputFile = dir + L"\\" + file;
        page.pageNumber = number;
        page.imageFile = dir + L"\\page.tif";
        return page;
    }
    std::wstring dir;
};

TEST_F(OcrPrinter, LoadingReportsPathLibraryAndEntryPoints) {
    COCR none;
    EXPECT_FALSE(none.LoadDll(nullptr));
    EXPECT_EQ(none.ErrorCode(), ocrerr::kInvalidParameters);

    SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, L"");
    COCR noPath;
    EXPECT_FALSE(noPath.LoadDll(&dm));
    EXPECT_EQ(noPath.ErrorCode(), ocrerr::kNoLibraryPath);

    SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, dir + L"\\missing.dll");
    COCR missing;
    EXPECT_FALSE(missing.LoadDll(&dm));
    EXPECT_EQ(missing.ErrorText().rfind(L"4: Could not load OCR DLL (Error code from windows: ", 0), 0u);

    // A library without the three entry points.
    SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, L"version.dll");
    COCR wrong;
    EXPECT_FALSE(wrong.LoadDll(&dm));
    EXPECT_EQ(wrong.ErrorCode(), ocrerr::kEntryPoints);
    EXPECT_FALSE(wrong.Loaded());
    tw::FreeOcrLibrary();

    SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, OcrLibraryPath());
    COCR first, second;
    EXPECT_TRUE(first.LoadDll(&dm));
    // Later jobs take the process's library without reading the path again.
    SetText(Group(settings::kOcrSettings), settings::kOcrLibraryPath, L"");
    EXPECT_TRUE(second.LoadDll(&dm));
    EXPECT_EQ(second.ErrorCode(), ocrerr::kNone);
}

TEST_F(OcrPrinter, PageStepsThatStopBeforeRecognition) {
    UniqueHGlobal page(MakeTextPage({L"x"}, 64, 64, 300, 1));
    COCR ocr;
    EXPECT_FALSE(ocr.RunOCR(&dm, nullptr, Page(1)));
    EXPECT_EQ(ocr.ErrorCode(), ocrerr::kInvalidParameters);

    COCR noFile;
    OcrPageRequest unnamed = Page(1);
    unnamed.outputFile.clear();
    EXPECT_FALSE(noFile.RunOCR(&dm, page.get(), unnamed));
    EXPECT_EQ(noFile.ErrorCode(), ocrerr::kNoOutputFile);

    SetNumber(settings::kOcrFirstPageOnly, L"1");
    COCR second;
    EXPECT_FALSE(second.RunOCR(&dm, page.get(), Page(2)));
    EXPECT_EQ(second.ErrorCode(), ocrerr::kNone);
    SetNumber(settings::kOcrFirstPageOnly, L"0");

    SetText(Group(settings::kOcrSettings), settings::kOcrLanguages, L"");
    COCR noLanguage;
    EXPECT_FALSE(noLanguage.RunOCR(&dm, page.get(), Page(1)));
    EXPECT_EQ(noLanguage.ErrorCode(), ocrerr::kNoLanguage);

    SetText(Group(settings::kOcrSettings), settings::kOcrLanguages, L"xyz");
    COCR noData;
    EXPECT_FALSE(noData.RunOCR(&dm, page.get(), Page(1)));
    EXPECT_EQ(noData.ErrorText(), L"9: OCR DLL returned an error (Error code from the OCR DLL: 4)");

    SetText(Group(settings::kOcrSettings), settings::kOcrLanguages, L"eng");
    SetNumber(settings::kOcrSelectArea, L"1");
    SetOcrDword(settings::kOcrAreaLeft, 100);  // beyond the 64-pixel page
    SetOcrDword(settings::kOcrAreaWidth, 10);
    SetOcrDword(settings::kOcrAreaHeight, 10);
    COCR offPage;
    EXPECT_FALSE(offPage.RunOCR(&dm, page.get(), Page(1)));
    EXPECT_EQ(offPage.ErrorCode(), ocrerr::kCrop);
}

TEST_F(OcrPrinter, AreaInTenthMillimetresIsCutAndSavedDoubled) {
    UniqueHGlobal page(MakeTextPage(kOcrLines, 2400, 600, 300, 1));
    SetNumber(settings::kOcrSelectArea, L"1");
    SetOcrDword(settings::kOcrAreaUnit, 2);
    SetOcrDword(settings::kOcrAreaWidth, 254);  // one inch: 300 pixels at 300 dpi
    SetOcrDword(settings::kOcrAreaHeight, 254);
    OcrPageRequest request = Page(1);
    request.saveInputBitmap = true;
    request.inputBitmapBase = dir + L"\\input.bmp";
    COCR ocr;
    ocr.RunOCR(&dm, page.get(), request);
    // Small pages are read at twice their size.
    Saved saved = SavedBitmap(request.inputBitmapBase);
    EXPECT_EQ(saved.width, 600);
    EXPECT_EQ(saved.height, 600);
}

TEST_F(OcrPrinter, OnlySmallPagesAtLowResolutionAreDoubled) {
    struct Case {
        LONG width, height;
        int dpi;
        LONG expectedWidth;
    } cases[] = {
        {2550, 3300, 300, 5100},  // Letter at 300 dpi: 8.5 inches wide
        {2480, 3508, 300, 4960},  // A4 at 300 dpi: 8.27 inches wide
        {2560, 3300, 300, 2560},  // just over 8.5 inches
        {3300, 2560, 300, 3300},  // the shorter side counts, across or down
        {1200, 1600, 400, 1200},  // 400 dpi pages never
    };
    // The bitmap is saved before recognition, which this language makes end at once.
    SetText(Group(settings::kOcrSettings), settings::kOcrLanguages, L"xyz");
    for (const Case& c : cases) {
        UniqueHGlobal page(MakeTextPage({L"x"}, c.width, c.height, c.dpi, 1));
        OcrPageRequest request = Page(1);
        request.saveInputBitmap = true;
        request.inputBitmapBase = dir + L"\\input.bmp";
        COCR ocr;
        ocr.RunOCR(&dm, page.get(), request);
        EXPECT_EQ(SavedBitmap(request.inputBitmapBase).width, c.expectedWidth) << c.width << " at " << c.dpi;
    }
}

TEST_F(OcrPrinter, ClosingFilterReadsColourPagesInBlackAndWhite) {
    SetNumber(settings::kOcrClosingFilter, L"1");
    UniqueHGlobal page(MakeTextPage(kOcrLines, 2400, 600, 400, 24));
    OcrPageRequest request = Page(3);
    request.multiPage = true;
    request.saveInputBitmap = true;
    request.inputBitmapBase = dir + L"\\input.bmp";
    COCR ocr;
    ASSERT_TRUE(ocr.RunOCR(&dm, page.get(), request));
    Saved saved = SavedBitmap(dir + L"\\input000003.bmp");
    EXPECT_EQ(saved.bits, 1);
    EXPECT_EQ(saved.width, 2400);
    EXPECT_GE(WordAccuracy(Words(kOcrLines[0]), ocr.ResultText()), 0.95);
}

TEST_F(OcrPrinter, MultiPageUnicodeTextWithHeadersAndOneByteOrderMark) {
    dm.SetFlag(tw::dmflag::UnicodeOcrText, true);
    UniqueHGlobal page(MakeTextPage(kOcrLines, 2400, 600, 300, 1));
    COCR ocr;
    for (int number : {1, 2}) {
        OcrPageRequest request = Page(number);
        request.multiPage = true;
        request.pageHeaders = true;
        ASSERT_TRUE(ocr.RunOCR(&dm, page.get(), request)) << tw::FormatW(L"%s", ocr.ErrorText().c_str()).size();
    }
    std::wstring text = ReadWide(dir + L"\\page.ocr.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0], L'\xFEFF');
    EXPECT_EQ(text.find(L'\xFEFF', 1), std::wstring::npos);
    const size_t first = text.find(L"\r\nPage 1:\r\n\r\n"), second = text.find(L"\r\nPage 2:\r\n\r\n");
    ASSERT_NE(first, std::wstring::npos);
    ASSERT_NE(second, std::wstring::npos);
    EXPECT_GE(WordAccuracy(Words(kOcrLines[1]), text.substr(first, second - first)), 0.95);
    EXPECT_GE(WordAccuracy(Words(kOcrLines[1]), text.substr(second)), 0.95);
    EXPECT_EQ(ocr.ErrorCode(), ocrerr::kNone);
}

TEST_F(OcrPrinter, HocrDocumentNamesTheImageAndKeepsPageCoordinates) {
    SetOcrDword(settings::kOcrFormat, tw::kOcrFormatHocr);
    UniqueHGlobal page(MakeTextPage(kOcrLines, 2400, 600, 300, 1));
    COCR ocr;
    const std::wstring file = dir + L"\\doc.txt";
    ASSERT_TRUE(ocr.OpenOCR(&dm, file, true, false, L"Q&A <draft>"));
    OcrPageRequest request = Page(1, L"doc.txt");
    request.multiPage = true;
    ASSERT_TRUE(ocr.RunOCR(&dm, page.get(), request));
    ASSERT_TRUE(ocr.CloseOCR(&dm, file, true, 1, false));
    ASSERT_TRUE(ocr.CloseOCR(&dm, file, true, 1, false));  // an abort after the end adds nothing
    std::string doc = ReadFileBytes(file);
    EXPECT_EQ(doc.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u);
    EXPECT_NE(doc.find("<title>Q&amp;A &lt;draft&gt;</title>"), std::string::npos);
    // The doubled page's boxes come back in the page's own pixels.
    EXPECT_NE(doc.find("title='image \"page.tif\"; bbox 0 0 2400 600"), std::string::npos);
    const std::string tail = " </body>\r\n</html>\r\n";
    ASSERT_GE(doc.size(), tail.size());
    EXPECT_EQ(doc.substr(doc.size() - tail.size()), tail);
    EXPECT_EQ(doc.find(tail), doc.size() - tail.size());
}

TEST_F(OcrPrinter, OutputThatCannotBeWrittenIsRecorded) {
    COCR empty;
    EXPECT_FALSE(empty.SaveOutput(L"", dir + L"\\a.txt", false, false, 1, false, false));
    EXPECT_EQ(empty.ErrorText(), L"6: Could not save output file (Invalid parameters)");
    COCR nowhere;
    EXPECT_FALSE(nowhere.SaveOutput(L"text", dir + L"\\no\\such\\a.txt", false, false, 1, false, false));
    EXPECT_EQ(nowhere.ErrorText(), L"6: Could not save output file (Could not open file)");
    COCR nowhereUnicode;
    EXPECT_FALSE(nowhereUnicode.SaveOutput(L"text", dir + L"\\no\\such\\a.txt", true, false, 1, false, false));
    EXPECT_EQ(nowhereUnicode.ErrorText(), L"6: Could not save output file (Could not write file)");
}

TEST_F(OcrPrinter, HugePageIsRefusedBeforeAnythingIsMade) {
    // The header of a 25500 x 33000 page; the rows are never read.
    UniqueHGlobal page(::GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + 8 + SIZE_T(3188) * 33000));
    ASSERT_TRUE(page);
    auto* h = static_cast<BITMAPINFOHEADER*>(::GlobalLock(page.get()));
    *h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 25500, 33000, 1, 1, BI_RGB, 0, 11811, 11811, 2, 0};
    ::GlobalUnlock(page.get());
    COCR ocr;
    EXPECT_FALSE(ocr.RunOCR(&dm, page.get(), Page(1)));
    EXPECT_EQ(ocr.ErrorText(),
              L"1: Internal error, invalid parameters (Page of 25500 x 33000 pixels is too large to recognise)");
}

}  // namespace
}  // namespace twtest
