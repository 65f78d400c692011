#include "job/TextOutputSettings.h"

#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"

namespace tw {
namespace {

constexpr DWORD kUnitsHundredthInch = 0;
constexpr DWORD kUnitsTenthMm = 1;

int ToPixels(DWORD value, DWORD units, int dpi) {
    double perUnit = units == kUnitsHundredthInch ? 100.0 : units == kUnitsTenthMm ? 254.0 : 0.0;
    if (perUnit == 0.0) return 0;
    return static_cast<int>(static_cast<double>(value) * dpi / perUnit + 0.5);
}

}  // namespace

TextOutputSettings ReadTextOutputSettings(const TarnwellDEVMODE* dm) {
    using namespace settings;
    const wchar_t* group = kTextOutputSettings;
    TextOutputSettings t;
    t.filterJunkCharacters = ReadYesFlag(dm, group, kFilterJunkCharacters);
    t.useLegacyCoordinates = ReadYesFlag(dm, group, kUseLegacyCoordinates);
    // Page headings are written when "No Page Headers" says "no".
    t.pageHeadings = ReadNoPageHeaders(dm);
    t.generateInMemory = ReadYesFlag(dm, group, kTextGenerateInMemory);
    t.glyphConversionMethod = ReadDwordOr(dm, group, kGlyphConversionMethod, kGlyphConversionMethodDefault);
    t.lineBreaks = ReadDwordOr(dm, group, kLineBreaks, kLineBreaksDefault);
    t.addSpace = ReadDwordOr(dm, group, kAddSpace, kAddSpaceDefault);
    t.characterRows = ReadDwordOr(dm, group, kCharacterRows, kCharacterRowsDefault);
    t.characterColumns = ReadDwordOr(dm, group, kCharacterColumns, kCharacterColumnsDefault);
    const DWORD units = ReadDwordOr(dm, group, kMarginUnits, kUnitsHundredthInch);
    const int xDpi = DmXDpi(dm), yDpi = DmYDpi(dm);
    t.marginTop = ToPixels(ReadDwordOr(dm, group, kMarginTop, kMarginDefault), units, yDpi);
    t.marginBottom = ToPixels(ReadDwordOr(dm, group, kMarginBottom, kMarginDefault), units, yDpi);
    t.marginLeft = ToPixels(ReadDwordOr(dm, group, kMarginLeft, kMarginDefault), units, xDpi);
    t.marginRight = ToPixels(ReadDwordOr(dm, group, kMarginRight, kMarginDefault), units, xDpi);
    return t;
}

}  // namespace tw
