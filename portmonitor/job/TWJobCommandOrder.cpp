// The order of the driver's commands in a document: START_DOC, then pages of START_PAGE and
// END_PAGE (or END_PAGE_RAW), then END_DOC. A command that breaks the order, or carries no
// usable data, cannot act on the job: it is dropped, and the user learns which command and
// what it cost, once. The end of the job's data closes a document the stream left open.
#include <algorithm>

#include "base/WideString.h"
#include "job/TWJob.h"
#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmd.h"
#include "portcmd/PortCmdMessages.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

const wchar_t* CommandName(DWORD type) {
    const wchar_t* name = PortCmdName(type);
    return name ? name : L"command";
}

bool IsEndPage(DWORD type) { return type == PORT_CMD_END_PAGE || type == PORT_CMD_END_PAGE_RAW; }

bool SameFile(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

}  // namespace

void CTWJob::DropCommand(const std::wstring& text, DWORD type) {
    TW_TRACE(L"> CTWJob::DropCommand %s", text.c_str());
    ReportOperation(L"Dropped", CommandName(type), FALSE);
    HandleError(text.c_str(), __FILE__, __LINE__);
}

void CTWJob::ReportInvalidHeader(const PortCmdHeader& header, DWORD dropped) {
    TW_TRACE(L"CTWJob::ReportInvalidHeader: %u bytes dropped", dropped);
    if (m_bStreamLost) return;  // the same break in the stream, seen again at the next buffer
    m_bStreamLost = true;
    ReportOperation(L"Dropped", L"invalid header", FALSE);
    HandleError(FormatW(portcmd::kMsgInvalidHeader, header.dwFlag, header.dwCmdSize, header.dwCmdType, dropped).c_str(),
                __FILE__, __LINE__);
}

void CTWJob::AbandonOpenPage(const std::wstring& text) {
    TW_TRACE(L"> CTWJob::AbandonOpenPage %s", text.c_str());
    m_docState = DocState::Started;
    // A page the selection leaves out was never to be produced: nothing is lost.
    if (m_bPageLeftOut) return;
    if (!m_szImageFileName.empty()) m_abandonedFiles.push_back(m_szImageFileName);
    if (m_dwActPage > 0) --m_dwActPage;
    if (!m_outputFileNames.empty()) m_outputFileNames.pop_back();
    if (!text.empty()) {
        ReportOperation(L"Dropped", L"page", FALSE);
        HandleError(text.c_str(), __FILE__, __LINE__);
    }
}

CTWJob::Admission CTWJob::AdmitCommand(const CPortCmd& cmd) {
    const DWORD type = cmd.Type();
    const wchar_t* name = CommandName(type);
    TW_TRACE(L"> CTWJob::AdmitCommand %s, %u bytes", name, cmd.DataSize());
    m_bStreamLost = false;
    switch (type) {
    case PORT_CMD_START_DOC:
    case PORT_CMD_START_PAGE:
        if (cmd.DataSize() != kDevModeSize || !cmd.DataBlock()) {
            DropCommand(FormatW(portcmd::kMsgDevModeSize, name, cmd.DataSize(), static_cast<unsigned>(kDevModeSize)), type);
            m_bPageDropped = type == PORT_CMD_START_PAGE;
            return Admission::Dropped;
        }
        break;
    case PORT_CMD_WRITE_TEXT_OUT:
        if (cmd.DataSize() < portcmd::kTextOffset || !cmd.DataBlock()) {
            DropCommand(FormatW(portcmd::kMsgTextOutSize, cmd.DataSize()), type);
            return Admission::Dropped;
        }
        return Admission::Run;
    default:
        break;
    }

    if (type == PORT_CMD_START_DOC) {
        if (m_docState != DocState::None) {
            DropCommand(m_docState == DocState::Ended ? FormatW(portcmd::kMsgAfterEndDoc, name)
                                                      : std::wstring(portcmd::kMsgSecondStartDoc),
                        type);
            return Admission::Dropped;
        }
        m_docState = DocState::Started;
        return Admission::Run;
    }
    if (type == PORT_CMD_START_PAGE) {
        m_bPageDropped = false;
        if (m_docState == DocState::None || m_docState == DocState::Ended) {
            DropCommand(FormatW(m_docState == DocState::None ? portcmd::kMsgBeforeStartDoc : portcmd::kMsgAfterEndDoc,
                                name),
                        type);
            m_bPageDropped = true;
            return Admission::Dropped;
        }
        if (m_docState == DocState::PageOpen)
            AbandonOpenPage(FormatW(portcmd::kMsgPageNotEnded, static_cast<unsigned long>(m_dwReceivedPages)));
        m_docState = DocState::PageOpen;
        return Admission::Run;
    }
    if (IsEndPage(type)) {
        if (m_bPageDropped) {
            // Its START_PAGE was reported already: the page is lost once, not twice.
            m_bPageDropped = false;
            ReportOperation(L"Dropped", name, FALSE);
            return Admission::Dropped;
        }
        if (m_docState != DocState::PageOpen) {
            const wchar_t* format = m_docState == DocState::None    ? portcmd::kMsgBeforeStartDoc
                                    : m_docState == DocState::Ended ? portcmd::kMsgAfterEndDoc
                                                                    : nullptr;
            DropCommand(format ? FormatW(format, name) : FormatW(portcmd::kMsgPageNotStarted, name, cmd.DataSize()), type);
            return Admission::Dropped;
        }
        if (!cmd.DataBlock()) {
            const bool leftOut = m_bPageLeftOut;
            AbandonOpenPage(FormatW(portcmd::kMsgPageWithoutData, name, static_cast<unsigned long>(m_dwReceivedPages)));
            return leftOut ? Admission::Skipped : Admission::Dropped;
        }
        m_docState = DocState::Started;
        return Admission::Run;
    }
    if (type == PORT_CMD_END_DOC) {
        if (m_docState == DocState::None || m_docState == DocState::Ended) {
            DropCommand(FormatW(m_docState == DocState::None ? portcmd::kMsgBeforeStartDoc : portcmd::kMsgAfterEndDoc,
                                name),
                        type);
            return Admission::Dropped;
        }
        if (m_docState == DocState::PageOpen)
            AbandonOpenPage(FormatW(portcmd::kMsgPageNotEnded, static_cast<unsigned long>(m_dwReceivedPages)));
        m_docState = DocState::Ended;
        return Admission::Run;
    }
    return Admission::Run;
}

