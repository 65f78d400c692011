#pragma once
// Recognition of one page with Tesseract. Starting the engine reads the language data (the
// slow part), so engines are kept, one per data folder and language list, and lent to one
// caller at a time: callers on several threads each get their own.
#include <string>

struct Pix;

namespace twocr {

struct RecogniseRequest {
    std::string dataDir;     // narrow, ending in a separator
    std::string languages;   // normalised ("eng+deu")
    int pageSegMode = 0;     // 0: automatic
    bool hocr = false;
    int pageIndex = 0;       // hOCR page number, zero-based
};

struct RecogniseResult {
    std::string utf8;  // plain text or an hOCR page fragment
    int error = 0;     // TWOCR_ERR_*
};

RecogniseResult Recognise(Pix* page, const RecogniseRequest& request);

}  // namespace twocr
