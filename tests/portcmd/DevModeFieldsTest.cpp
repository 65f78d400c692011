#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <string>

#include "base/WideString.h"
#include "portcmd/DevModeFields.h"
#include "portcmd/TarnwellDEVMODE.h"

using namespace tw;

namespace {

TarnwellDEVMODE Zeroed() {
    TarnwellDEVMODE dm;
    dm.Clear();
    return dm;
}

size_t ByteSpan(const DmField& f) { return f.kind == DmFieldKind::Text ? f.size * sizeof(wchar_t) : f.size; }

// The driver's record layout, written out independently of the layout header.
const std::map<std::wstring, size_t> kDriverOffsets = {
    {L"dmDeviceName", 0},          {L"dmDriverVersion", 66},       {L"dmOrientation", 76},
    {L"dmPaperSize", 78},          {L"dmPaperLength", 80},         {L"dmPaperWidth", 82},
    {L"dmScale", 84},              {L"dmPrintQuality", 90},        {L"dmYResolution", 96},
    {L"dmBitsPerPel", 168},        {L"Flags", 220},                {L"FileFormat", 224},
    {L"ColorModeFormat", 228},     {L"FaxHeader", 232},            {L"LossRatio", 236},
    {L"Dithering", 240},           {L"Brightness", 244},           {L"PageWidthInPixels", 248},
    {L"PageHeightInPixels", 252},  {L"ApplicationPath", 256},      {L"StartFlags", 776},
    {L"FileGenerationMethod", 780}, {L"OutputDirectory", 784},     {L"ImageFileName", 1304},
    {L"FileNamePrefix", 1824},     {L"FileExtension", 1842},       {L"MessagingInterfaceName", 1852},
    {L"NameSource", 2372},         {L"TIFFDllName", 2892},         {L"JPEGDllName", 3412},
    {L"ResourceDLLName", 3932},    {L"MessagingSessionId", 4452},  {L"UserSid", 4460},
    {L"ClientComputerName", 4816}, {L"PortraitWatermarkImage", 4972}, {L"LandscapeWatermarkImage", 5492},
    {L"WatermarkFlags", 6012},     {L"LandscapeWatermarkBrightness", 6016},
    {L"PortraitWatermarkBrightness", 6018}, {L"StartAppParameter0", 6654}, {L"StartAppParameter7", 6668},
    {L"PrinterId", 6803},          {L"FontOptions", 6807},         {L"CoverPageOptions", 6811},
    {L"AdvancedText", 6849},       {L"TextEncoding", 6850},        {L"StartAppParameter8", 6851},
    {L"StartAppParameter15", 6858}, {L"ExtraFlags", 6859},         {L"PagesPerSheet", 6863},
    {L"SheetOptions", 6864},
    // The barcode block from the cover page options byte, the PDF417 parameters up to the
    // advanced-text byte, and the margin's own slot.
    {L"BarcodeFlags", 6811}, {L"BarcodeKind", 6815}, {L"BarcodeSymbology", 6816},
    {L"BarcodeHorizontalAlignment", 6817}, {L"BarcodeVerticalAlignment", 6818}, {L"BarcodeXOffset", 6819},
    {L"BarcodeYOffset", 6823}, {L"BarcodeRotation", 6827}, {L"BarcodeOffsetUnit", 6828},
    {L"BarcodeValueSource", 6829}, {L"BarcodeOneDParam1", 6830}, {L"BarcodeQRParam1", 6834},
    {L"BarcodeDataMatrixParam1", 6837}, {L"BarcodeDataMatrixValue", 6841}, {L"BarcodePDF417Param1", 6843},
    {L"BarcodePDF417Param6", 6848}, {L"BarcodeOneDMargin", 6876},
    // The text annotation, from after the watermark brightness values up to its option word.
    {L"AnnotationFontHeight", 6020}, {L"AnnotationFontWeight", 6036}, {L"AnnotationFontItalic", 6040},
    {L"AnnotationFontPitchAndFamily", 6047}, {L"AnnotationFontFaceName", 6048},
    {L"AnnotationEscapement", 6112}, {L"AnnotationOffsetX", 6116}, {L"AnnotationOffsetY", 6120},
    {L"AnnotationColor", 6124},      {L"AnnotationText1", 6128},     {L"AnnotationText2", 6368},
    {L"BatesFormatIndex", 6608},     {L"AnnotationOptions", 6624},
};

const std::map<std::wstring, size_t> kDriverCapacities = {
    {L"dmDeviceName", 32},   {L"ApplicationPath", 260}, {L"OutputDirectory", 260}, {L"ImageFileName", 260},
    {L"FileNamePrefix", 9},  {L"FileExtension", 5},     {L"TIFFDllName", 260},     {L"JPEGDllName", 260},
    {L"PortraitWatermarkImage", 260}, {L"LandscapeWatermarkImage", 260},
    {L"AnnotationFontFaceName", 32}, {L"AnnotationText1", 120}, {L"AnnotationText2", 120},
};

struct Bit {
    size_t word;
    DWORD mask;
};
const std::map<std::wstring, Bit> kDriverBits = {
    {L"FaxResolutionMode1", {220, 0x2}},         {L"IsInternetTiffFormatEnabled", {220, 0x4}},
    {L"IsPageNumberingEnabled", {220, 0x8}},     {L"IsReverseBitOrderEnabled", {220, 0x10}},
    {L"IsAppendImageEnabled", {220, 0x20}},      {L"IsMultipageImageEnabled", {220, 0x20}},
    {L"IsWriteTextEnabled", {220, 0x40}},        {L"IsMailMergeEnabled", {220, 0x100}},
    {L"IsAdvancedTextEnabled", {220, 0x200}},    {L"ImageGenerationDisabled", {220, 0x400}},
    {L"IsGroupFileDisabled", {220, 0x800}},      {L"FaxResolutionMode3", {220, 0x1000}},
    {L"IsMessagingInterfaceEnabled", {220, 0x2000}}, {L"IsTiffDllEnabled", {220, 0x4000}},
    {L"IsJpegDllEnabled", {220, 0x8000}},        {L"IsFaxOutputEnabled", {220, 0x10000}},
    {L"IsRotatePaperEnabled", {220, 0x40000}},   {L"IsDeleteGroupFileEnabled", {220, 0x80000}},
    {L"IsKeepExistingFilesEnabled", {220, 0x100000}}, {L"FaxResolutionMode2", {220, 0x800000}},
    {L"OutputInMemory", {220, 0x4000000}},       {L"BatesNumberingEnabled", {220, 0x8000000}},
    {L"PrintedFromSession0", {220, 0x80000000}}, {L"IsStartApplicationEnabled", {776, 0x1}},
    {L"IsStartBeforePrint", {776, 0x2}},         {L"IsPassParametersEnabled", {776, 0x4}},
    {L"IsStartNormal", {776, 0x8}},              {L"IsStartMinimized", {776, 0x10}},
    {L"IsStartHidden", {776, 0x20}},             {L"IsStartForMessaging", {776, 0x80}},
    {L"WatermarkImage", {6012, 0x1}},            {L"WatermarkFirstPageOnly", {6012, 0x2}},
    {L"WatermarkFirstPagePicture", {6012, 0x400}}, {L"WatermarkText", {6012, 0x80000}},
    {L"FromLowIntegrityBrowser", {6807, 0x1}},   {L"BarcodeEnabled", {6811, 0x1}},
    {L"InsertedCoverPage", {6811, 0x40}},        {L"OutputDirectoryFromIni", {6859, 0x1}},
    {L"MergeWindowEnabled", {6859, 0x2}},        {L"SheetColumnFirst", {6864, 0x1}},
    {L"SheetCellBorder", {6864, 0x2}},
    {L"AnnotationEnabled", {6624, 0x1}},         {L"AnnotationIncludeTexts", {6624, 0x2}},
    {L"AnnotationDateJulianDay", {6624, 0x100}}, {L"AnnotationTimeZoneName", {6624, 0x4000}},
    {L"AnnotationTransparent", {6624, 0x8000}},  {L"AnnotationBottomRight", {6624, 0x200000}},
    {L"AnnotationOffsetsHundredthInch", {6624, 0x800000}}, {L"AnnotationFirstPageOnly", {6624, 0x2000000}},
};

}  // namespace

