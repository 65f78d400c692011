#include "LabColour.h"

#include <algorithm>
#include <cmath>

namespace twjpeg {
namespace {

constexpr double kWhiteX = 0.95047, kWhiteY = 1.0, kWhiteZ = 1.08883;
constexpr double kEpsilon = 216.0 / 24389.0;  // (6/29)^3
constexpr double kKappa = 24389.0 / 27.0;

double F(double t) { return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0; }

BYTE Clamp(double v) { return static_cast<BYTE>(std::clamp(std::lround(v), 0l, 255l)); }

void ToLab(const float* linear, const BYTE* rgb, BYTE* lab) {
    const double r = linear[rgb[0]], g = linear[rgb[1]], b = linear[rgb[2]];
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kWhiteX;
    const double y = (0.2126729 * r + 0.7151522 * g + 0.0721750 * b) / kWhiteY;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kWhiteZ;
    const double fx = F(x), fy = F(y), fz = F(z);
    lab[0] = Clamp((116.0 * fy - 16.0) * 255.0 / 100.0);
    lab[1] = Clamp(500.0 * (fx - fy) + 128.0);
    lab[2] = Clamp(200.0 * (fy - fz) + 128.0);
}

}  // namespace

LabConverter::LabConverter() {
    for (int i = 0; i < 256; ++i) {
        const double c = i / 255.0;
        m_linear[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    ToLab(m_linear, m_lastRgb, m_lastLab);
}

void LabConverter::Convert(const BYTE* rgb, BYTE* lab, int pixels) {
    for (int i = 0; i < pixels; ++i, rgb += 3, lab += 3) {
        // Pages are mostly runs of one colour: the last conversion is kept.
        if (rgb[0] != m_lastRgb[0] || rgb[1] != m_lastRgb[1] || rgb[2] != m_lastRgb[2]) {
            m_lastRgb[0] = rgb[0];
            m_lastRgb[1] = rgb[1];
            m_lastRgb[2] = rgb[2];
            ToLab(m_linear, m_lastRgb, m_lastLab);
        }
        lab[0] = m_lastLab[0];
        lab[1] = m_lastLab[1];
        lab[2] = m_lastLab[2];
    }
}

}  // namespace twjpeg
