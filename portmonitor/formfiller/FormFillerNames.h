#pragma once
// The names of one hand-off's kernel objects, made from the printer, the job and the session.
#include <windows.h>

#include <string>

namespace tw {

struct FormFillerNames {
    std::wstring createEvent, doneEvent, mutex;
    std::wstring sessionMap;  // as the monitor opens it
    std::wstring localMap;    // as the editor creates it, in its own session
};

// The fixed GUID text, "_" and the printer name with every character that is not a letter or
// digit replaced by "_".
std::wstring FormFillerPrefix(const std::wstring& printerName);
// False when a name would be longer than the objects allow.
bool MakeFormFillerNames(const std::wstring& prefix, DWORD jobId, DWORD sessionId, FormFillerNames& out);
// The editor's command line: the template, the mutex, the local map, the two events and the
// printer, each quoted; empty when it would be longer than a command line may be.
std::wstring FormFillerCommandLine(const std::wstring& templatePath, const FormFillerNames& names,
                                   const std::wstring& printerName);

}  // namespace tw
