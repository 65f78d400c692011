// The error texts the job's reporters put into status, group files and events.
#include <gtest/gtest.h>

#include "monitor/DiagnosticTexts.h"

namespace diag = tw::diag;

TEST(ErrorTexts, InternalErrorAndLocation) {
    EXPECT_EQ(diag::InternalErrorText(12), L"Internal error: 12.");
    EXPECT_EQ(diag::InternalErrorText(3), L"Internal error: 3.");
    EXPECT_EQ(diag::InternalErrorEventText(3), L"3");
    EXPECT_EQ(diag::ErrorLocationText("twfile\\BlTIFFFile.cpp", 412), L"twfile\\BlTIFFFile.cpp line 412");
    EXPECT_EQ(diag::ErrorLocationText(nullptr, 7), L" line 7");
}

TEST(ErrorTexts, TiffGroupFileEntry) {
    EXPECT_EQ(diag::TiffGroupFileEntry(-2, "Cannot open"), L"-2: Cannot open");
    EXPECT_EQ(diag::TiffGroupFileEntry(-2, ""), L"-2");
    EXPECT_EQ(diag::TiffGroupFileEntry(-2, nullptr), L"-2");
}

TEST(ErrorTexts, TiffEventTextCoversEveryCombination) {
    EXPECT_EQ(diag::TiffEventText(5, -2, "Cannot open"), L"5; TIFF Error: -2 (Cannot open)");
    EXPECT_EQ(diag::TiffEventText(5, -2, nullptr), L"5");
    EXPECT_EQ(diag::TiffEventText(5, -2, ""), L"5");
    EXPECT_EQ(diag::TiffEventText(5, 0, "stray text"), L"5");
    EXPECT_EQ(diag::TiffEventText(5, 0, nullptr), L"5");
    EXPECT_EQ(diag::TiffEventText(0, -3, "Bad strip"), L"TIFF Error: -3 (Bad strip)");
    EXPECT_EQ(diag::TiffEventText(0, -3, nullptr), L"TIFF Error: -3");
}

TEST(ErrorTexts, FormFillerTextsShowTheLocationOnlyWhenDebugging) {
    EXPECT_EQ(diag::FormFillerWarningText(true, "FormFiller.cpp", 88, L"no pages"),
              L"Warning in \"FormFiller.cpp\" line 88: no pages");
    EXPECT_EQ(diag::FormFillerWarningText(false, "FormFiller.cpp", 88, L"no pages"), L"Warning no pages");
    EXPECT_EQ(diag::FormFillerErrorText(true, "FormFiller.cpp", 90,
                                        L"406: Cover Page Filler closed without submitting cover page"),
              L"Error in \"FormFiller.cpp\" line 90: 406: Cover Page Filler closed without submitting cover page");
    EXPECT_EQ(diag::FormFillerErrorText(false, "FormFiller.cpp", 90, L"405: x"), L"Error 405: x");
    EXPECT_EQ(diag::FormFillerErrorText(false, nullptr, 0, nullptr), L"Error ");
}
