#pragma once
// A one-page MO:DCA document carrying an IOCA bilevel image (function set 10, MMR coded): the
// structured fields before the image data, the image data in Image Picture Data fields, and
// the fields that close the image, page and document.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "Tiff32.h"

namespace twtiff {

bool WriteIocaHeader(HANDLE file, const IOCAHEADER& header);
bool WriteIocaImageData(HANDLE file, const std::vector<uint8_t>& mmr);
bool WriteIocaTail(HANDLE file);

}  // namespace twtiff
