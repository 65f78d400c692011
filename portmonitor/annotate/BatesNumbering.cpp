#include "annotate/BatesNumbering.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "annotate/AnnotationContext.h"
#include "annotate/AnnotationTexts.h"
#include "annotate/TextPlacement.h"
#include "base/NamedMutexLock.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// Serialises the counter's read and write between the jobs of all processes on the machine.
constexpr wchar_t kCounterMutexPrefix[] = L"Global\\TWBatesCounter_";
constexpr DWORD kCounterWaitMs = 60000;

std::wstring CounterMutexName(const std::wstring& printerName) {
    std::wstring name = kCounterMutexPrefix;
    for (wchar_t c : printerName) name.push_back(std::iswalnum(c) ? c : L'_');
    return name;
}

// A text value into a fixed field; FALSE when missing or longer than the field.
template <size_t N>
bool ReadTextField(const std::wstring& key, const wchar_t* valueName, wchar_t (&field)[N]) {
    std::wstring text;
    const bool found = settings::ReadRegistryString(key.c_str(), text, N - 1, settings::kBatesMissingText, valueName);
    std::wcsncpy(field, text.c_str(), N - 1);
    field[N - 1] = L'\0';
    return found && text != settings::kBatesMissingText;
}

DWORD ReadNumber(const std::wstring& key, const wchar_t* valueName) {
    return static_cast<DWORD>(settings::ReadRegistryInt(key.c_str(), valueName));
}

void ReadFont(const std::wstring& key, LOGFONTW& lf) {
    auto number = [&](const wchar_t* name) { return settings::ReadRegistryInt(key.c_str(), name); };
    lf.lfHeight = number(settings::kFontHeight);
    lf.lfWidth = number(settings::kFontWidth);
    lf.lfEscapement = number(settings::kFontEscapement);
    lf.lfOrientation = number(settings::kFontOrientation);
    lf.lfWeight = number(settings::kFontWeight);
    lf.lfItalic = static_cast<BYTE>(number(settings::kFontItalic));
    lf.lfUnderline = static_cast<BYTE>(number(settings::kFontUnderline));
    lf.lfStrikeOut = static_cast<BYTE>(number(settings::kFontStrikeout));
    lf.lfCharSet = static_cast<BYTE>(number(settings::kFontCharset));
    lf.lfOutPrecision = static_cast<BYTE>(number(settings::kFontOutPrecision));
    lf.lfClipPrecision = static_cast<BYTE>(number(settings::kFontClipPrecision));
    lf.lfQuality = static_cast<BYTE>(number(settings::kFontQuality));
    lf.lfPitchAndFamily = static_cast<BYTE>(number(settings::kFontPitchAndFamily));
}

std::wstring PaddedDigits(const BatesFormat& f, DWORD number) {
    std::wstring digits = std::to_wstring(number);
    const size_t length = std::min<size_t>(f.minLength, kMaxBatesLength);
    if (length > digits.size()) digits.insert(0, length - digits.size(), f.padding ? f.padding : L'0');
    return digits;
}

}  // namespace

std::wstring BatesFormatKey(const std::wstring& printerName, int index) {
    return FormatW(settings::kBatesFormatKey, printerName.c_str(), index + 1);
}

BOOL LoadBatesFormatFromRegistry(int index, BatesFormat& f, const std::wstring& printerName) {
    TW_TRACE(L"> LoadBatesFormatFromRegistry %d", index);
    f = BatesFormat{};
    if (index < 0) {
        TW_TRACE(annottext::kBatesInvalidIndex);
        return FALSE;
    }
    const std::wstring key = BatesFormatKey(printerName, index);
    bool valid = ReadTextField(key, settings::kBatesName, f.name);
    valid = ReadTextField(key, settings::kBatesPrefix, f.prefix) && valid;
    valid = ReadTextField(key, settings::kFontFaceName, f.font.lfFaceName) && valid;
    f.usePrefix = ReadNumber(key, settings::kBatesUsePrefix);
    f.startWith = ReadNumber(key, settings::kStartWith);
    f.transparent = ReadNumber(key, settings::kBatesTransparent);
    f.position = ReadNumber(key, settings::kBatesPosition);
    f.xOffset = static_cast<LONG>(ReadNumber(key, settings::kBatesXOffset));
    f.yOffset = static_cast<LONG>(ReadNumber(key, settings::kBatesYOffset));
    f.offsetUnit = ReadNumber(key, settings::kBatesOffsetUnit);
    f.rotation = static_cast<LONG>(ReadNumber(key, settings::kBatesRotation));
    f.color = ReadNumber(key, settings::kBatesColor);
    ReadFont(key, f.font);
    f.minLength = static_cast<BYTE>(std::min<DWORD>(ReadNumber(key, settings::kBatesNumberLength), kMaxBatesLength));
    std::wstring padding;
    if (settings::ReadRegistryString(key.c_str(), padding, settings::kRegistryIntChars, L"",
                                     settings::kBatesPaddingCharacter) &&
        !padding.empty())
        f.padding = padding[0];
    f.resetAtEveryPrinting = ReadNumber(key, settings::kBatesResetAtEveryPrinting);
    f.resetStart = ReadNumber(key, settings::kBatesResetNumber);
    f.increaseOnEachDocument = ReadNumber(key, settings::kBatesIncreaseOnEachDocument);
    if (f.increaseOnEachDocument) f.resetAtEveryPrinting = 0;
    if (!valid) TW_TRACE(annottext::kBatesInvalidIndex);
    TW_TRACE_RESULT(L"LoadBatesFormatFromRegistry", valid);
    return valid ? TRUE : FALSE;
}

DWORD TakeBatesNumber(int index, const std::wstring& printerName) {
    NamedMutexLock lock(CounterMutexName(printerName).c_str(), kCounterWaitMs);
    const std::wstring key = BatesFormatKey(printerName, index);
    const DWORD number = ReadNumber(key, settings::kStartWith);
    settings::WriteRegistryString(key.c_str(), FormatW(L"%lu", number + 1).c_str());
    return number;
}

DWORD UpdateBatesNumberInRegistry(int index, const std::wstring& printerName, BOOL endOfDocument) {
    TW_TRACE(L"> UpdateBatesNumberInRegistry %d %d", index, endOfDocument);
    return TakeBatesNumber(index, printerName);
}

std::wstring BatesDigits(const BatesFormat& format, DWORD number) { return PaddedDigits(format, number); }

std::wstring BatesText(const BatesFormat& f, DWORD number) {
    std::wstring text = f.usePrefix ? std::wstring(f.prefix) : std::wstring();
    return text + PaddedDigits(f, number);
}

void DrawBatesNumber(HDC dc, int width, int height, const AnnotationContext& ctx, const BatesFormat& f, DWORD number) {
    const std::wstring text = BatesText(f, number);
    TW_TRACE(annottext::kBatesText, text.c_str());
    UniqueGdiObject font = CreateAnnotationFont(f.font, ctx.yDpi, f.rotation);
    if (!font) return;
    const POINT offset{OffsetToPixels(f.xOffset, f.offsetUnit, PelsPerMetre(ctx.xDpi), true),
                       OffsetToPixels(f.yOffset, f.offsetUnit, PelsPerMetre(ctx.yDpi), true)};
    const POINT at = RotatedTextPoint(dc, font.get(), text, f.rotation, static_cast<int>(f.position), offset, width,
                                      height);
    DrawTextAt(dc, font.get(), TextStyle{f.color, f.transparent == 0, TA_BOTTOM | TA_LEFT}, at, text);
}

}  // namespace tw