TEST(DevModeFields, NamesMatchTheDriverLayout) {
    for (const auto& [name, offset] : kDriverOffsets) {
        const DmField* f = FindDevModeField(name);
        ASSERT_NE(f, nullptr) << ToUtf8(name);
        EXPECT_EQ(f->offset, offset) << ToUtf8(name);
        EXPECT_NE(f->kind, DmFieldKind::Flag) << ToUtf8(name);
    }
    for (const auto& [name, capacity] : kDriverCapacities) {
        const DmField* f = FindDevModeField(name);
        ASSERT_NE(f, nullptr) << ToUtf8(name);
        EXPECT_EQ(f->kind, DmFieldKind::Text) << ToUtf8(name);
        EXPECT_EQ(f->size, capacity) << ToUtf8(name);
    }
    for (const auto& [name, bit] : kDriverBits) {
        const DmField* f = FindDevModeField(name);
        ASSERT_NE(f, nullptr) << ToUtf8(name);
        EXPECT_EQ(f->kind, DmFieldKind::Flag) << ToUtf8(name);
        EXPECT_EQ(f->offset, bit.word) << ToUtf8(name);
        EXPECT_EQ(f->mask, bit.mask) << ToUtf8(name);
    }
}

TEST(DevModeFields, TableIsConsistent) {
    std::set<std::wstring> names;
    std::vector<const DmField*> values;
    std::set<std::pair<size_t, DWORD>> bits;
    for (const auto& f : DevModeFieldTable()) {
        for (const wchar_t* n : {f.name, f.alias}) {
            if (!n) continue;
            std::wstring upper(n);
            for (auto& c : upper) c = towupper(c);
            EXPECT_TRUE(names.insert(upper).second) << "duplicate name " << ToUtf8(n);
        }
        EXPECT_LE(f.offset + ByteSpan(f), kDevModeSize) << ToUtf8(f.name);
        if (f.kind == DmFieldKind::Flag) {
            EXPECT_TRUE(bits.insert({f.offset, f.mask}).second) << "bit used twice: " << ToUtf8(f.name);
            // Each flag bit lives in a word that is itself a field of the same width.
            bool wordFound = false;
            for (const auto& w : DevModeFieldTable())
                wordFound |= w.kind != DmFieldKind::Flag && w.offset == f.offset && w.size == f.size;
            EXPECT_TRUE(wordFound) << ToUtf8(f.name);
        } else {
            values.push_back(&f);
        }
    }
    // No two value fields overlap: a wrong offset shows up here.
    for (size_t i = 0; i < values.size(); ++i)
        for (size_t j = i + 1; j < values.size(); ++j) {
            const DmField& a = *values[i];
            const DmField& b = *values[j];
            bool disjoint = a.offset + ByteSpan(a) <= b.offset || b.offset + ByteSpan(b) <= a.offset;
            EXPECT_TRUE(disjoint) << ToUtf8(a.name) << " overlaps " << ToUtf8(b.name);
        }
}

