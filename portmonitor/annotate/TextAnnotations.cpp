#include "annotate/TextAnnotations.h"

#include <algorithm>

#include "annotate/AnnotationTexts.h"
#include "annotate/TextPlacement.h"
#include "annotate/TokenExpansion.h"
#include "base/WideString.h"
#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr int kOpaqueAlpha = 255;
constexpr wchar_t kMonthNames[12][4] = {L"JAN", L"FEB", L"MAR", L"APR", L"MAY", L"JUN",
                                        L"JUL", L"AUG", L"SEP", L"OCT", L"NOV", L"DEC"};

// The names of one settings group: the header's, the footer's or the text stamp's.
struct GroupNames {
    const wchar_t* group;
    const wchar_t* fontPrefix;
    const wchar_t* text;
    const wchar_t* position;
    const wchar_t* color;
    const wchar_t* background;
    const wchar_t* offsetX;
    const wchar_t* offsetY;
    const wchar_t* offsetUnits;
    int positionDefault;
};
constexpr GroupNames kHeader{settings::kHeaderSettings, settings::kHeaderPrefix,   settings::kHeaderText,
                             settings::kHeaderPosition, settings::kHeaderColor,    settings::kHeaderBackgroundMode,
                             settings::kHeaderOffsetX,  settings::kHeaderOffsetY,  settings::kHeaderOffsetUnits,
                             settings::kHeaderFooterNumberDefault};
constexpr GroupNames kFooter{settings::kFooterSettings, settings::kFooterPrefix,   settings::kFooterText,
                             settings::kFooterPosition, settings::kFooterColor,    settings::kFooterBackgroundMode,
                             settings::kFooterOffsetX,  settings::kFooterOffsetY,  settings::kFooterOffsetUnits,
                             settings::kHeaderFooterNumberDefault};
constexpr GroupNames kStamp{settings::kTextWatermarkStampSettings, settings::kStampPrefix, settings::kStampText,
                            settings::kStampPosition, settings::kStampColor, settings::kStampBackgroundMode,
                            settings::kStampOffsetX, settings::kStampOffsetY, settings::kStampOffsetUnits,
                            settings::kStampPositionDefault};

AnnotationTextSettings ReadGroup(const AnnotationContext& ctx, const GroupNames& n) {
    AnnotationTextSettings g;
    std::wstring raw = settings::ReadString(ctx.dm, n.group, n.text).value_or(L"");
    if (raw.size() > settings::kAnnotationSettingChars) raw.resize(settings::kAnnotationSettingChars);
    g.text = ExpandAnnotationTokens(ctx, raw);
    g.position = settings::ReadNumberText(ctx.dm, n.group, n.position, n.positionDefault);
    g.color = settings::ReadDwordOr(ctx.dm, n.group, n.color, settings::kHeaderFooterDwordDefault);
    g.opaque = settings::ReadNumberText(ctx.dm, n.group, n.background, 0) != 0;
    const DWORD units = settings::ReadDwordOr(ctx.dm, n.group, n.offsetUnits, settings::kOffsetUnitsDefault);
    const auto x = static_cast<LONG>(settings::ReadDwordOr(ctx.dm, n.group, n.offsetX, 0));
    const auto y = static_cast<LONG>(settings::ReadDwordOr(ctx.dm, n.group, n.offsetY, 0));
    g.offset = {OffsetToPixels(x, units, PelsPerMetre(ctx.xDpi), false),
                OffsetToPixels(y, units, PelsPerMetre(ctx.yDpi), false)};
    if (!settings::ReadFont(ctx.dm, n.group, n.fontPrefix, g.font)) g.font = LOGFONTW{};
    return g;
}

bool IsMonochrome(HDC dc) {
    BITMAP bm{};
    HGDIOBJ selected = ::GetCurrentObject(dc, OBJ_BITMAP);
    return selected && ::GetObjectW(selected, sizeof(bm), &bm) == sizeof(bm) && bm.bmBitsPixel == 1;
}

