#include "portcmd/PortCmds.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

// Runs from the text-out command carry no font: the text layout takes 8 units per character
// and these fixed values instead of measured metrics.
constexpr int kTextOutUnitsPerChar = 8;
constexpr int kTextOutLayoutValues[3] = {8, 8, 10};

// START_DOC and START_PAGE: hands the DEVMODE to the job; FALSE when it is not a whole record.
BOOL GiveDevModeToJob(const CPortCmd& cmd, CTWJob& job, BOOL bStartOfDocument) {
    if (!cmd.DataBlock() || cmd.DataSize() != kDevModeSize) {
        TW_TRACE(L"INVALID DEVMODE SIZE!!! %u", cmd.DataSize());
        return FALSE;
    }
    GlobalLockGuard<BYTE> devmode(cmd.DataBlock());
    if (!devmode) return FALSE;
    return job.SetDevMode(devmode.get(), cmd.DataSize(), bStartOfDocument);
}

}  // namespace

BOOL CPortCmdStartDoc::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdStartDoc::UpdateJob");
    if (!GiveDevModeToJob(*this, job, TRUE)) {
        TW_TRACE_FAILED(L"CPortCmdStartDoc::UpdateJob", L"SetDevMode");
        return FALSE;
    }
    const BOOL result = job.StartDoc();
    TW_TRACE_RESULT(L"CPortCmdStartDoc::UpdateJob", result);
    return result;
}

BOOL CPortCmdStartPage::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdStartPage::UpdateJob");
    if (!GiveDevModeToJob(*this, job, FALSE)) {
        TW_TRACE_FAILED(L"CPortCmdStartPage::UpdateJob", L"SetDevMode");
        return FALSE;
    }
    const BOOL result = job.StartPage();
    TW_TRACE_RESULT(L"CPortCmdStartPage::UpdateJob", result);
    return result;
}

// The block itself goes to the job, which must not keep it: the command frees it when it is
// destroyed right after this returns.
BOOL CPortCmdEndPage::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdEndPage::UpdateJob");
    if (!DataBlock()) {
        TW_TRACE_FAILED(L"CPortCmdEndPage::UpdateJob", L"DataBlock");
        return FALSE;
    }
    job.SetPageDataSize(DataSize());
    const BOOL result = job.EndPage(DataBlock());
    TW_TRACE_RESULT(L"CPortCmdEndPage::UpdateJob", result);
    return result;
}

BOOL CPortCmdEndPageRaw::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdEndPageRaw::UpdateJob");
    if (!DataBlock()) {
        TW_TRACE_FAILED(L"CPortCmdEndPageRaw::UpdateJob", L"DataBlock");
        return FALSE;
    }
    job.SetPageDataSize(DataSize());
    const BOOL result = job.EndPageRaw(DataBlock());
    TW_TRACE_RESULT(L"CPortCmdEndPageRaw::UpdateJob", result);
    return result;
}

BOOL CPortCmdEndDoc::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdEndDoc::UpdateJob");
    const BOOL result = job.EndDoc();
    TW_TRACE_RESULT(L"CPortCmdEndDoc::UpdateJob", result);
    return result;
}

// A record too short for X and Y is refused like a DEVMODE of the wrong size (FALSE). An odd
// byte after the last whole UTF-16 character is ignored. The text ends at the first zero
// character, as the zero-terminated copy that the text layout reads would.
BOOL CPortCmdWriteText::UpdateJob(CTWJob& job) {
    TW_TRACE(L"> CPortCmdWriteText::UpdateJob");
    if (!DataBlock() || DataSize() < portcmd::kTextOffset) {
        TW_TRACE(L"INVALID TEXT OUT SIZE!!! %u", DataSize());
        TW_TRACE_FAILED(L"CPortCmdWriteText::UpdateJob", L"DataSize");
        return FALSE;
    }
    GlobalLockGuard<BYTE> data(DataBlock());
    if (!data) {
        TW_TRACE_FAILED(L"CPortCmdWriteText::UpdateJob", L"GlobalLock");
        return FALSE;
    }
    TWTextRun run;
    std::memcpy(&run.x, data.get() + portcmd::kTextXOffset, sizeof(run.x));
    std::memcpy(&run.y, data.get() + portcmd::kTextYOffset, sizeof(run.y));
    // The block comes from GlobalLock, so the text at offset 8 is aligned for wchar_t.
    const auto* pText = reinterpret_cast<const wchar_t*>(data.get() + portcmd::kTextOffset);
    const size_t cchText = ::wcsnlen(pText, (DataSize() - portcmd::kTextOffset) / sizeof(wchar_t));
    try {
        run.text.assign(pText, cchText);
        run.charWidths.assign(cchText, 0);
    } catch (const std::bad_alloc&) {
        TW_TRACE_FAILED(L"CPortCmdWriteText::UpdateJob", L"Memory");
        return FALSE;
    }
    // Counts fit an int (the data is at most kMaxDataSize bytes); the width is clamped.
    run.nChars = static_cast<int>(cchText);
    run.nWidth = static_cast<int>(std::min<long long>(static_cast<long long>(cchText) * kTextOutUnitsPerChar, INT_MAX));
    std::memcpy(run.aLayoutValues, kTextOutLayoutValues, sizeof(run.aLayoutValues));
    run.addSpace = job.AddSpace();
    const BOOL result = job.AddTextRun(std::move(run));
    TW_TRACE_RESULT(L"CPortCmdWriteText::UpdateJob", result);
    return result;
}

}  // namespace tw