TEST(DevModeFields, EveryFieldRoundTripsAtItsOffset) {
    for (const auto& f : DevModeFieldTable()) {
        SCOPED_TRACE(ToUtf8(f.name));
        TarnwellDEVMODE dm = Zeroed();
        std::wstring value;
        std::string expectedBytes;
        switch (f.kind) {
        case DmFieldKind::U8: value = L"0xA5"; expectedBytes = "\xA5"; break;
        case DmFieldKind::U16: value = L"0xBEEF"; expectedBytes = "\xEF\xBE"; break;
        case DmFieldKind::I16: value = L"-12345"; expectedBytes = "\xC7\xCF"; break;
        case DmFieldKind::U32: value = L"3735928559"; expectedBytes = "\xEF\xBE\xAD\xDE"; break;
        case DmFieldKind::I32: value = L"-123456789"; expectedBytes = std::string("\xEB\x32\xA4\xF8", 4); break;
        case DmFieldKind::Text:
            for (size_t i = 0; i + 1 < f.size; ++i) value.push_back(static_cast<wchar_t>(L'A' + i % 26));
            for (wchar_t c : value) expectedBytes += std::string{static_cast<char>(c), '\0'};
            expectedBytes += std::string(2, '\0');
            break;
        case DmFieldKind::Flag: {
            value = L"1";
            DWORD mask = f.mask;
            for (size_t i = 0; i < f.size; ++i, mask >>= 8) expectedBytes.push_back(static_cast<char>(mask & 0xFF));
            break;
        }
        }
        std::wstring error;
        ASSERT_TRUE(SetDevModeField(dm, f.name, value, &error)) << ToUtf8(error);
        std::wstring readBack = GetDevModeField(dm, f);
        if (f.kind == DmFieldKind::U8) EXPECT_EQ(readBack, L"165");
        else if (f.kind == DmFieldKind::U16) EXPECT_EQ(readBack, L"48879");
        else EXPECT_EQ(readBack, value);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(dm.Bytes()) + f.offset, expectedBytes.size()),
                  expectedBytes);
        size_t stray = 0;
        for (size_t i = 0; i < kDevModeSize; ++i)
            if (dm.Bytes()[i] && (i < f.offset || i >= f.offset + ByteSpan(f))) ++stray;
        EXPECT_EQ(stray, 0u);
        if (f.kind == DmFieldKind::Flag) {
            ASSERT_TRUE(SetDevModeField(dm, f, L"0"));
            EXPECT_EQ(GetDevModeField(dm, f), L"0");
        }
    }
}

