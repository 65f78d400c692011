// Cutting the driver's byte stream into commands, whatever the boundaries of the WritePort
// buffers: a header may span calls (collected per thread), data may span many calls (kept by
// the active command).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/WideString.h"
#include "job/TWJob.h"
#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmd.h"
#include "portcmd/PortCmdMessages.h"

namespace tw {

// Refusing a command fails the whole document: the port cancels the spooler job on FALSE, and
// the job records why.
BOOL CTWJob::RefuseActiveCommand(const std::wstring& text) {
    TW_TRACE(L"> CTWJob::RefuseActiveCommand");
    ReportCommandError(text.c_str());
    // The refused command's page is reported with it, not again when the document ends.
    const DWORD type = m_pActCmd ? m_pActCmd->Type() : 0;
    if (type == PORT_CMD_START_PAGE) m_bPageDropped = true;
    if ((type == PORT_CMD_END_PAGE || type == PORT_CMD_END_PAGE_RAW) && m_docState == DocState::PageOpen)
        AbandonOpenPage(L"");
    m_pActCmd.reset();
    TW_TRACE_RESULT(L"CTWJob::RefuseActiveCommand", FALSE);
    return FALSE;
}

// The result is FALSE as soon as any command completed in this call failed or a command had to
// be refused, so that a failure is never hidden by what follows it in the same buffer.
BOOL CTWJob::WritePort(const BYTE* pBuffer, DWORD cbBuf, DWORD* pcbDone) {
    TW_TRACE(L"> CTWJob::WritePort %u bytes", cbBuf);
    if (!pBuffer) cbBuf = 0;
    DWORD done = 0;
    BOOL result = TRUE;
    auto finish = [&](DWORD consumed) {
        if (pcbDone) *pcbDone = consumed;
        TW_TRACE_RESULT(L"CTWJob::WritePort", result);
        return result;
    };

    while (done < cbBuf) {
        if (!m_pActCmd) {
            ThreadBlock* block = threadblock::Current();
            if (!block) {
                TW_TRACE_FAILED(L"CTWJob::WritePort", L"ThreadBlock");
                result = FALSE;
                return finish(done);
            }
            if (!block->pHeaderBuffer) {
                block->pHeaderBuffer = static_cast<BYTE*>(std::calloc(1, portcmd::kHeaderSize));
                block->cbHeaderCollected = 0;
                if (!block->pHeaderBuffer) {
                    TW_TRACE_FAILED(L"CTWJob::WritePort", L"HeaderBuffer");
                    result = FALSE;
                    return finish(done);
                }
            }
            if (block->cbHeaderCollected >= portcmd::kHeaderSize) block->cbHeaderCollected = 0;
            const DWORD cbTake = std::min(cbBuf - done, portcmd::kHeaderSize - block->cbHeaderCollected);
            std::memcpy(block->pHeaderBuffer + block->cbHeaderCollected, pBuffer + done, cbTake);
            block->cbHeaderCollected += cbTake;
            done += cbTake;
            if (block->cbHeaderCollected < portcmd::kHeaderSize) {
                TW_TRACE(L"CTWJob::WritePort: %u header bytes wait for the next call", block->cbHeaderCollected);
                return finish(done);
            }
            PortCmdHeader header;
            std::memcpy(&header, block->pHeaderBuffer, sizeof(header));
            threadblock::ResetHeaderCollector();

            m_pActCmd = CPortCmd::CreateCmd(&header);
            if (!m_pActCmd) {
                // Not a command: nothing in the rest of this buffer can be trusted to be one.
                TW_TRACE(L"CTWJob::WritePort: dropping %u bytes after an invalid header", cbBuf - done);
                ReportInvalidHeader(header, cbBuf - done + portcmd::kHeaderSize);
                return finish(cbBuf);
            }
            if (m_pActCmd->DataSize() > portcmd::kMaxDataSize) {
                result = RefuseActiveCommand(FormatW(portcmd::kMsgDataTooLarge, header.dwDataSize));
                return finish(cbBuf);
            }
        }

        DWORD cbTaken = 0;
        if (!m_pActCmd->ReceiveData(pBuffer + done, cbBuf - done, &cbTaken)) {
            result = RefuseActiveCommand(FormatW(portcmd::kMsgNoMemoryForData, m_pActCmd->DataSize()));
            return finish(cbBuf);
        }
        done += cbTaken;
        if (!m_pActCmd->HasAllData()) break;  // the buffer is exhausted; more data comes later

        const Admission admission = AdmitCommand(*m_pActCmd);
        const BOOL cmdResult = admission == Admission::Run ? m_pActCmd->UpdateJob(*this) : admission == Admission::Skipped;
        m_pActCmd.reset();
        if (!cmdResult) result = FALSE;
    }
    return finish(done);
}

}  // namespace tw
