#pragma once
// A bilevel page coded by libtiff into one strip of a scratch TIFF, for the containers that
// carry bare CCITT data (raw fax files, CALS, IOCA).
#include <cstdint>
#include <vector>

#include "Tiff32.h"

namespace twtiff {

// Rows arrive with ink as 1 bits, or with paper as 1 bits when `paperIsOne`. The result is
// MSB-first coded data: Group 3 with an EOL before every row and no RTC (as libtiff codes a
// strip), or Group 4 with EOFB.
bool EncodeBilevelStrip(uint32_t width, uint32_t height, uint32_t compression, uint32_t t4Options, bool paperIsOne,
                        TIFFROWPROC rowProc, void* params, std::vector<uint8_t>& coded);

}  // namespace twtiff
