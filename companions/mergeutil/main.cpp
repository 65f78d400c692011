// twmerge.exe: the merge utility's part in the merge window, scripted from its command line
// (README.md). Exit codes: 0 done, 2 a command line it cannot read, 3 the shared memory could not
// be created, 4 --wait-done timed out.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "MergeMemory.h"
#include "base/WideString.h"
#include "notify/MergeTableLayout.h"

namespace {

namespace mt = tw::mergetable;

int Usage(const wchar_t* why) {
    std::fwprintf(stderr,
                  L"twmerge: %ls\nusage: twmerge --printer NAME [--session N] [--size BYTES] [--pid N]\n"
                  L"  [--entry JOB:ORDER:FORMAT[:NAME]]... [--value JOB:INDEX=N]... [--unterminated JOB]\n"
                  L"  [--beyond] [--garbage SEED]\n"
                  L"  then, in order: [--ready JOB|all] [--abort JOB] [--abandon] [--sleep MS] [--wait-done MS]\n",
                  why);
    return 2;
}

void Say(const std::wstring& line) {
    std::fwprintf(stdout, L"%ls\n", line.c_str());
    std::fflush(stdout);
}

bool ToNumber(const std::wstring& text, DWORD& out) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    out = std::wcstoul(text.c_str(), &end, 10);
    return *end == L'\0';
}

struct Action {
    std::wstring verb, argument;
};

// Every state the table holds now, as "job:state:counter" (counter - when the job has none).
void SayTable(twmerge::MergeMemory& memory) {
    const twmerge::TableState s = memory.Read();
    std::wstring line = s.readable ? L"table" : L"table unreadable";
    for (auto [job, state] : s.states) {
        auto counter = s.counters.find(job);
        line += tw::FormatW(L" %lu:%lu:", job, state) +
                (counter == s.counters.end() ? std::wstring(L"-") : std::to_wstring(counter->second));
    }
    Say(line);
}

// Waits until no entry is waiting or entered any more; every entry seen done is said once.
bool WaitDone(twmerge::MergeMemory& memory, DWORD ms) {
    std::vector<DWORD> said;
    const ULONGLONG until = ::GetTickCount64() + ms;
    for (;;) {
        const twmerge::TableState s = memory.Read();
        bool open = false;
        for (auto [job, state] : s.states) {
            if (state == mt::kStateDone && std::find(said.begin(), said.end(), job) == said.end()) {
                Say(tw::FormatW(L"done %lu", job));
                said.push_back(job);
            }
            if (state != mt::kStateDone && state != mt::kStateAbort) open = true;
        }
        if (!open) return true;
        if (::GetTickCount64() >= until) return false;
        ::Sleep(50);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring printer;
    DWORD session = 0, size = mt::kMappingSize, pid = ::GetCurrentProcessId(), seed = 0;
    bool beyond = false, garbage = false;
    std::vector<twmerge::Entry> entries;
    std::vector<Action> actions;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        const bool flag = a == L"--beyond" || a == L"--abandon";
        if (!flag && i + 1 >= argc) return Usage((a + L" needs a value").c_str());
        const std::wstring v = flag ? L"" : argv[++i];
        DWORD n = 0;
        if (a == L"--printer") {
            printer = v;
        } else if (a == L"--session" || a == L"--size" || a == L"--pid" || a == L"--garbage") {
            if (!ToNumber(v, n)) return Usage((a + L": not a number").c_str());
            (a == L"--session" ? session : a == L"--size" ? size : a == L"--pid" ? pid : seed) = n;
            garbage = garbage || a == L"--garbage";
        } else if (a == L"--entry") {
            // JOB:ORDER:FORMAT[:NAME]; the name may hold colons of its own.
            twmerge::Entry e;
            size_t c1 = v.find(L':'), c2 = c1 == std::wstring::npos ? c1 : v.find(L':', c1 + 1);
            if (c2 == std::wstring::npos) return Usage(L"--entry JOB:ORDER:FORMAT[:NAME]");
            size_t c3 = v.find(L':', c2 + 1);
            DWORD order = 0, format = 0;
            if (!ToNumber(v.substr(0, c1), e.jobId) || !ToNumber(v.substr(c1 + 1, c2 - c1 - 1), order) ||
                !ToNumber(v.substr(c2 + 1, c3 == std::wstring::npos ? c3 : c3 - c2 - 1), format))
                return Usage(L"--entry JOB:ORDER:FORMAT[:NAME]");
            if (c3 != std::wstring::npos) e.name = v.substr(c3 + 1);
            e.values[mt::kValueOrder] = order;
            e.values[mt::kValueFileFormat] = format;
            entries.push_back(e);
        } else if (a == L"--value" || a == L"--unterminated") {
            const size_t colon = v.find(L':'), eq = v.find(L'=');
            DWORD job = 0, index = 0, value = 0;
            const bool ok = a == L"--unterminated"
                                ? ToNumber(v, job)
                                : colon != std::wstring::npos && eq != std::wstring::npos &&
                                      ToNumber(v.substr(0, colon), job) &&
                                      ToNumber(v.substr(colon + 1, eq - colon - 1), index) &&
                                      ToNumber(v.substr(eq + 1), value) && index < mt::kEntryValueCount;
            if (!ok) return Usage((a + L": cannot read " + v).c_str());
            bool found = false;
            for (twmerge::Entry& e : entries) {
                if (e.jobId != job) continue;
                found = true;
                if (a == L"--value") e.values[index] = value;
                else e.unterminated = true;
            }
            if (!found) return Usage((a + L": no --entry for job " + v).c_str());
        } else if (a == L"--beyond") {
            beyond = true;
        } else if (a == L"--abandon") {
            actions.push_back({a, v});
        } else if (a == L"--ready" || a == L"--abort" || a == L"--sleep" || a == L"--wait-done") {
            if (!(a == L"--ready" && v == L"all") && !ToNumber(v, n)) return Usage((a + L": not a number").c_str());
            actions.push_back({a, v});
        } else {
            return Usage((L"unknown option " + a).c_str());
        }
    }
    if (printer.empty()) return Usage(L"--printer is required");
    for (twmerge::Entry& e : entries) e.processId = pid;

    const std::wstring base =
        tw::FormatW(mt::kBaseNameFormat, static_cast<unsigned long>(session)) + L"_" + tw::CleanObjectName(printer);
    twmerge::MergeMemory memory;
    if (!memory.Create(base, size)) return 3;
    memory.WriteTable(entries, beyond);
    if (garbage) memory.Scramble(seed, 64 * 1024);
    Say(L"ready " + base);

    int result = 0;
    for (const Action& act : actions) {
        DWORD n = 0;
        ToNumber(act.argument, n);
        if (act.verb == L"--abandon") {
            memory.AbandonMutex();
            Say(L"abandoned");
        } else if (act.verb == L"--sleep") {
            ::Sleep(n);
        } else if (act.verb == L"--wait-done") {
            if (!WaitDone(memory, n)) {
                Say(L"timeout");
                result = 4;
            }
        } else {
            const DWORD state = act.verb == L"--ready" ? mt::kStateReady : mt::kStateAbort;
            for (const twmerge::Entry& e : entries) {
                if (act.argument == L"all" || e.jobId == n) {
                    if (!memory.SetState(e.jobId, state)) Say(tw::FormatW(L"no entry %lu", e.jobId));
                }
            }
            Say(act.verb.substr(2) + L" " + act.argument);
        }
    }
    SayTable(memory);
    return result;
}
