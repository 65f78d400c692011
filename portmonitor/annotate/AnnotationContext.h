#pragma once
// What the texts of one page are made from: the job's values at the moment the page is drawn.
#include <windows.h>

#include <string>

#include "notify/JobEnvironment.h"

namespace tw {

class TarnwellDEVMODE;

struct AnnotationContext {
    const TarnwellDEVMODE* dm = nullptr;
    const JobEnvironment* environment = nullptr;
    std::wstring documentName;
    std::wstring printerName;
    DWORD pageNumber = 1;
    DWORD copy = 1;
    bool firstPage = true;
    // Local time of the job's first page, the same for every page of the job.
    SYSTEMTIME printingTime{};
    // The page's resolution, for font heights and offsets.
    int xDpi = 300, yDpi = 300;
    UserTokenSource tokenSource = UserTokenSource::ThreadOnly;
};

}  // namespace tw
