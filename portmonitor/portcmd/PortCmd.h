#pragma once
// One command of the driver's stream: a copy of its header and the data that has arrived for
// it so far. When all data is there, UpdateJob lets the command act on the job.
#include <windows.h>

#include <memory>

#include "base/UniqueHandle.h"
#include "portcmd/PortCmdLayout.h"

namespace tw {

class CTWJob;

class CPortCmd {
public:
    // The data block's allocator, GlobalAlloc's shape; swappable so that tests can make an
    // allocation fail.
    using DataAllocator = HGLOBAL(WINAPI*)(UINT uFlags, SIZE_T dwBytes);

    virtual ~CPortCmd();
    CPortCmd(const CPortCmd&) = delete;
    CPortCmd& operator=(const CPortCmd&) = delete;

    // The command object for a complete header, or null when the header is missing or is not a
    // command (wrong flag, wrong header size, unknown type).
    static std::unique_ptr<CPortCmd> CreateCmd(const PortCmdHeader* pHeader);

    // Acts on the job once all data has arrived; FALSE makes the port cancel the spooler job.
    virtual BOOL UpdateJob(CTWJob& job) = 0;

    const PortCmdHeader& Command() const { return m_sCommand; }
    DWORD Type() const { return m_sCommand.dwCmdType; }
    DWORD DataSize() const { return m_sCommand.dwDataSize; }
    DWORD BytesReceived() const { return m_cbReceived; }
    bool HasAllData() const { return m_cbReceived >= m_sCommand.dwDataSize; }
    // The data block (moveable, zero-filled); null until the first data byte has arrived.
    HGLOBAL DataBlock() const { return m_hData.get(); }

    // Takes as many of the cbAvailable bytes as the command still lacks; *pcbTaken tells how
    // many. FALSE (nothing taken) when the data block cannot be allocated or locked.
    BOOL ReceiveData(const BYTE* pData, DWORD cbAvailable, DWORD* pcbTaken);

    // Installs the data block allocator (null restores GlobalAlloc); returns the previous one.
    static DataAllocator SetDataAllocator(DataAllocator allocator);

protected:
    explicit CPortCmd(const PortCmdHeader& header);

    PortCmdHeader m_sCommand;
    UniqueHGlobal m_hData;
    DWORD m_cbReceived = 0;
};

}  // namespace tw
