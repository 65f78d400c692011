// TwOCRx.dll on its own: pages of known text drawn through GDI come back as their words.
#include <gtest/gtest.h>

#include <cstring>

#include "OcrTestPage.h"

namespace twtest {
namespace {

std::vector<std::wstring> ExpectedWords() {
    std::vector<std::wstring> words;
    for (const auto& line : kOcrLines)
        for (auto& w : Words(line)) words.push_back(w);
    return words;
}

class OcrLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library = new OcrLibrary; }
    static void TearDownTestSuite() {
        delete library;
        library = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(library->module, nullptr) << "cannot load the OCR library";
        ASSERT_TRUE(library->recognise && library->recogniseEx && library->freeText);
    }
    static OcrLibrary* library;
};
OcrLibrary* OcrLibraryTest::library = nullptr;

TEST_F(OcrLibraryTest, BilevelAndColourPagesGiveTheirWords) {
    for (WORD bits : {WORD(1), WORD(24)}) {
        HGLOBAL page = MakeTextPage(kOcrLines, 2400, 600, 300, bits);
        LPWSTR text = nullptr;
        EXPECT_EQ(library->recognise(page, &text, L"eng", nullptr), TWOCR_OK);
        ASSERT_NE(text, nullptr);
        std::wstring got = text;
        library->freeText(text);
        EXPECT_GE(WordAccuracy(ExpectedWords(), got), 0.95) << bits << " bits: " << std::string(got.begin(), got.end());
        // Windows text: every line ends in CR LF.
        EXPECT_NE(got.find(L"\r\n"), std::wstring::npos);
        ::GlobalFree(page);
    }
}

TEST_F(OcrLibraryTest, HocrPageCarriesWordsAndAnEmptyImageName) {
    HGLOBAL page = MakeTextPage(kOcrLines, 2400, 600, 300, 1);
    int status = -1;
    std::wstring hocr = library->Run(page, L"eng+deu", TWOCR_OUTPUT_HOCR, status, 2);
    ::GlobalFree(page);
    EXPECT_EQ(status, TWOCR_OK);
    EXPECT_NE(hocr.find(L"<div class='ocr_page' id='page_3' title='image \"\"; bbox 0 0 2400 600"), std::wstring::npos);
    EXPECT_NE(hocr.find(L"ocrx_word"), std::wstring::npos);
    EXPECT_NE(hocr.find(L">Invoice</span>"), std::wstring::npos);
}

TEST_F(OcrLibraryTest, RefusesWhatItCannotRead) {
    HGLOBAL page = MakeTextPage({L"x"}, 64, 64, 300, 1);
    int status = -1;
    EXPECT_EQ(library->Run(page, L"xyz", TWOCR_OUTPUT_TEXT, status), L"");
    EXPECT_EQ(status, TWOCR_ERR_LANGUAGE_DATA);
    library->Run(page, L"..\\tessdata\\eng", TWOCR_OUTPUT_TEXT, status);
    EXPECT_EQ(status, TWOCR_ERR_INVALID_ARGUMENT);
    library->Run(page, L"", TWOCR_OUTPUT_TEXT, status);
    EXPECT_EQ(status, TWOCR_ERR_INVALID_ARGUMENT);
    library->Run(page, L"eng", 7, status);
    EXPECT_EQ(status, TWOCR_ERR_OUTPUT_KIND);
    EXPECT_EQ(library->recognise(page, nullptr, L"eng", nullptr), TWOCR_ERR_INVALID_ARGUMENT);
    TwOCRParams tooSmall{};
    LPWSTR text = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(library->recognise(page, &text, L"eng", &tooSmall), TWOCR_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(text, nullptr);
    // A data folder named in the block that lacks the language.
    TwOCRParams elsewhere{sizeof(TwOCRParams), L"C:\\nowhere", 0, 0};
    EXPECT_EQ(library->recognise(page, &text, L"eng", &elsewhere), TWOCR_ERR_LANGUAGE_DATA);

    // A header that claims more rows than the block holds, and one of an unknown size.
    auto* h = static_cast<BITMAPINFOHEADER*>(::GlobalLock(page));
    h->biHeight = 100000;
    ::GlobalUnlock(page);
    library->Run(page, L"eng", TWOCR_OUTPUT_TEXT, status);
    EXPECT_EQ(status, TWOCR_ERR_BAD_DIB);
    h = static_cast<BITMAPINFOHEADER*>(::GlobalLock(page));
    h->biHeight = 64;
    h->biSize = 12;
    ::GlobalUnlock(page);
    library->Run(page, L"eng", TWOCR_OUTPUT_TEXT, status);
    EXPECT_EQ(status, TWOCR_ERR_BAD_DIB);
    ::GlobalFree(page);
    library->freeText(nullptr);
}

TEST_F(OcrLibraryTest, BlankAndTinyPagesGiveEmptyText) {
    for (LONG side : {1L, 300L}) {
        HGLOBAL page = MakeTextPage({}, side, side, 300, 1);
        int status = -1;
        std::wstring text = library->Run(page, L"eng", TWOCR_OUTPUT_TEXT, status);
        EXPECT_EQ(status, TWOCR_OK) << side;
        EXPECT_TRUE(Words(text).empty()) << side;
        ::GlobalFree(page);
    }
}

TEST_F(OcrLibraryTest, RefusesPagesAboveItsLimit) {
    // 12000 x 12000 bilevel pixels: 18 MB of block, beyond the limit.
    const LONG side = 12000;
    const DWORD stride = ((side + 31) / 32) * 4;
    HGLOBAL page = ::GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + 8 + SIZE_T(stride) * side);
    ASSERT_NE(page, nullptr);
    auto* h = static_cast<BITMAPINFOHEADER*>(::GlobalLock(page));
    *h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), side, side, 1, 1, BI_RGB, 0, 11811, 11811, 2, 0};
    ::GlobalUnlock(page);
    int status = -1;
    library->Run(page, L"eng", TWOCR_OUTPUT_TEXT, status);
    EXPECT_EQ(status, TWOCR_ERR_PAGE_TOO_LARGE);
    ::GlobalFree(page);
}

}  // namespace
}  // namespace twtest
