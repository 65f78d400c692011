#pragma once
// What the simulated spooler knows: printers with their driver, DEVMODEs and printer data, and
// the jobs in their queues. A host fills these in; the spooler answers the monitor from them.
#include <windows.h>
#include <winspool.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace twhost {

// Orders names the way the spooler and the registry compare them: ordinal, ignoring case.
struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};

// A printer data value (GetPrinterData): registry type and raw bytes.
struct SimPrinterValue {
    DWORD type = REG_BINARY;
    std::vector<BYTE> bytes;
};

struct SimPrinter {
    std::wstring name;
    std::wstring portName;
    std::wstring driverName;
    // Full paths as DRIVER_INFO_2 gives them; the data file is the driver's settings file.
    std::wstring driverPath;
    std::wstring dataFile;
    std::wstring configFile;
    std::wstring comment;
    std::wstring location;
    bool shared = false;  // PRINTER_ATTRIBUTE_SHARED
    std::wstring shareName;
    // Global default DEVMODE (GetPrinter level 8), any size: the bytes are handed out as they are.
    std::vector<BYTE> devMode;
    // Per-user default DEVMODE (GetPrinter level 9); a user who never set one gets a null pointer.
    std::optional<std::vector<BYTE>> userDevMode;
    std::map<std::wstring, SimPrinterValue, NoCaseLess> data;
};

constexpr DWORD kDefaultJobPriority = 1;  // DEF_PRIORITY of the real spooler

struct SimJob {
    DWORD id = 0;  // 0: the spooler assigns the next free id
    std::wstring document;
    std::wstring user;     // empty: the user running the host
    std::wstring machine;  // empty: "\\" and this computer's name, as the spooler writes it
    std::wstring datatype = L"NT EMF 1.008";
    SYSTEMTIME submitted{};  // UTC; all zero: the time the job is added
    // The monitor only ever sees a job while its port prints it.
    DWORD status = JOB_STATUS_PRINTING;
    DWORD totalPages = 0;
    DWORD pagesPrinted = 0;
    DWORD priority = kDefaultJobPriority;
    DWORD size = 0;  // bytes spooled
    // The job's own DEVMODE (JOB_INFO_2); empty: the printer's default.
    std::vector<BYTE> devMode;

    // Kept by the spooler, readable by the host after the job has left the queue.
    std::wstring printer;
    bool cancelled = false;  // SetJob JOB_CONTROL_CANCEL or JOB_CONTROL_DELETE arrived
    bool deleted = false;    // the job has left the queue; GetJob no longer finds it
};

// One call into the simulated spooler, for hosts that report what the monitor asked.
struct SpoolerCall {
    std::wstring function;
    std::wstring arguments;
    bool succeeded = false;
    DWORD error = ERROR_SUCCESS;  // the last error (or returned code) of a failed call
    std::wstring ToString() const;
};

}  // namespace twhost
