#include "host/SpoolerRecords.h"

namespace twhost {
namespace {
constexpr wchar_t kPrintProcessor[] = L"winprint";
constexpr wchar_t kPrinterDatatype[] = L"RAW";
constexpr wchar_t kEnvironment[] = L"Windows x64";
constexpr DWORD kDriverVersion = 3;  // user-mode drivers
}  // namespace

const std::vector<BYTE>* UserDefaultDevMode(const SimPrinter& printer) {
    return printer.userDevMode ? &*printer.userDevMode : &printer.devMode;
}

void FillJobInfo1(JOB_INFO_1W& info, InfoPacker& pack, const JobPlace& place) {
    const SimJob& job = place.job;
    info.JobId = job.id;
    info.pPrinterName = pack.String(place.printer.name);
    info.pMachineName = pack.String(job.machine);
    info.pUserName = pack.String(job.user);
    info.pDocument = pack.String(job.document);
    info.pDatatype = pack.String(job.datatype);
    info.pStatus = nullptr;  // the spooler sets a status text only when a port monitor asked for one
    info.Status = job.status;
    info.Priority = job.priority;
    info.Position = place.position;
    info.TotalPages = job.totalPages;
    info.PagesPrinted = job.pagesPrinted;
    info.Submitted = job.submitted;
}

void FillJobInfo2(JOB_INFO_2W& info, InfoPacker& pack, const JobPlace& place) {
    const SimJob& job = place.job;
    const SimPrinter& printer = place.printer;
    info.JobId = job.id;
    info.pDevMode = pack.DevMode(job.devMode.empty() ? UserDefaultDevMode(printer) : &job.devMode);
    info.pPrinterName = pack.String(printer.name);
    info.pMachineName = pack.String(job.machine);
    info.pUserName = pack.String(job.user);
    info.pDocument = pack.String(job.document);
    info.pNotifyName = pack.String(job.user);
    info.pDatatype = pack.String(job.datatype);
    info.pPrintProcessor = pack.String(kPrintProcessor);
    info.pParameters = pack.String(L"");
    info.pDriverName = pack.String(printer.driverName);
    info.pStatus = nullptr;
    info.pSecurityDescriptor = nullptr;
    info.Status = job.status;
    info.Priority = job.priority;
    info.Position = place.position;
    info.StartTime = 0;
    info.UntilTime = 0;
    info.TotalPages = job.totalPages;
    info.Size = job.size;
    info.Submitted = job.submitted;
    info.Time = 0;
    info.PagesPrinted = job.pagesPrinted;
}

void FillPrinterInfo2(PRINTER_INFO_2W& info, InfoPacker& pack, const SimPrinter& printer, DWORD jobsInQueue) {
    info.pDevMode = pack.DevMode(UserDefaultDevMode(printer));
    info.pServerName = nullptr;  // a local printer
    info.pPrinterName = pack.String(printer.name);
    info.pShareName = printer.shared ? pack.String(printer.shareName.empty() ? printer.name : printer.shareName)
                                     : nullptr;
    info.pPortName = pack.String(printer.portName);
    info.pDriverName = pack.String(printer.driverName);
    info.pComment = pack.String(printer.comment);
    info.pLocation = pack.String(printer.location);
    info.pSepFile = pack.String(L"");
    info.pPrintProcessor = pack.String(kPrintProcessor);
    info.pDatatype = pack.String(kPrinterDatatype);
    info.pParameters = pack.String(L"");
    info.pSecurityDescriptor = nullptr;
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | (printer.shared ? PRINTER_ATTRIBUTE_SHARED : 0);
    info.Priority = kDefaultJobPriority;
    info.DefaultPriority = 0;
    info.StartTime = 0;
    info.UntilTime = 0;
    info.Status = 0;
    info.cJobs = jobsInQueue;
    info.AveragePPM = 0;
}

void FillPrinterInfo8(PRINTER_INFO_8W& info, InfoPacker& pack, const SimPrinter& printer) {
    info.pDevMode = pack.DevMode(&printer.devMode);
}

void FillPrinterInfo9(PRINTER_INFO_9W& info, InfoPacker& pack, const SimPrinter& printer) {
    info.pDevMode = printer.userDevMode ? pack.DevMode(&*printer.userDevMode) : nullptr;
}

void FillDriverInfo2(DRIVER_INFO_2W& info, InfoPacker& pack, const SimPrinter& printer) {
    info.cVersion = kDriverVersion;
    info.pName = pack.String(printer.driverName);
    info.pEnvironment = pack.String(kEnvironment);
    info.pDriverPath = pack.String(printer.driverPath);
    info.pDataFile = pack.String(printer.dataFile);
    info.pConfigFile = pack.String(printer.configFile);
}

}  // namespace twhost
