// The long run of the page fuzzer: damaged corpus pages and lying raw pages through the real
// page rendering, each batch in a child process so that a crash or a hang is counted and the
// run goes on after it.
//   fuzz_pages SEED COUNT [--batch N] [--quiet]
// prints one line per case that was not plainly rendered or refused, then the figures. Any
// case can be run alone again with  fuzz_pages SEED 1 --first N  (or --child SEED N N+1), and
// written to a file with  fuzz_pages --save SEED N FILE; a page file is rendered as case N
// would be with  fuzz_pages --render FILE N.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "host/PageDamage.h"
#include "host/PageFuzz.h"

namespace {

using twhost::DamagedPage;
using twhost::FuzzResult;
using twhost::FuzzVerdict;

// No line from a child for this long means the case it started hangs: the page budget, both
// paths and the watermark of a slow machine.
constexpr DWORD kHangMs = 60000;
constexpr uint64_t kDefaultBatch = 250;

// A crash in a child is reported with where it happened, and the child ends at once: under Wine
// the default handler would start a debugger that waits for nobody.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    std::printf("crash 0x%lX at %p\n", info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress);
    void* frames[24];
    const USHORT n = ::RtlCaptureStackBackTrace(0, 24, frames, nullptr);
    for (USHORT i = 0; i < n; ++i) {
        HMODULE module = nullptr;
        wchar_t name[MAX_PATH] = L"?";
        if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 static_cast<LPCWSTR>(frames[i]), &module))
            ::GetModuleFileNameW(module, name, MAX_PATH);
        std::printf("  %p %ls+0x%llx\n", frames[i], name,
                    static_cast<unsigned long long>(static_cast<BYTE*>(frames[i]) - reinterpret_cast<BYTE*>(module)));
    }
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Child: renders cases [first, last) and writes "start I" before each and "done I VERDICT MS"
// after it, so that the parent knows which case a crash or hang belongs to.
int RunChild(uint64_t seed, uint64_t first, uint64_t last) {
    // A crash ends the child at once: no debugger, no dialog, and the parent counts it.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(ReportCrash);
    twhost::PageDamager damager(twhost::LoadPageCorpus(twhost::RepoRootOfProgram()));
    twhost::PageFuzzRenderer renderer;
    for (uint64_t i = first; i < last; ++i) {
        std::printf("start %llu\n", static_cast<unsigned long long>(i));
        std::fflush(stdout);
        const DamagedPage page = damager.Make(seed, i);
        const FuzzResult r = renderer.Render(page, i);
        std::printf("done %llu %ls %lu %ls | %ls\n", static_cast<unsigned long long>(i),
                    twhost::FuzzVerdictName(r.verdict), r.ms, page.description.c_str(), r.why.c_str());
        std::fflush(stdout);
    }
    return 0;
}

struct Figures {
    uint64_t cases = 0, rendered = 0, refused = 0, wrong = 0, crashes = 0, hangs = 0;
    DWORD slowestMs = 0;
};

struct Child {
    tw::UniqueKernelObject process;
    tw::UniqueKernelObject output;  // read end of its stdout
};

bool StartChild(uint64_t seed, uint64_t first, uint64_t last, Child& child) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &sa, 0)) return false;
    tw::UniqueKernelObject readEnd(read), writeEnd(write);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = tw::FormatW(L"\"%s\" --child %llu %llu %llu", exe, static_cast<unsigned long long>(seed),
                                   static_cast<unsigned long long>(first), static_cast<unsigned long long>(last));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return false;
    ::CloseHandle(pi.hThread);
    child.process.reset(pi.hProcess);
    child.output = std::move(readEnd);
    return true;
}

// Reads whatever the child has written; false once the pipe is closed.
bool ReadAvailable(HANDLE pipe, std::string& buffer) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    std::string chunk(available, '\0');
    DWORD got = 0;
    if (!::ReadFile(pipe, chunk.data(), available, &got, nullptr)) return false;
    buffer.append(chunk, 0, got);
    return true;
}

void Describe(const twhost::PageDamager& damager, uint64_t seed, uint64_t index, const char* what) {
    const DamagedPage page = damager.Make(seed, index);
    std::printf("%s case %llu: %ls\n", what, static_cast<unsigned long long>(index), page.description.c_str());
}

