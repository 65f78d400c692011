// twrecordargs: the "Start Application" of the tests. Appends one JSON line to the file that the
// environment variable TW_RECORD_ARGS_FILE names: its command line exactly as it got it, its
// working directory, process id and environment. Options anywhere in its command line:
//   --serve-pipe PIPE    act as the job's messaging client on PIPE: answer a DEVMODE offered for
//                        editing with the record unchanged, read every other message, and stop
//                        after the end-of-document message or 30 s without one; then it appends
//                        a second line, {"pid": n, "served": [the message numbers in order]}
//   --ready-event NAME   signal the event NAME once the pipe listens (or at once without a pipe)
//   --sleep MS           wait before ending
//   --exit-code N        the exit code (default 0)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "JsonLine.h"
#include <vector>

#include "notify/MessagingRecords.h"
#include "portcmd/DevModeLayout.h"

namespace {

using twprogram::Json;

constexpr DWORD kIdleTimeoutMs = 30000;
constexpr DWORD kPipeBufferSize = 64 * 1024;

// The value after `option` among the program's arguments; empty when absent.
std::wstring Option(const std::vector<std::wstring>& args, const wchar_t* option) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option) return args[i + 1];
    return {};
}

bool Append(const std::wstring& path, const std::string& line);

bool Record(const std::wstring& path) {
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    std::string line = "{\"command_line\": " + Json(::GetCommandLineW()) + ", \"cwd\": " + Json(cwd) +
                       ", \"pid\": " + std::to_string(::GetCurrentProcessId()) + ", \"environment\": [";
    wchar_t* block = ::GetEnvironmentStringsW();
    bool first = true;
    for (const wchar_t* p = block; p && *p; p += wcslen(p) + 1) {
        line += (first ? "" : ", ") + Json(p);
        first = false;
    }
    if (block) ::FreeEnvironmentStringsW(block);
    line += "]}\n";
    return Append(path, line);
}

// One read or write on the overlapped pipe handle, waited for (a handle opened for overlapped
// I/O takes no synchronous calls). False on failure, with ERROR_MORE_DATA left in GetLastError.
bool Io(HANDLE pipe, bool write, BYTE* data, DWORD size, DWORD& done) {
    OVERLAPPED ov{};
    ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent) return false;
    BOOL ok = write ? ::WriteFile(pipe, data, size, nullptr, &ov) : ::ReadFile(pipe, data, size, nullptr, &ov);
    if (ok || ::GetLastError() == ERROR_IO_PENDING || ::GetLastError() == ERROR_MORE_DATA)
        ok = ::GetOverlappedResult(pipe, &ov, &done, TRUE);
    const DWORD error = ::GetLastError();
    ::CloseHandle(ov.hEvent);
    ::SetLastError(error);
    return ok;
}

// Reads exactly `size` bytes of the pipe's messages; false when the client went away first.
bool ReadExactly(HANDLE pipe, BYTE* data, size_t size) {
    size_t got = 0;
    while (got < size) {
        DWORD n = 0;
        if (!Io(pipe, false, data + got, static_cast<DWORD>(size - got), n) && ::GetLastError() != ERROR_MORE_DATA)
            return false;
        if (n == 0) return false;
        got += n;
    }
    return true;
}

// One connection: the record, then what belongs to it. Returns the message number (0: none).
DWORD HandleConnection(HANDLE pipe) {
    std::vector<BYTE> record(tw::prnmsg::kSize);
    if (!ReadExactly(pipe, record.data(), record.size())) return 0;
    DWORD number = 0;
    std::memcpy(&number, record.data() + tw::prnmsg::Number, sizeof(number));
    if (number == static_cast<DWORD>(tw::PrnMessageKind::DevMode)) {
        std::vector<BYTE> devmode(tw::kDevModeSize);
        if (ReadExactly(pipe, devmode.data(), devmode.size())) {
            DWORD written = 0;
            Io(pipe, true, devmode.data(), static_cast<DWORD>(devmode.size()), written);
            ::FlushFileBuffers(pipe);
        }
    } else if (number >= static_cast<DWORD>(tw::PrnMessageKind::MemoryImage)) {
        DWORD size = 0;
        if (ReadExactly(pipe, reinterpret_cast<BYTE*>(&size), sizeof(size))) {
            std::vector<BYTE> payload(size);
            ReadExactly(pipe, payload.data(), payload.size());
        }
    }
    return number;
}

