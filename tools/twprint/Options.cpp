#include "Options.h"

#include "HostPaths.h"

#include <cwchar>
#include <cwctype>

#include "base/WideString.h"
#include "portcmd/DevModeFields.h"

namespace twprint {
namespace {

unsigned long ParseNumber(const std::wstring& option, const std::wstring& text, unsigned long min,
                          unsigned long max) {
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long v = std::wcstoull(text.c_str(), &end, 10);
    if (text.empty() || !std::iswdigit(text[0]) || *end != L'\0' || errno != 0 || v < min || v > max)
        throw UsageError{option + L" needs a number from " + std::to_wstring(min) + L" to " + std::to_wstring(max) +
                         L", not '" + text + L"'"};
    return static_cast<unsigned long>(v);
}

RegistrySetting SetArgument(const std::wstring& text) {
    RegistrySetting setting;
    std::wstring error;
    if (!ParseRegistrySetting(text, setting, error)) throw UsageError{error};
    return setting;
}

IniSetting IniArgument(const std::wstring& text) {
    IniSetting setting;
    std::wstring error;
    if (!ParseIniSetting(text, setting, error)) throw UsageError{error};
    return setting;
}

std::pair<std::wstring, std::wstring> DevModeEdit(const std::wstring& text) {
    const size_t eq = text.find(L'=');
    if (eq == std::wstring::npos || eq == 0) throw UsageError{L"--edit-devmode needs NAME=VALUE, not '" + text + L"'"};
    std::wstring name = text.substr(0, eq);
    if (!tw::FindDevModeField(name)) throw UsageError{L"--edit-devmode: no DEVMODE field '" + name + L"'"};
    return {name, text.substr(eq + 1)};
}

ListenBehaviour Behaviour(const std::wstring& text) {
    if (text == L"answer") return ListenBehaviour::Answer;
    if (text == L"no-answer") return ListenBehaviour::NoAnswer;
    if (text == L"short-answer") return ListenBehaviour::ShortAnswer;
    if (text == L"never-read") return ListenBehaviour::NeverRead;
    if (text == L"disconnect") return ListenBehaviour::Disconnect;
    if (text == L"stall") return ListenBehaviour::Stall;
    throw UsageError{L"--listen-behaviour takes answer, no-answer, short-answer, never-read, disconnect or stall, not '" +
                     text + L"'"};
}

// One page path a line (UTF-8, CR LF or LF); blank lines are skipped.
void ReadPageList(const std::wstring& file, std::vector<std::wstring>& pages) {
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(HostPath(file), bytes)) throw UsageError{L"--page-list: cannot read '" + file + L"'"};
    const std::wstring text = tw::FromUtf8(std::string(bytes.begin(), bytes.end()));
    size_t added = 0;
    for (size_t begin = 0; begin <= text.size();) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(begin, end - begin);
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t')) line.pop_back();
        if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
        if (!line.empty()) pages.push_back(line), ++added;
        begin = end + 1;
    }
    if (added == 0) throw UsageError{L"--page-list: '" + file + L"' names no page"};
}

// "X,Y,TEXT": the driver's text-out command at device position (X, Y).
Options::TextOut TextOutArgument(const std::wstring& text) {
    const size_t first = text.find(L','), second = first == std::wstring::npos ? first : text.find(L',', first + 1);
    Options::TextOut t;
    wchar_t* end = nullptr;
    if (second != std::wstring::npos) {
        t.x = std::wcstol(text.c_str(), &end, 10);
        const bool xOk = end == text.c_str() + first && first > 0;
        t.y = std::wcstol(text.c_str() + first + 1, &end, 10);
        if (xOk && end == text.c_str() + second && second > first + 1) {
            t.text = text.substr(second + 1);
            return t;
        }
    }
    throw UsageError{L"--text-out needs X,Y,TEXT, not '" + text + L"'"};
}

}  // namespace