void CTWJob::EndOfData() {
    TW_TRACE(L"> CTWJob::EndOfData");
    std::wstring text;
    DWORD type = 0;
    if (m_pActCmd) {
        type = m_pActCmd->Type();
        text = FormatW(portcmd::kMsgCutInCommand, CommandName(type), m_pActCmd->BytesReceived(), m_pActCmd->DataSize());
        m_pActCmd.reset();
    } else if (ThreadBlock* block = threadblock::Current(); block && block->cbHeaderCollected > 0) {
        text = FormatW(portcmd::kMsgCutInHeader, block->cbHeaderCollected);
        threadblock::ResetHeaderCollector();
    }
    if (!DocumentOpen()) {
        // Nothing of a document is pending; a command cut off outside one is lost all the same.
        if (!text.empty()) DropCommand(text, type);
        TW_TRACE(L"< CTWJob::EndOfData");
        return;
    }
    const bool pageOpen = m_docState == DocState::PageOpen;
    if (text.empty())
        text = pageOpen && !m_bPageLeftOut
                   ? FormatW(portcmd::kMsgCutInPage, static_cast<unsigned long>(m_dwReceivedPages))
                   : std::wstring(portcmd::kMsgNoEndDoc);
    if (pageOpen) AbandonOpenPage(L"");
    ReportOperation(L"EndOfData", L"unfinished", FALSE);
    HandleError(text.c_str(), __FILE__, __LINE__);
    // The pages that did arrive are kept: the document ends, as failed.
    m_docState = DocState::Ended;
    m_bDataCut = true;
    EndDoc();
    TW_TRACE(L"< CTWJob::EndOfData");
}

void CTWJob::RemoveEmptyOutputFiles() {
    TW_TRACE(L"> CTWJob::RemoveEmptyOutputFiles");
    std::vector<std::wstring> names = m_outputFileNames;
    names.insert(names.end(), m_abandonedFiles.begin(), m_abandonedFiles.end());
    names.push_back(m_szImageFileName);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::wstring& name = names[i];
        if (name.empty()) continue;
        auto same = [&](const std::wstring& other) { return SameFile(other, name); };
        if (std::any_of(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(i), same)) continue;
        if (std::any_of(m_writtenFiles.begin(), m_writtenFiles.end(), same)) continue;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.nFileSizeLow != 0 || data.nFileSizeHigh != 0)
            continue;
        TW_TRACE(L"CTWJob::RemoveEmptyOutputFiles: %s", name.c_str());
        ::DeleteFileW(name.c_str());
    }
}

void CTWJob::ReportSilentFailure(DWORD errorsBefore, const std::wstring& text) {
    // The failing step has said why, or the job has failed for a reason already told: that
    // reason stays the status and the user's message.
    if (m_bError || m_dwErrorReports != errorsBefore) return;
    HandleError(text.c_str(), __FILE__, __LINE__);
}

}  // namespace tw