// The stamp drawn translucent: the text is drawn into a white 32-bit bitmap whose untouched
// pixels become transparent, then blended onto the page.
void BlendStamp(HDC dc, HGDIOBJ font, const AnnotationTextSettings& g, const RotatedExtents& e, POINT at, int alpha) {
    const int w = std::abs(e.left + e.right), h = std::abs(e.up + e.down);
    if (w == 0 || h == 0) return;
    // A page that cannot blend still gets the stamp, drawn solid; so does a monochrome page, on
    // which a blend would round the stamp away to white.
    auto solid = [&] { DrawTextAt(dc, font, TextStyle{g.color, g.opaque, TA_BOTTOM | TA_LEFT}, at, g.text); };
    if (IsMonochrome(dc)) return solid();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueDC memory(::CreateCompatibleDC(nullptr));
    if (!memory) return solid();
    UniqueGdiObject bitmap(::CreateDIBSection(memory.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return solid();
    auto* pixels = static_cast<DWORD*>(bits);
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    std::fill(pixels, pixels + count, 0xFFFFFFFFu);
    {
        SelectGuard select(memory.get(), bitmap.get());
        DrawTextAt(memory.get(), font, TextStyle{g.color, g.opaque, TA_BOTTOM | TA_LEFT}, POINT{e.left, e.up}, g.text);
        ::GdiFlush();
        for (size_t i = 0; i < count; ++i) pixels[i] = (pixels[i] >> 24) ? 0u : (pixels[i] | 0xFF000000u);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
        if (::AlphaBlend(dc, at.x - e.left, at.y - e.up, w, h, memory.get(), 0, 0, w, h, blend)) return;
        TW_TRACE(annottext::kAlphaBlendFailed, static_cast<int>(::GetLastError()));
    }
    solid();
}

std::wstring DateText(DWORD options, const SYSTEMTIME& t) {
    if (options & dmannot::DateMonthDayYear) return FormatW(L"%02u/%02u/%04u ", t.wMonth, t.wDay, t.wYear);
    if (options & dmannot::DateShortMonthDayYear)
        return FormatW(L"%01u/%01u/%02u ", t.wMonth, t.wDay, t.wYear % 100u);
    if (options & dmannot::DateDayMonthYear) return FormatW(L"%02u/%02u/%04u ", t.wDay, t.wMonth, t.wYear);
    if (options & dmannot::DateDayMonthNameYear) {
        const wchar_t* month = t.wMonth >= 1 && t.wMonth <= 12 ? kMonthNames[t.wMonth - 1] : L"";
        return FormatW(L"%02u-%s-%04u ", t.wDay, month, t.wYear);
    }
    if (options & dmannot::DateYearMonthDay) return FormatW(L"%04u/%02u/%02u ", t.wYear, t.wMonth, t.wDay);
    if (options & dmannot::DateJulianDay) return FormatW(L"%ld ", JulianDayNumber(t.wYear, t.wMonth, t.wDay));
    return {};
}

std::wstring TimeText(DWORD options, const SYSTEMTIME& t) {
    std::wstring out;
    const bool clock12 = (options & dmannot::Clock12Hour) != 0;
    if (clock12 || (options & dmannot::Clock24Hour)) {
        const unsigned hour = clock12 ? (t.wHour % 12 == 0 ? 12u : t.wHour % 12u) : t.wHour;
        out = FormatW(L"%02u", hour);
        if (options & dmannot::TimeMinutes) out += FormatW(L":%02u", t.wMinute);
        if (options & dmannot::TimeSeconds) out += FormatW(L":%02u", t.wSecond);
        if (clock12) out += t.wHour >= 12 ? L" PM" : L" AM";
    }
    if (options & dmannot::TimeZoneName) {
        TIME_ZONE_INFORMATION zone{};
        if (::GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) out += FormatW(L" %s", zone.StandardName);
    }
    return out;
}

LOGFONTW DevModeFont(const TarnwellDEVMODE& dm) {
    LOGFONTW lf = dm.Read<LOGFONTW>(dmoff::AnnotationFont);
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
    return lf;
}

int DevModePosition(DWORD options) {
    if (options & dmannot::PositionTopRight) return static_cast<int>(TextPosition::TopRight);
    if (options & dmannot::PositionCentre) return static_cast<int>(TextPosition::Centre);
    if (options & dmannot::PositionBottomLeft) return static_cast<int>(TextPosition::BottomLeft);
    if (options & dmannot::PositionBottomRight) return static_cast<int>(TextPosition::BottomRight);
    return static_cast<int>(TextPosition::TopLeft);
}

DWORD DevModeOffsetUnit(DWORD options) {
    if (options & dmannot::OffsetsTenthMm) return static_cast<DWORD>(OffsetUnit::TenthMm);
    if (options & dmannot::OffsetsHundredthInch) return static_cast<DWORD>(OffsetUnit::HundredthInch);
    return static_cast<DWORD>(OffsetUnit::Pixel);
}

}  // namespace

long JulianDayNumber(int year, int month, int day) {
    const int a = (14 - month) / 12;
    const long y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

AnnotationTextSettings ReadPageText(const AnnotationContext& ctx, PageTextKind kind) {
    if (kind != PageTextKind::Stamp) return ReadGroup(ctx, kind == PageTextKind::Header ? kHeader : kFooter);
    AnnotationTextSettings g = ReadGroup(ctx, kStamp);
    g.degrees = static_cast<int>(
        settings::ReadDwordOr(ctx.dm, settings::kTextWatermarkStampSettings, settings::kStampRotation, 0));
    g.alpha = std::clamp(settings::ReadVisibility(ctx.dm) * kOpaqueAlpha / 100, 0, kOpaqueAlpha);
    return g;
}

void DrawHeaderOrFooter(HDC dc, int width, int, const AnnotationContext& ctx, const AnnotationTextSettings& g) {
    if (g.text.empty()) return;
    UniqueGdiObject font = CreateAnnotationFont(g.font, ctx.yDpi, g.font.lfEscapement / 10);
    if (!font) return;
    const SIZE extent = MeasureText(dc, font.get(), g.text);
    LONG x = g.offset.x;
    if (g.position == 1) x = g.offset.x - extent.cx / 2 + width / 2;
    else if (g.position == 2) x = g.offset.x - extent.cx + width;
    DrawTextAt(dc, font.get(), TextStyle{g.color, g.opaque, TA_TOP | TA_LEFT}, POINT{x, g.offset.y}, g.text);
}

void DrawTextStamp(HDC dc, int width, int height, const AnnotationContext& ctx, const AnnotationTextSettings& g) {
    if (g.text.empty()) return;
    UniqueGdiObject font = CreateAnnotationFont(g.font, ctx.yDpi, g.degrees);
    if (!font) return;
    RotatedExtents e;
    const POINT at = RotatedTextPoint(dc, font.get(), g.text, g.degrees, g.position, g.offset, width, height, &e);
    if (g.alpha == kOpaqueAlpha) DrawTextAt(dc, font.get(), TextStyle{g.color, g.opaque, TA_BOTTOM | TA_LEFT}, at, g.text);
    else BlendStamp(dc, font.get(), g, e, at, g.alpha);
}

std::wstring DevModeAnnotationText(const AnnotationContext& ctx) {
    if (!ctx.dm) return {};
    const TarnwellDEVMODE& dm = *ctx.dm;
    const DWORD options = dm.Read<DWORD>(dmoff::AnnotationOptions);
    std::wstring text;
    if (options & dmannot::IncludeTexts) {
        text += ExpandAnnotationTokens(ctx, dm.GetText(dmtext::AnnotationText1));
        text += L" ";
        text += dm.GetText(dmtext::AnnotationText2);
        text += L" ";
    }
    if (options & dmannot::IncludeDate) text += DateText(options, ctx.printingTime);
    if (options & dmannot::IncludeTime) text += TimeText(options, ctx.printingTime);
    if (text.size() > kAnnotationTextChars) text.resize(kAnnotationTextChars);
    return text;
}

void DrawDevModeAnnotation(HDC dc, int width, int height, const AnnotationContext& ctx) {
    const std::wstring text = DevModeAnnotationText(ctx);
    TW_TRACE(annottext::kAnnotationText, text.c_str());
    if (text.empty()) return;
    const TarnwellDEVMODE& dm = *ctx.dm;
    const DWORD options = dm.Read<DWORD>(dmoff::AnnotationOptions);
    const int degrees = dm.Read<LONG>(dmoff::AnnotationEscapement);
    UniqueGdiObject font = CreateAnnotationFont(DevModeFont(dm), ctx.yDpi, degrees);
    if (!font) return;
    const DWORD unit = DevModeOffsetUnit(options);
    const POINT offset{OffsetToPixels(dm.Read<LONG>(dmoff::AnnotationOffsetX), unit, PelsPerMetre(ctx.xDpi), false),
                       OffsetToPixels(dm.Read<LONG>(dmoff::AnnotationOffsetY), unit, PelsPerMetre(ctx.yDpi), false)};
    const POINT at = RotatedTextPoint(dc, font.get(), text, degrees, DevModePosition(options), offset, width, height);
    const bool opaque = (options & dmannot::TransparentBackground) == 0;
    DrawTextAt(dc, font.get(), TextStyle{dm.Read<DWORD>(dmoff::AnnotationColor), opaque, TA_BOTTOM | TA_LEFT}, at,
               text);
}

}  // namespace tw