const wchar_t* UsageText() {
    return L"usage: twprint ports list | ports add NAME | ports delete NAME\n"
           L"       twprint dump FILE\n"
           L"       twprint ini FILE\n"
           L"       twprint [options] PAGE.emf|PAGE.bmp ...\n"
           L"       twprint [options] --page-list FILE\n"
           L"       twprint --stream FILE [options]\n"
           L"       twprint --stream FILE --stream FILE ... [--parallel] [options]\n"
           L"options: --chunk BYTES --port NAME --printer NAME --job-id N --doc NAME --report FILE|-\n"
           L"         --format CODE --out DIR --dpi X[,Y] --color N --dither N --paper CODE|WIDTHxLENGTH\n"
           L"         --landscape --dm NAME=VALUE --devmode FILE --save-stream FILE --placeable --text-out X,Y,TEXT\n"
           L"         --set 'GROUP\\VALUE=TYPE:DATA' --ini 'SECTION\\KEY=VALUE' --keep-settings\n"
           L"         --plugin PATH --no-plugin --password TEXT --pages LIST --cancel-after N\n"
           L"         --wait-post-print SECONDS --volatile-key GROUP\n"
           L"         --listen [--edit-devmode NAME=VALUE] [--listen-behaviour answer|no-answer|short-answer|\n"
           L"                  never-read|disconnect|stall]\n"
           L"--set writes a value below the printer's registry key before the job; GROUP may hold %d\n"
           L"  (the job id) and may be left out ('Printer ID=dword:3'). TYPE is dword or qword (decimal,\n"
           L"  0x hex or negative), sz, expand_sz or binary (hex bytes). The first '=' followed by TYPE:\n"
           L"  ends the value name, the last '\\' before it ends GROUP.\n"
           L"--ini writes an entry of the driver's data file; the first '=' ends KEY, the last '\\'\n"
           L"  before it ends SECTION. Both are undone after the run unless --keep-settings is given.\n"
           L"--page-list reads page paths from FILE, one a line: for more pages than a command line holds.\n"
           L"Several --stream files print as jobs N, N+1, ... (--job-id N) on ports TWPRINT1:, TWPRINT2:, ...\n"
           L"  (--port), one after another or, with --parallel, all at once on threads of one process;\n"
           L"  the report is then {\"jobs\": [one report per job]}.\n"
           L"--listen acts as the job's client application: it listens on the job's pipes and window\n"
           L"  and reports every message in the report's \"messages\".\n"
           L"--wait-post-print waits after EndDocPort for the processes the job started (the application\n"
           L"  starter, a start application) to end, at most SECONDS; the report lists them in \"processes\".\n"
           L"--volatile-key creates GROUP below the printer's key as a volatile key for the run: no lasting\n"
           L"  key can be made beneath it, so the records the job would keep there cannot be written.\n";
}

Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) throw UsageError{L"nothing to do"};

    if (args[0] == L"ini") {
        if (args.size() != 2 || args[1].empty()) throw UsageError{L"ini takes one INI file"};
        o.command = Command::Ini;
        o.dumpFile = args[1];
        return o;
    }
    if (args[0] == L"dump") {
        if (args.size() != 2 || args[1].empty()) throw UsageError{L"dump takes one stream file"};
        o.command = Command::Dump;
        o.dumpFile = args[1];
        return o;
    }
    if (args[0] == L"ports") {
        if (args.size() == 2 && args[1] == L"list") {
            o.command = Command::PortsList;
        } else if (args.size() == 3 && (args[1] == L"add" || args[1] == L"delete")) {
            o.command = args[1] == L"add" ? Command::PortsAdd : Command::PortsDelete;
            o.portArgument = args[2];
            if (o.portArgument.empty()) throw UsageError{L"the port name is empty"};
        } else {
            throw UsageError{L"ports takes: list, add NAME or delete NAME"};
        }
        return o;
    }

    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= args.size()) throw UsageError{a + L" needs a value"};
            return args[++i];
        };
        if (a == L"--stream") o.streamFiles.push_back(value());
        else if (a == L"--parallel") o.parallel = true;
        else if (a == L"--page-list") ReadPageList(value(), o.pages);
        else if (a == L"--chunk") o.chunk = ParseNumber(a, value(), 1, 64u * 1024 * 1024);
        else if (a == L"--port") o.port = value();
        else if (a == L"--printer") o.printer = value();
        else if (a == L"--job-id") o.jobId = ParseNumber(a, value(), 1, 0x7FFFFFFF);
        else if (a == L"--doc") o.document = value();
        else if (a == L"--report") o.report = value();
        else if (a == L"--devmode") o.devmodeFile = value();
        else if (a == L"--save-stream") o.saveStream = value();
        else if (a == L"--placeable") o.placeable = true;
        else if (a == L"--text-out") o.textOuts.push_back(TextOutArgument(value()));
        else if (a == L"--keep-settings") o.keepSettings = true;
        else if (a == L"--plugin") o.iniSettings.push_back({L"Default Settings", L"Plugin Filename", HostPath(value())});
        // An empty "Plugin Filename" loads no plug-in: the job runs as on a printer without one.
        else if (a == L"--no-plugin") o.iniSettings.push_back({L"Default Settings", L"Plugin Filename", L""});
        else if (a == L"--password") o.iniSettings.push_back({L"Default Settings", L"Password", value()});
        else if (a == L"--pages") {
            const std::wstring& list = value();
            o.registrySettings.push_back(SetArgument(L"Page Settings\\Print Selected Pages Only=dword:1"));
            o.registrySettings.push_back(SetArgument(L"Page Settings\\Selected Pages=sz:" + list));
        }
        else if (a == L"--cancel-after") o.cancelAfter = ParseNumber(a, value(), 1, 0x7FFFFFFF);
        else if (a == L"--wait-post-print") o.waitPostPrintSeconds = ParseNumber(a, value(), 0, 3600);
        else if (a == L"--listen") o.listen.enabled = true;
        else if (a == L"--edit-devmode") o.listen.enabled = true, o.listen.devmodeEdits.push_back(DevModeEdit(value()));
        else if (a == L"--listen-behaviour") o.listen.enabled = true, o.listen.behaviour = Behaviour(value());
        else if (a == L"--set") o.registrySettings.push_back(SetArgument(value()));
        else if (a == L"--ini") o.iniSettings.push_back(IniArgument(value()));
        else if (a == L"--volatile-key") o.volatileKeys.push_back(value());
        else if (a == L"--landscape") o.devmodeSettings.emplace_back(a, L"");
        else if (a == L"--format" || a == L"--out" || a == L"--dpi" || a == L"--color" || a == L"--dither" ||
                 a == L"--paper" || a == L"--dm")
            o.devmodeSettings.emplace_back(a, value());
        else if (a.size() > 1 && a[0] == L'-') throw UsageError{L"unknown option '" + a + L"'"};
        else o.pages.push_back(a);
    }
    if (o.port.empty() || o.printer.empty()) throw UsageError{L"port and printer names must not be empty"};
    for (auto& setting : o.registrySettings) setting.group = ExpandJobId(setting.group, o.jobId);
    for (auto& group : o.volatileKeys) group = ExpandJobId(group, o.jobId);
    if (!o.streamFiles.empty()) {
        if (!o.pages.empty()) throw UsageError{L"--stream replays a stream: it takes no pages"};
        if (o.listen.enabled && o.streamFiles.size() > 1)
            throw UsageError{L"--listen listens to one job: it takes one --stream"};
        o.streamFile = o.streamFiles.front();
        o.command = Command::Stream;
    } else {
        if (o.parallel) throw UsageError{L"--parallel prints the --stream files at once: give at least one"};
        if (o.pages.empty()) throw UsageError{L"no pages to print (or --stream FILE)"};
        o.command = Command::Pages;
    }
    return o;
}

}  // namespace twprint
