#pragma once
// The job statistics that the port sends at the end of a job: MESSAGE_HEADER, then PRINTER_STAT
// with the spooler's JOB_INFO_1 (as BL_JOB_INFO_1) and the job's DEVMODE.
#include <windows.h>

#include <string>
#include <vector>

#include "notify/MessagingRecords.h"

namespace tw {

class TarnwellDEVMODE;

std::vector<BYTE> BuildStatisticsHeader();
// `statusText` is the job's last status; a null `dm` leaves the DEVMODE bytes zero.
std::vector<BYTE> BuildPrinterStat(const JOB_INFO_1W& info, const std::wstring& statusText, const TarnwellDEVMODE* dm);

// What a client reads from the two blocks.
struct StatisticsFields {
    DWORD headerMarker = 0, headerSize = 0, headerType = 0, bodySizeInHeader = 0;
    DWORD headerWord1 = 0, headerWord2 = 0, headerTrailer = 0;
    DWORD bodySize = 0, bodyType = 0;
    DWORD jobInfoSize = 0, jobId = 0;
    std::wstring printerName, machineName, userName, document, datatype, statusText;
    DWORD status = 0, priority = 0, position = 0, totalPages = 0, pagesPrinted = 0;
    SYSTEMTIME submitted{};
};
StatisticsFields ParseStatistics(const BYTE* header, size_t headerSize, const BYTE* body, size_t bodySize);

}  // namespace tw