TEST(DevModeFields, LookupIgnoresCaseAndBlanks) {
    EXPECT_EQ(FindDevModeField(L"File format"), FindDevModeField(L"FileFormat"));
    EXPECT_EQ(FindDevModeField(L"fileformat"), FindDevModeField(L"FileFormat"));
    EXPECT_EQ(FindDevModeField(L"ColorMode format")->offset, dmoff::ColorModeFormat);
    EXPECT_EQ(FindDevModeField(L"TIFF DLL Name")->offset, dmoff::TIFFDllName);
    EXPECT_EQ(FindDevModeField(L"Application Path")->offset, dmoff::ApplicationPath);
    EXPECT_EQ(FindDevModeField(L"Output Directory")->offset, dmoff::OutputDirectory);
    EXPECT_EQ(FindDevModeField(L"isappendimageenabled"), FindDevModeField(L"IsMultipageImageEnabled"));
    EXPECT_EQ(FindDevModeField(L"NoSuchField"), nullptr);
    EXPECT_EQ(FindDevModeField(L"  "), nullptr);
}

TEST(DevModeFields, ValuesAreCheckedAgainstTheKind) {
    TarnwellDEVMODE dm = Zeroed();
    ASSERT_TRUE(SetDevModeField(dm, L"dmPrintQuality", L"0xFFFF"));  // a hex bit pattern
    EXPECT_EQ(dm.Read<short>(dmoff::dmPrintQuality), -1);
    ASSERT_TRUE(SetDevModeField(dm, L"dmPrintQuality", L"-0x6"));
    EXPECT_EQ(dm.Read<short>(dmoff::dmPrintQuality), -6);
    ASSERT_TRUE(SetDevModeField(dm, L"PagesPerSheet", L" 4 "));
    EXPECT_EQ(dm.Read<BYTE>(dmoff::PagesPerSheet), 4);
    ASSERT_TRUE(SetDevModeField(dm, L"Flags", L"4294967295"));
    EXPECT_EQ(dm.Flags(), 0xFFFFFFFFu);
    ASSERT_TRUE(SetDevModeField(dm, L"FaxHeader", L"-2147483648"));
    EXPECT_EQ(dm.Read<LONG>(dmoff::FaxHeader), LONG_MIN);

    const TarnwellDEVMODE before = dm;
    struct { const wchar_t* name; const wchar_t* value; } refused[] = {
        {L"dmPrintQuality", L"40000"}, {L"dmPrintQuality", L"-32769"}, {L"PagesPerSheet", L"256"},
        {L"PagesPerSheet", L"-1"},     {L"FileFormat", L"0x100000000"}, {L"FileFormat", L"12a"},
        {L"FileFormat", L"0x"},        {L"FileFormat", L""},          {L"FaxHeader", L"2147483648"},
        {L"IsFaxOutputEnabled", L"2"}, {L"IsFaxOutputEnabled", L"yes"}, {L"NoSuchField", L"1"},
    };
    for (auto r : refused) {
        std::wstring error;
        EXPECT_FALSE(SetDevModeField(dm, r.name, r.value, &error)) << ToUtf8(r.name) << "=" << ToUtf8(r.value);
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(std::memcmp(before.Bytes(), dm.Bytes(), kDevModeSize), 0);

    ASSERT_TRUE(SetDevModeField(dm, L"File Extension", L"abcdefgh"));
    EXPECT_EQ(dm.GetText(dmtext::FileExtension), L"abcd");
}
