// The merge window: a job the merge utility collects waits in SetDevMode for its turn in the
// utility's job table, then prints with the format and name its entry gives.
#include <string>

#include "base/WideString.h"
#include "job/JobMergeHost.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/MergeWindow.h"
#include "portcmd/DevModeLayout.h"
#include "job/SettingsScope.h"

namespace tw {
namespace {

namespace mt = mergetable;

// The explicit-name method: the name is the record's image file name.
constexpr DWORD kExplicitNameMethod = 3;
constexpr wchar_t kMergeAborted[] = L"Merge window: the merge utility aborted job %lu";

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

MergeState JoinedState(const MergeEntry& e) {
    MergeState s;
    s.joined = true;
    s.cancelled = e.Value(mt::kValueCancelled) != 0;
    s.lastOfSet = e.Value(mt::kValueLastOfSet) != 0;
    MergeAnswers& a = s.answers;
    a.fileFormat = e.Value(mt::kValueFileFormat);
    a.forwarding = e.Value(mt::kValueForwarding) != 0;
    a.imageWatermark = e.Value(mt::kValueImageWatermark) != 0;
    a.ocr = e.Value(mt::kValueOcr) != 0;
    a.openFolder = e.Value(mt::kValueOpenFolder) != 0;
    a.viewer = e.Value(mt::kValueViewer) != 0;
    a.email = e.Value(mt::kValueEmail) != 0;
    a.sharePoint = e.Value(mt::kValueSharePoint) != 0;
    a.ftp = e.Value(mt::kValueFtp) != 0;
    a.http = e.Value(mt::kValueHttp) != 0;
    return s;
}

}  // namespace

void CTWJob::CheckMergeWindow() {
    const BYTE extra = m_sDevMode.Read<BYTE>(dmoff::ExtraFlags);
    if (!(extra & dmextra::MergeWindowEnabled) || m_settings.bSharedPrinter ||
        m_sDevMode.HasFlag(dmflag::PrintedFromSession0))
        return;
    auto utility = settings::ReadString(&m_sDevMode, settings::kFilenameGenerationSettings, settings::kMergeUtility);
    if (!utility || utility->empty() || !FileExists(*utility)) {
        m_sDevMode.Write<BYTE>(dmoff::ExtraFlags, static_cast<BYTE>(extra & ~dmextra::MergeWindowEnabled));
        return;
    }
    JoinMergeWindow(*utility);
}

void CTWJob::JoinMergeWindow(std::wstring utility) {
    TW_TRACE(L"> CTWJob::JoinMergeWindow: merge utility %s", utility.c_str());
    const DWORD session = settings::ReadDwordOr(&m_sDevMode, settings::JobGroupFormat(m_dwJobID).c_str(),
                                                settings::kWindowsSessionId, settings::kWindowsSessionIdDefault);
    m_pMergeHost = std::make_unique<CJobMergeHost>(m_szPrinterName);
    m_pMergeWindow = std::make_unique<CMergeWindow>(CMergeWindow::BaseName(session, m_szPrinterName), m_dwJobID,
                                                    *m_pMergeHost);
    const MergeOutcome outcome = m_pMergeWindow->Join();
    settings::RefreshReadKeys();  // other programs had time to change the settings
    switch (outcome.kind) {
    case MergeOutcome::Kind::Go:
        m_merge = JoinedState(outcome.entry);
        // A name of 260 characters or more has no room for its terminator in the record.
        if (outcome.entry.name.size() < dmcap::ImageFileName) m_szMergeFileName = outcome.entry.name;
        ApplyMergeNaming();
        TW_TRACE(L"< CTWJob::JoinMergeWindow: joined, format %lu", m_merge.answers.fileFormat);
        return;
    case MergeOutcome::Kind::Abort:
        m_bAbortPrinting = true;
        ReportWarningEvent(FormatW(kMergeAborted, static_cast<unsigned long>(m_dwJobID)).c_str());
        break;
    case MergeOutcome::Kind::Alone:
        // The job prints alone, and says why when something went wrong on the way.
        if (!outcome.reason.empty()) ReportWarningEvent(outcome.reason.c_str());
        break;
    }
    m_pMergeWindow.reset();
    const BYTE extra = m_sDevMode.Read<BYTE>(dmoff::ExtraFlags);
    m_sDevMode.Write<BYTE>(dmoff::ExtraFlags, static_cast<BYTE>(extra & ~dmextra::MergeWindowEnabled));
    TW_TRACE(L"< CTWJob::JoinMergeWindow: not joined");
}

void CTWJob::ApplyMergeNaming() {
    m_sDevMode.Write<DWORD>(dmoff::FileGenerationMethod, kExplicitNameMethod);
    if (!m_szMergeFileName.empty()) m_sDevMode.SetText(dmtext::ImageFileName, m_szMergeFileName);
}

void CTWJob::LeaveMergeWindow() {
    if (!m_pMergeWindow) return;
    m_pMergeWindow->Complete(m_dwActPage);
    m_pMergeWindow.reset();
}

}  // namespace tw
