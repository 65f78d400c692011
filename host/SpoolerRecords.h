#pragma once
// The information records the simulated spooler hands out, filled from its model.
#include <windows.h>
#include <winspool.h>

#include "host/InfoPacker.h"
#include "host/SimModel.h"

namespace twhost {

// Where a job stands in its printer's queue (1-based), which the record reports.
struct JobPlace {
    const SimPrinter& printer;
    const SimJob& job;
    DWORD position;
};

void FillJobInfo1(JOB_INFO_1W& info, InfoPacker& pack, const JobPlace& place);
void FillJobInfo2(JOB_INFO_2W& info, InfoPacker& pack, const JobPlace& place);
void FillPrinterInfo2(PRINTER_INFO_2W& info, InfoPacker& pack, const SimPrinter& printer, DWORD jobsInQueue);
void FillPrinterInfo8(PRINTER_INFO_8W& info, InfoPacker& pack, const SimPrinter& printer);
void FillPrinterInfo9(PRINTER_INFO_9W& info, InfoPacker& pack, const SimPrinter& printer);
void FillDriverInfo2(DRIVER_INFO_2W& info, InfoPacker& pack, const SimPrinter& printer);

// The DEVMODE a printer gives its user: the per-user default when there is one, else the global.
const std::vector<BYTE>* UserDefaultDevMode(const SimPrinter& printer);

}  // namespace twhost
