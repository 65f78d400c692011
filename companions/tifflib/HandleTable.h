#pragma once
// The documents handed out as handles. A handle is checked against the table before use, so
// a stale or made-up handle is refused instead of followed.
#include <memory>

#include "Tiff32.h"
#include "TiffDocument.h"

namespace twtiff {

HTIFFDOC AddDocument(std::unique_ptr<TiffDocument> doc);
// The document, or null with the library error set.
TiffDocument* FindDocument(HTIFFDOC handle);
std::unique_ptr<TiffDocument> RemoveDocument(HTIFFDOC handle);

}  // namespace twtiff
