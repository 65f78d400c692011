#pragma once
// One port of the monitor. The spooler's port handle is a pointer to this object; from
// StartDocPort to EndDocPort it owns the job that receives the port's bytes.
#include <windows.h>

#include <memory>
#include <string>

#include "monitor/SpoolerSeam.h"

namespace tw {

class CTWJob;

class CTWPortInfo {
public:
    static constexpr WORD kFlagOpen = 0x1;
    static constexpr WORD kFlagDocStarted = 0x2;
    static constexpr size_t kMonitorNameChars = 64;

    CTWPortInfo(const std::wstring& monitorName, const std::wstring& portName, const std::wstring& path);
    virtual ~CTWPortInfo();
    CTWPortInfo(const CTWPortInfo&) = delete;
    CTWPortInfo& operator=(const CTWPortInfo&) = delete;

    virtual BOOL Open();
    virtual BOOL Close();
    virtual BOOL Configure();
    virtual BOOL StartDocPort(LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
    virtual BOOL EndDocPort();
    virtual BOOL ReadPort(LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead);
    virtual BOOL WritePort(LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);

    const std::wstring& Name() const { return m_szPortName; }
    const wchar_t* MonitorName() const { return m_szMonitorName; }
    const std::wstring& Description() const { return m_szDescription; }
    const std::wstring& Path() const { return m_szPath; }
    WORD Flags() const { return m_wFlags; }
    WORD UseCount() const { return m_wUseCount; }
    DWORD JobId() const { return m_dwJobID; }
    CTWJob* Job() const { return m_pJob.get(); }

    // The list links its ports through this.
    CTWPortInfo* m_pNext = nullptr;

private:
    wchar_t m_szMonitorName[kMonitorNameChars] = {};
    std::wstring m_szPortName;
    std::unique_ptr<CTWJob> m_pJob;
    WORD m_wFlags = 0;
    UniquePrinter m_hPrinter;
    std::wstring m_szDescription;
    DWORD m_dwJobID = 0;
    WORD m_wUseCount = 0;
    std::wstring m_szPath;
};

}  // namespace tw
