#pragma once
// sRGB to CIELAB (D65 white), encoded in bytes: L* x 255 / 100, a* + 128, b* + 128, rounded and
// clamped to 0..255. README.md gives the formula readers invert.
#include <windows.h>

namespace twjpeg {

class LabConverter {
public:
    LabConverter();
    // `rgb` and `lab` hold `pixels` three-byte pixels; they may be the same buffer.
    void Convert(const BYTE* rgb, BYTE* lab, int pixels);

private:
    float m_linear[256];
    BYTE m_lastRgb[3] = {0, 0, 0};
    BYTE m_lastLab[3];
};

}  // namespace twjpeg
