// twinstall: puts the port monitor and its companions beside the Windows print spooler,
// registers the monitor and its ports, and takes them away again.
#include <windows.h>

#include <string>

#include "Commands.h"
#include "Messages.h"

namespace {

int Usage() {
    fwprintf(stderr,
             L"usage: twinstall install [--port NAME]... [--dir DIR] [--source DIR] [--name MONITOR]\n"
             L"       twinstall uninstall [--name MONITOR]\n"
             L"       twinstall status [--name MONITOR]\n");
    return twinstall::kExitUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    twinstall::Options options;
    for (int i = 2; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (i + 1 >= argc) return Usage();
        const std::wstring value = argv[++i];
        if (a == L"--port" && command == L"install") options.ports.push_back(value);
        else if (a == L"--dir" && command == L"install") options.directory = value;
        else if (a == L"--source" && command == L"install") options.source = value;
        else if (a == L"--name") options.monitor = value;
        else return Usage();
    }
    if (options.monitor.empty()) return Usage();
    if (command == L"install") return twinstall::Install(options);
    if (command == L"uninstall") return twinstall::Uninstall(options);
    if (command == L"status") return twinstall::Status(options);
    return Usage();
}
