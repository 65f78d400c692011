// fuzz_stream SEED COUNT [OUTDIR [FROM]] [--no-plugin]: COUNT damaged documents of the seeded
// command stream fuzzer through the real monitor in this process, each job loading the plug-in
// TwPlugIn.dll as a printer with one does (none with --no-plugin). Prints every case that went wrong and the totals:
// cases, stream commands, crashes, hangs and wrong results (a job reported as success that lost
// a page or came from a damaged stream, or status and failure that disagree). A crash or a hang
// ends the run with the case that caused it; the exit status is 0 only when nothing went wrong.
// FROM replays a run from its case FROM on (the cases before it are made but not sent).
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

#include "base/WideString.h"
#include "host/StreamFuzz.h"
#include "monitor/MonitorModule.h"

namespace {

constexpr DWORD kHangMs = 120000;  // one job may take this long before it counts as hung
constexpr int kExitWrong = 1, kExitUsage = 2, kExitCrash = 3, kExitHang = 4;

std::atomic<unsigned long> g_case{0};
std::atomic<ULONGLONG> g_caseStart{0};
std::string g_mutation;

// The return addresses of the aborting thread, as offsets into this program (for addr2line).
void PrintBacktrace() {
    void* frames[48];
    const USHORT n = ::RtlCaptureStackBackTrace(0, 48, frames, nullptr);
    const auto base = reinterpret_cast<UINT_PTR>(::GetModuleHandleW(nullptr));
    for (USHORT i = 0; i < n; ++i) std::printf("  at +%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(frames[i]) - base));
}

void OnAbort(int) {
    std::printf("CRASH in case %lu (%s): abort\ncrashes: 1\n", g_case.load(), g_mutation.c_str());
    PrintBacktrace();
    std::fflush(stdout);
    ::ExitProcess(kExitCrash);
}

[[noreturn]] void OnTerminate() {
    std::printf("CRASH in case %lu (%s): terminate\ncrashes: 1\n", g_case.load(), g_mutation.c_str());
    std::fflush(stdout);
    ::ExitProcess(kExitCrash);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    std::printf("CRASH in case %lu (%s): exception %08lX\ncrashes: 1\n", g_case.load(), g_mutation.c_str(),
                info ? info->ExceptionRecord->ExceptionCode : 0UL);
    std::fflush(stdout);
    ::ExitProcess(kExitCrash);
}

// Memory in use, and the values the next kernel and GDI handles get: handles are given from the
// lowest free slot, so values that keep growing mean handles that are never closed.
std::string Holdings() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof(memory));
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HBRUSH brush = ::CreateSolidBrush(0);
    char text[160];
    std::snprintf(text, sizeof(text), "%llu MB private, next handle %p, next GDI object %p",
                  static_cast<unsigned long long>(memory.PrivateUsage >> 20), static_cast<void*>(event),
                  static_cast<void*>(brush));
    ::CloseHandle(event);
    ::DeleteObject(brush);
    return text;
}

void RemoveFiles(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
    bool plugin = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) != "--no-plugin") continue;
        plugin = false;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_stream SEED COUNT [OUTDIR [FROM]] [--no-plugin]\n");
        return kExitUsage;
    }
    const unsigned seed = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    const unsigned long count = std::strtoul(argv[2], nullptr, 10);
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring out = argc > 3 && *argv[3] ? tw::FromUtf8(argv[3]) : std::wstring(temp) + L"fuzz_stream_" + std::to_wstring(seed);
    const unsigned long from = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 1;
    ::CreateDirectoryW(out.c_str(), nullptr);
    ::SetUnhandledExceptionFilter(OnCrash);
    std::set_terminate(OnTerminate);
    std::signal(SIGABRT, OnAbort);
    // FUZZ_TRACE names each case on stderr before it runs, for a crash that leaves no word.
    const bool trace = std::getenv("FUZZ_TRACE") != nullptr;
    tw::module::ProcessAttach(::GetModuleHandleW(nullptr));

    const std::wstring printer = L"Fuzz Printer " + std::to_wstring(seed);
    twhost::MonitorPortRunner runner(L"Tarnwell Fuzz " + std::to_wstring(seed), L"FUZZ" + std::to_wstring(seed) + L":",
                                     printer, plugin ? L"TwPlugIn.dll" : L"");
    std::wstring error;
    if (!runner.Ready(error)) {
        std::fprintf(stderr, "fuzz_stream: %s\n", tw::ToUtf8(error).c_str());
        return kExitUsage;
    }
    twhost::StreamFuzzer fuzzer(seed, twhost::FuzzDevMode(printer, out), twhost::SmallEmfPage(),
                                twhost::SmallRawPage());

    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        while (!done.load()) {
            ::Sleep(1000);
            const ULONGLONG start = g_caseStart.load();
            if (start && ::GetTickCount64() - start > kHangMs) {
                std::printf("HANG in case %lu (%s)\nhangs: 1\n", g_case.load(), g_mutation.c_str());
                std::fflush(stdout);
                ::ExitProcess(kExitHang);
            }
        }
    });

    unsigned long long commands = 0, wrong = 0, failed = 0;
    const ULONGLONG began = ::GetTickCount64();
    for (unsigned long i = 1; i <= count; ++i) {
        twhost::FuzzCase c = fuzzer.Next();
        if (i < from) continue;
        const twhost::StreamOracle oracle = twhost::JudgeStream(c.stream, fuzzer.DevMode());
        commands += oracle.commands;
        g_mutation = c.mutation;
        g_case.store(i);
        if (trace) std::fprintf(stderr, "case %lu: %s\n", i, c.mutation.c_str());
        // FUZZ_SAVE keeps the stream of the case about to run, for twprint --stream and dump.
        if (const char* save = std::getenv("FUZZ_SAVE")) {
            if (FILE* f = std::fopen(save, "wb")) {
                std::fwrite(c.stream.data(), 1, c.stream.size(), f);
                std::fclose(f);
            }
        }
        g_caseStart.store(::GetTickCount64());
        const twhost::JobVerdict verdict = runner.Run(c, i);
        g_caseStart.store(0);
        std::string problem = twhost::CheckVerdict(oracle, verdict);
        if (problem.empty() && c.mutation == "valid" && verdict.failed)
            problem = "a whole document failed: " + tw::ToUtf8(verdict.status);
        if (verdict.failed) ++failed;
        if (!problem.empty()) {
            ++wrong;
            std::printf("WRONG case %lu (%s): %s\n", i, c.mutation.c_str(), problem.c_str());
        }
        RemoveFiles(out);
        if (i % 100 == 0) {
            // What the process holds, so that a leak shows long before it ends the run.
            std::printf("... %lu cases, %llu commands, %llu wrong; %s\n", i, commands, wrong, Holdings().c_str());
            std::fflush(stdout);
        }
    }
    done.store(true);
    watchdog.join();
    ::RemoveDirectoryW(out.c_str());
    std::printf("seed %u: cases %lu, stream commands %llu, jobs failed %llu, crashes 0, hangs 0, wrong results %llu, "
                "%.1f s\n",
                seed, count, commands, failed, wrong, (::GetTickCount64() - began) / 1000.0);
    return wrong ? kExitWrong : 0;
}