HANDLE NewInstance(const std::wstring& name) {
    return ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                              PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                              kPipeBufferSize, kPipeBufferSize, 0, nullptr);
}

// The message numbers received, in order. An instance listens at all times: the monitor opens
// the pipe anew for every message and gives up when none is there.
std::vector<DWORD> ServePipe(const std::wstring& name, const std::wstring& readyEvent) {
    std::vector<DWORD> served;
    HANDLE connected = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE next = NewInstance(name);
    if (next != INVALID_HANDLE_VALUE && !readyEvent.empty()) {
        HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str());
        if (event) ::SetEvent(event);  // the handle stays open: the event must outlive the wait
    }
    while (next != INVALID_HANDLE_VALUE) {
        OVERLAPPED ov{};
        ov.hEvent = connected;
        ::ResetEvent(connected);
        BOOL ok = ::ConnectNamedPipe(next, &ov);
        DWORD error = ok ? ERROR_PIPE_CONNECTED : ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            if (::WaitForSingleObject(connected, kIdleTimeoutMs) != WAIT_OBJECT_0) {
                ::CancelIo(next);
                ::CloseHandle(next);
                break;
            }
            DWORD dummy = 0;
            error = ::GetOverlappedResult(next, &ov, &dummy, FALSE) ? ERROR_PIPE_CONNECTED : ::GetLastError();
        }
        HANDLE current = next;
        next = NewInstance(name);
        DWORD number = 0;
        // ERROR_NO_DATA: the monitor wrote its message and closed before this instance was
        // listened on; what it wrote is still there to read.
        if (error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA) {
            number = HandleConnection(current);
            if (number) served.push_back(number);
            BYTE rest[16];
            DWORD n = 0;
            while ((Io(current, false, rest, sizeof(rest), n) || ::GetLastError() == ERROR_MORE_DATA) && n) {
            }
        }
        ::DisconnectNamedPipe(current);
        ::CloseHandle(current);
        if (number == static_cast<DWORD>(tw::PrnMessageKind::EndDoc)) break;
    }
    if (next != INVALID_HANDLE_VALUE) ::CloseHandle(next);
    ::CloseHandle(connected);
    return served;
}

bool Append(const std::wstring& path, const std::string& line) {
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
    ::CloseHandle(file);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv, argv + argc);
    wchar_t target[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"TW_RECORD_ARGS_FILE", target, MAX_PATH)) {
        fwprintf(stderr, L"twrecordargs: TW_RECORD_ARGS_FILE is not set\n");
        return 2;
    }
    if (!Record(target)) return 1;
    const std::wstring pipe = Option(args, L"--serve-pipe");
    const std::wstring readyEvent = Option(args, L"--ready-event");
    if (!pipe.empty()) {
        std::string line = "{\"pid\": " + std::to_string(::GetCurrentProcessId()) + ", \"served\": [";
        const std::vector<DWORD> served = ServePipe(pipe, readyEvent);
        for (size_t i = 0; i < served.size(); ++i) line += (i ? ", " : "") + std::to_string(served[i]);
        Append(target, line + "]}\n");
    } else if (!readyEvent.empty()) {
        HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEvent.c_str());
        if (event) ::SetEvent(event);
    }
    const std::wstring sleep = Option(args, L"--sleep");
    if (!sleep.empty()) ::Sleep(static_cast<DWORD>(_wtoi(sleep.c_str())));
    const std::wstring code = Option(args, L"--exit-code");
    return code.empty() ? 0 : _wtoi(code.c_str());
}
