#include "base/ByteOrderMarks.h"
#include "twfile/GroupFile.h"

#include <algorithm>
#include <utility>

#include "base/IniFile.h"
#include "base/UniqueHandle.h"
#include "job/JobOptions.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/NamingTexts.h"

namespace tw {
namespace {

constexpr DWORD kMinForwardingCopies = 2;

}  // namespace

GroupPageGeometry GroupFileGeometry(const TarnwellDEVMODE* dm) {
    GroupPageGeometry g;
    g.portrait = !dm || dm->Read<short>(dmoff::dmOrientation) == DMORIENT_PORTRAIT;
    if (!dm) {
        g.width = naming::kDefaultPageWidth;
        g.height = naming::kDefaultPageHeight;
        g.xDpi = DmXDpi(nullptr);
        g.yDpi = DmYDpi(nullptr);
        return g;
    }
    const int pixelWidth = dm->Read<LONG>(dmoff::PageWidthInPixels);
    const int pixelHeight = dm->Read<LONG>(dmoff::PageHeightInPixels);
    const int xDpi = DmXDpi(dm), yDpi = DmYDpi(dm);
    if (dm->HasFlag(dmflag::IsFaxOutputEnabled)) {
        const int mode = DmFaxResolutionMode(dm);
        const int lines = mode == 0 || mode == 1 ? naming::kFaxFineLines : naming::kFaxNormalLines;
        g.width = naming::kFaxPageWidth;
        g.height = g.portrait ? (yDpi ? lines * pixelHeight / yDpi : 0) : (xDpi ? lines * pixelWidth / xDpi : 0);
        g.xDpi = naming::kFaxXDpi;
        g.yDpi = lines;
        return g;
    }
    g.width = pixelWidth;
    g.height = pixelHeight;
    g.xDpi = xDpi;
    g.yDpi = yDpi;
    if (!g.portrait && dm->HasFlag(dmflag::IsRotatePaperEnabled)) {
        std::swap(g.width, g.height);
        std::swap(g.xDpi, g.yDpi);
    }
    return g;
}

DWORD GroupFileCopies(const TarnwellDEVMODE* dm, DWORD jobId) {
    DWORD copies = dm ? static_cast<DWORD>(std::max<short>(dm->Read<short>(dmoff::dmCopies), 0)) : 1;
    if (copies == 0) copies = 1;
    if (IsRedirectPrinting(dm, jobId) && UseNumberOfCopies(dm, jobId)) {
        DWORD forwarding = NumberOfCopies(dm, jobId);
        if (forwarding >= kMinForwardingCopies) copies = forwarding;
    }
    return copies;
}

bool CreateUnicodeGroupFile(const std::wstring& path, bool replace) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (::GetLastError() == ERROR_FILE_EXISTS) return true;
        TW_TRACE(L"%s %s (%lu)", naming::kLogUnicodeGroupFile, path.c_str(), ::GetLastError());
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(file.get(), kBomUtf16Le, sizeof(kBomUtf16Le), &written, nullptr) && written == sizeof(kBomUtf16Le);
}

std::wstring StatusIniFileName(const std::wstring& printerIniFile) {
    if (printerIniFile.empty()) return naming::kStatusIniDefault;
    std::wstring name = IniFile(printerIniFile).GetString(naming::kStatusIniSection, naming::kStatusIniKey,
                                                          naming::kStatusIniDefault);
    return name.empty() ? std::wstring(naming::kStatusIniDefault) : name;
}

}  // namespace tw
