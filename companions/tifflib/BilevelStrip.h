#pragma once
// A bilevel page coded by libtiff into one strip of a scratch TIFF, for the containers that
// carry bare CCITT data (raw fax files, CALS, IOCA).
#include <cstdint>
#include <vector>

#include "Tiff32.h"

namespace twtiff {

// Rows arrive with ink as 1 bits, or with paper as 1 bits when `paperIsOne`. The result is
// MSB-first coded data: Group 3 with RTC, or Group 4 with EOFB.
bool EncodeBilevelStrip(uint32_t width, uint32_t height, uint32_t compression, uint32_t t4Options, bool paperIsOne,
                        TIFFROWPROC rowProc, void* params, std::vector<uint8_t>& coded);

// Ends Group 3 data (whole bytes) with RTC, six EOLs: each followed by a 1 tag bit for 2D
// coding, each ending on a byte boundary with the fill-bits option; the last byte zero-padded.
// A bare stream has no container to say where the page ends: RTC says it.
void AppendRtc(std::vector<uint8_t>& coded, uint32_t t4Options);

}  // namespace twtiff
