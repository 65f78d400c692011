#pragma once
// The names under which a job finds its client: the messaging interface name and ID, the main
// pipe, and the pipes of the HTTP, database and M-Files uploaders. The job computes them when
// its document starts; a client (twprint --listen among them) computes the same to listen.
#include <windows.h>

#include <string>

namespace tw {

class TarnwellDEVMODE;

struct MessagingInterface {
    std::wstring name;
    DWORD id = 0;
};

// First found wins: the per-job key, the printer's "Messaging Interface Settings", the
// "InterfaceName" and "SessionID" of the driver's data file (`dataFile`, may be empty), and
// last the name and ID the DEVMODE carries.
MessagingInterface ResolveMessagingInterface(const TarnwellDEVMODE* dm, DWORD jobId, const std::wstring& dataFile);

// "\\.\pipe\" + name + ID.
std::wstring ClientPipeName(const MessagingInterface& iface);

struct UploaderPipeNames {
    std::wstring http, database, mfiles;
};
// "\\.\pipe\TW_HTTP_<id>_<job>_<tick>_<printer>" and likewise "TW_DB_" and "TW_MFiles_", with
// every character of the printer name that is not a letter or digit made "_"; each name is cut
// to the 259 characters a path buffer holds.
UploaderPipeNames MakeUploaderPipeNames(DWORD interfaceId, DWORD jobId, DWORD tick, const std::wstring& printerName);

}  // namespace tw
