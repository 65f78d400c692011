#pragma once
// Bilevel pages for the fax coder's tests and benchmark: GDI text, halftones, noise, run
// patterns, and EMF pages played into a 1-bit bitmap.
#include <windows.h>

#include <cstdint>
#include <random>

#include "LibtiffFax.h"

namespace tifftest {

// A page of body text in 10-point serif type at `dpi`, on Letter paper.
BitPage TextPage(int dpi);
// A Letter page at `dpi` of smooth photographic tones (gradients, rings, waves): halftoned by an
// 8x8 ordered dither, or by error diffusion.
BitPage HalftonePage(int dpi, bool errorDiffusion);
// Independent pixels, each black with probability `black`.
BitPage NoisePage(uint32_t width, uint32_t height, double black, std::mt19937& rng);
// Rows of random runs (short, long, beyond the 2560 make-up code) and rows that shift the edges of
// the row above by a few pixels, the cases that choose between the 2D modes.
BitPage RunPatternPage(uint32_t width, uint32_t height, std::mt19937& rng);
// An EMF played into a width x height 1-bit bitmap; an empty page when it cannot be played.
BitPage EmfPage(const wchar_t* file, uint32_t width, uint32_t height);

}  // namespace tifftest