// Runs cases [first, last) in children, one batch each, restarting after a crash or hang.
void RunParent(uint64_t seed, uint64_t first, uint64_t last, uint64_t batch, bool quiet, Figures& f) {
    const twhost::PageDamager damager(twhost::LoadPageCorpus(twhost::RepoRootOfProgram()));
    std::printf("corpus: %zu pages\n", damager.PageCount());
    uint64_t next = first;
    while (next < last) {
        const uint64_t end = std::min(last, next + batch);
        Child child;
        if (!StartChild(seed, next, end, child)) {
            std::printf("cannot start a child: %lu\n", ::GetLastError());
            return;
        }
        std::string buffer;
        uint64_t started = next;
        bool inCase = false;
        ULONGLONG lastLine = ::GetTickCount64();
        bool hung = false;
        for (;;) {
            const bool open = ReadAvailable(child.output.get(), buffer);
            size_t eol;
            while ((eol = buffer.find('\n')) != std::string::npos) {
                const std::string line = buffer.substr(0, eol);
                buffer.erase(0, eol + 1);
                lastLine = ::GetTickCount64();
                unsigned long long index = 0;
                if (std::sscanf(line.c_str(), "start %llu", &index) == 1) {
                    started = index;
                    inCase = true;
                    continue;
                }
                if (line.rfind("crash", 0) == 0 || line.rfind("  ", 0) == 0) {
                    std::printf("%s\n", line.c_str());
                    continue;
                }
                char verdict[32] = {};
                unsigned long ms = 0;
                if (std::sscanf(line.c_str(), "done %llu %31s %lu", &index, verdict, &ms) != 3) continue;
                inCase = false;
                ++f.cases;
                f.slowestMs = std::max<DWORD>(f.slowestMs, ms);
                const std::string v = verdict;
                if (v == "rendered") ++f.rendered;
                else if (v == "refused") ++f.refused;
                else ++f.wrong;
                if (v == "WRONG" || (!quiet && ms > twhost::PageFuzzRenderer::kPageTimeMs)) std::printf("%s\n", line.c_str());
            }
            if (!open) break;
            if (::WaitForSingleObject(child.process.get(), 10) == WAIT_OBJECT_0) {
                ReadAvailable(child.output.get(), buffer);
                if (buffer.find('\n') != std::string::npos) continue;  // lines still to read
                break;
            }
            if (::GetTickCount64() - lastLine > kHangMs) {
                hung = true;
                ::TerminateProcess(child.process.get(), 1);
                ::WaitForSingleObject(child.process.get(), INFINITE);
                break;
            }
        }
        DWORD code = 0;
        ::GetExitCodeProcess(child.process.get(), &code);
        if (hung && inCase) {
            ++f.hangs, ++f.cases;
            Describe(damager, seed, started, "HANG");
            next = started + 1;
        } else if (inCase) {
            ++f.crashes, ++f.cases;
            std::printf("CRASH (exit 0x%lX) ", code);
            Describe(damager, seed, started, "");
            next = started + 1;
        } else {
            next = end;
        }
        std::fflush(stdout);
    }
}

unsigned long long Number(const wchar_t* text) { return std::wcstoull(text, nullptr, 0); }

}  // namespace

// Writes case N's damaged page to a file, to look at or to print with twprint.
int SaveCase(uint64_t seed, uint64_t index, const wchar_t* path) {
    const twhost::PageDamager damager(twhost::LoadPageCorpus(twhost::RepoRootOfProgram()));
    const DamagedPage page = damager.Make(seed, index);
    FILE* f = _wfopen(path, L"wb");
    if (!f) return 1;
    const bool written = std::fwrite(page.bytes.data(), 1, page.bytes.size(), f) == page.bytes.size();
    std::fclose(f);
    std::printf("%s page: %ls\n", page.raw ? "raw" : "EMF", page.description.c_str());
    return written ? 0 : 1;
}

// Renders one page file (a .bmp is a raw page) as case `index` would be rendered.
int RenderFile(const wchar_t* path, uint64_t index) {
    ::SetUnhandledExceptionFilter(ReportCrash);
    DamagedPage page;
    FILE* f = _wfopen(path, L"rb");
    if (!f) return 1;
    int c;
    while ((c = std::fgetc(f)) != EOF) page.bytes.push_back(static_cast<BYTE>(c));
    std::fclose(f);
    const std::wstring name = path;
    page.raw = name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".bmp") == 0;
    twhost::PageFuzzRenderer renderer;
    const FuzzResult r = renderer.Render(page, index);
    std::printf("%ls %lu ms | %ls\n", twhost::FuzzVerdictName(r.verdict), r.ms, r.why.c_str());
    return r.verdict == FuzzVerdict::WrongResult ? 1 : 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--render") == 0) return RenderFile(argv[2], Number(argv[3]));
    if (argc == 5 && std::wcscmp(argv[1], L"--child") == 0)
        return RunChild(Number(argv[2]), Number(argv[3]), Number(argv[4]));
    if (argc == 5 && std::wcscmp(argv[1], L"--save") == 0) return SaveCase(Number(argv[2]), Number(argv[3]), argv[4]);
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: fuzz_pages SEED COUNT [--batch N] [--first N] [--quiet]\n");
        return 2;
    }
    const uint64_t seed = Number(argv[1]), count = Number(argv[2]);
    uint64_t batch = kDefaultBatch, first = 0;
    bool quiet = false;
    for (int i = 3; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--batch") == 0 && i + 1 < argc) batch = std::max<uint64_t>(1, Number(argv[++i]));
        else if (std::wcscmp(argv[i], L"--first") == 0 && i + 1 < argc) first = Number(argv[++i]);
        else if (std::wcscmp(argv[i], L"--quiet") == 0) quiet = true;
    }
    const ULONGLONG start = ::GetTickCount64();
    Figures f;
    RunParent(seed, first, first + count, batch, quiet, f);
    std::printf("seed %llu: %llu cases, %llu rendered, %llu refused, %llu crashes, %llu hangs, %llu wrong results; "
                "slowest page %lu ms; %.1f s\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(f.cases),
                static_cast<unsigned long long>(f.rendered), static_cast<unsigned long long>(f.refused),
                static_cast<unsigned long long>(f.crashes), static_cast<unsigned long long>(f.hangs),
                static_cast<unsigned long long>(f.wrong), f.slowestMs, (::GetTickCount64() - start) / 1000.0);
    return f.crashes || f.hangs || f.wrong ? 1 : 0;
}
