#include "portcmd/PortCmd.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "monitor/Trace.h"
#include "portcmd/PortCmds.h"

namespace tw {
namespace {

// Places of the allocation trace lines ("Allocated memory(N): %X").
constexpr int kTraceAllocCmdData = 1;
constexpr int kTraceFreeCmdData = 2;

std::atomic<CPortCmd::DataAllocator> g_allocator{&::GlobalAlloc};

}  // namespace

CPortCmd::CPortCmd(const PortCmdHeader& header) : m_sCommand(header) {
    TW_TRACE(L"> CPortCmd::CPortCmd type %u, data %u", header.dwCmdType, header.dwDataSize);
}

CPortCmd::~CPortCmd() {
    TW_TRACE(L"> CPortCmd::~CPortCmd type %u, received %u of %u", m_sCommand.dwCmdType, m_cbReceived,
             m_sCommand.dwDataSize);
    if (m_hData) TW_TRACE(L"DeAllocated memory(%d): %X", kTraceFreeCmdData, m_hData.get());
}

CPortCmd::DataAllocator CPortCmd::SetDataAllocator(DataAllocator allocator) {
    return g_allocator.exchange(allocator ? allocator : &::GlobalAlloc);
}

std::unique_ptr<CPortCmd> CPortCmd::CreateCmd(const PortCmdHeader* pHeader) {
    TW_TRACE(L"> CPortCmd::CreateCmd");
    if (!pHeader) {
        TW_TRACE(L"< CPortCmd::CreateCmd[!Header]: none");
        return nullptr;
    }
    if (pHeader->dwFlag != TARNWELL_CMD_FLAG) {
        TW_TRACE(L"< CPortCmd::CreateCmd[!Flag %08X]: none", pHeader->dwFlag);
        return nullptr;
    }
    if (pHeader->dwCmdSize != portcmd::kHeaderSize) {
        TW_TRACE(L"< CPortCmd::CreateCmd[!CommandSize %u]: none", pHeader->dwCmdSize);
        return nullptr;
    }
    std::unique_ptr<CPortCmd> cmd;
    switch (pHeader->dwCmdType) {
        case PORT_CMD_START_DOC: cmd.reset(new CPortCmdStartDoc(*pHeader)); break;
        case PORT_CMD_START_PAGE: cmd.reset(new CPortCmdStartPage(*pHeader)); break;
        case PORT_CMD_END_PAGE: cmd.reset(new CPortCmdEndPage(*pHeader)); break;
        case PORT_CMD_END_DOC: cmd.reset(new CPortCmdEndDoc(*pHeader)); break;
        case PORT_CMD_WRITE_TEXT_OUT: cmd.reset(new CPortCmdWriteText(*pHeader)); break;
        case PORT_CMD_END_PAGE_RAW: cmd.reset(new CPortCmdEndPageRaw(*pHeader)); break;
        default:
            TW_TRACE(L"< CPortCmd::CreateCmd[!Type %u]: none", pHeader->dwCmdType);
            return nullptr;
    }
    TW_TRACE(L"< CPortCmd::CreateCmd: type %u", pHeader->dwCmdType);
    return cmd;
}

BOOL CPortCmd::ReceiveData(const BYTE* pData, DWORD cbAvailable, DWORD* pcbTaken) {
    *pcbTaken = 0;
    const DWORD cbTake = std::min(cbAvailable, m_sCommand.dwDataSize - m_cbReceived);
    if (cbTake == 0) return TRUE;
    if (!m_hData) {
        m_hData.reset(g_allocator.load()(GMEM_MOVEABLE | GMEM_ZEROINIT, m_sCommand.dwDataSize));
        if (!m_hData) {
            TW_TRACE_FAILED(L"CPortCmd::ReceiveData", L"GlobalAlloc");
            return FALSE;
        }
        TW_TRACE(L"Allocated memory(%d): %X", kTraceAllocCmdData, m_hData.get());
    }
    GlobalLockGuard<BYTE> block(m_hData.get());
    if (!block) {
        TW_TRACE_FAILED(L"CPortCmd::ReceiveData", L"GlobalLock");
        return FALSE;
    }
    std::memcpy(block.get() + m_cbReceived, pData, cbTake);
    m_cbReceived += cbTake;
    *pcbTaken = cbTake;
    return TRUE;
}

}  // namespace tw
