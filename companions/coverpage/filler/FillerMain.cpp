// Cover Page Filler.exe: the scripted stand-in for the interactive cover page editor. It takes
// its mutex, "fills" the template's fields as its script says and hands the pages to the
// monitor through the named mapping and events, or fails in the way the script asks.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "../TiffPages.h"
#include "FillerScript.h"
#include "base/UniqueHandle.h"

namespace {

using filler::Action;

// Exit codes (README.md).
constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;
constexpr int kExitNoObjects = 3;
constexpr int kExitNoTemplate = 4;
constexpr int kExitNoMapping = 5;
constexpr int kExitAbandoned = 6;
// How long the editor waits for the monitor's mutex when it starts.
constexpr DWORD kMutexTimeoutMs = 5000;
// What the mapping adds to the announced count when told to be larger than it.
constexpr size_t kExtraBytes = 65536;
constexpr size_t kGarbageBytes = 4096;

std::wstring g_log;

void Log(const wchar_t* format, ...) {
    if (g_log.empty()) return;
    wchar_t line[1024];
    va_list args;
    va_start(args, format);
    std::vswprintf(line, 1024, format, args);
    va_end(args);
    if (FILE* f = _wfopen(g_log.c_str(), L"a, ccs=UTF-8")) {
        std::fwprintf(f, L"[PID %lu] %ls\n", ::GetCurrentProcessId(), line);
        std::fclose(f);
    }
}

void AddFields(const filler::Script& s, std::vector<coverpage::BilevelPage>& pages) {
    auto page = [&](int index) -> coverpage::PageAnnotations* {
        return index >= 0 && index < static_cast<int>(pages.size()) ? &pages[index].annotations : nullptr;
    };
    for (const auto& [i, t] : s.texts)
        if (auto* p = page(i)) p->texts.push_back(t);
    for (const auto& [i, l] : s.lines)
        if (auto* p = page(i)) p->lines.push_back(l);
    for (const auto& [i, r] : s.rects)
        if (auto* p = page(i)) p->rects.push_back(r);
    for (const auto& [i, im] : s.images)
        if (auto* p = page(i)) p->images.push_back(im);
}

// The bytes handed over and the count announced before them, as the script's action wants.
bool BuildSubmission(const filler::Script& s, const std::wstring& templatePath, std::vector<BYTE>& bytes,
                     uint64_t& announced, size_t& mappedBytes) {
    std::vector<coverpage::BilevelPage> pages = coverpage::ReadBilevelPages(templatePath);
    if (pages.empty()) return false;
    for (auto& p : pages) p.annotations.xdpi = p.xdpi, p.annotations.ydpi = p.ydpi;
    AddFields(s, pages);
    if (s.pages >= 0 && s.pages < static_cast<int>(pages.size())) pages.resize(static_cast<size_t>(s.pages));
    bytes = coverpage::WriteBilevelTiff(pages);
    if (bytes.empty()) return false;
    announced = bytes.size();
    mappedBytes = bytes.size();
    switch (s.action) {
    case Action::Garbage: {
        bytes.assign(kGarbageBytes, 0);
        uint32_t v = 12345;
        for (BYTE& b : bytes) b = static_cast<BYTE>((v = v * 1103515245 + 12345) >> 16);
        announced = mappedBytes = bytes.size();
        break;
    }
    case Action::Cut:
        bytes.resize(bytes.size() / 2);
        announced = mappedBytes = bytes.size();
        break;
    case Action::Larger: mappedBytes = bytes.size() + kExtraBytes; break;
    case Action::Smaller: announced = bytes.size() + kExtraBytes * 16; break;
    case Action::Zero: announced = 0; break;
    default: break;
    }
    return true;
}

int Submit(const filler::Script& s, const filler::Arguments& a, HANDLE mutex) {
    std::vector<BYTE> bytes;
    uint64_t announced = 0;
    size_t mapped = 0;
    if (!BuildSubmission(s, a.templatePath, bytes, announced, mapped)) {
        Log(L"cannot read the template '%ls'", a.templatePath.c_str());
        ::ReleaseMutex(mutex);
        return kExitNoTemplate;
    }
    const unsigned long long total = sizeof(uint64_t) + mapped;
    tw::UniqueKernelObject map(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                    static_cast<DWORD>(total >> 32), static_cast<DWORD>(total),
                                                    a.mapName.c_str()));
    BYTE* view = map ? static_cast<BYTE*>(::MapViewOfFile(map.get(), FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (!view) {
        Log(L"cannot create the mapping '%ls' (error %lu)", a.mapName.c_str(), ::GetLastError());
        ::ReleaseMutex(mutex);
        return kExitNoMapping;
    }
    std::memcpy(view, &announced, sizeof(announced));
    std::memcpy(view + sizeof(announced), bytes.data(), bytes.size());
    ::UnmapViewOfFile(view);
    Log(L"mapped %llu bytes as '%ls', announced %llu", static_cast<unsigned long long>(mapped), a.mapName.c_str(),
        static_cast<unsigned long long>(announced));

    tw::UniqueKernelObject created(::OpenEventW(EVENT_MODIFY_STATE, FALSE, a.createEventName.c_str()));
    tw::UniqueKernelObject done(::OpenEventW(SYNCHRONIZE, FALSE, a.doneEventName.c_str()));
    if (!created || !::SetEvent(created.get())) {
        Log(L"cannot signal '%ls' (error %lu)", a.createEventName.c_str(), ::GetLastError());
        ::ReleaseMutex(mutex);
        return kExitNoObjects;
    }
    const DWORD wait = done ? ::WaitForSingleObject(done.get(), s.doneTimeoutMs) : WAIT_FAILED;
    Log(wait == WAIT_OBJECT_0 ? L"the monitor took the pages" : L"the monitor did not say it took the pages");
    ::ReleaseMutex(mutex);
    return kExitDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    auto args = filler::ParseArguments(argc, argv);
    if (!args) return kExitUsage;
    std::wstring error;
    auto script = filler::ReadScript(args->scriptPath, error);
    if (!script) return kExitUsage;
    g_log = script->logFile;
    Log(L"template '%ls', printer '%ls', script '%ls'", args->templatePath.c_str(), args->printerName.c_str(),
        args->scriptPath.c_str());

    tw::UniqueKernelObject mutex(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, args->mutexName.c_str()));
    const DWORD taken = mutex ? ::WaitForSingleObject(mutex.get(), kMutexTimeoutMs) : WAIT_FAILED;
    if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
        Log(L"cannot take the mutex '%ls' (error %lu)", args->mutexName.c_str(), ::GetLastError());
        return kExitNoObjects;
    }
    if (script->delayMs) ::Sleep(script->delayMs);
    switch (script->action) {
    case Action::Cancel:
        Log(L"closed without submitting");
        ::ReleaseMutex(mutex.get());
        return kExitDone;
    case Action::Exit:
        Log(L"ends at once, the mutex abandoned");
        // The process ends holding the mutex, as a crashed editor would.
        ::ExitProcess(kExitAbandoned);
    case Action::Hang:
        Log(L"does not answer for %lu ms", script->hangMs);
        ::Sleep(script->hangMs);
        ::ReleaseMutex(mutex.get());
        return kExitDone;
    default:
        return Submit(*script, *args, mutex.get());
    }
}
