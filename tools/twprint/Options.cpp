#include "Options.h"

#include <cwchar>
#include <cwctype>

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

}  // namespace

const wchar_t* UsageText() {
    return L"usage: twprint ports list | ports add NAME | ports delete NAME\n"
           L"       twprint --stream FILE [--chunk BYTES] [--port NAME] [--printer NAME] [--job-id N]\n"
           L"               [--doc NAME] [--report FILE|-]\n";
}

Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) throw UsageError{L"nothing to do"};

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
        if (a == L"--stream") o.streamFile = value();
        else if (a == L"--chunk") o.chunk = ParseNumber(a, value(), 1, 64u * 1024 * 1024);
        else if (a == L"--port") o.port = value();
        else if (a == L"--printer") o.printer = value();
        else if (a == L"--job-id") o.jobId = ParseNumber(a, value(), 1, 0x7FFFFFFF);
        else if (a == L"--doc") o.document = value();
        else if (a == L"--report") o.report = value();
        else throw UsageError{L"unknown argument '" + a + L"'"};
    }
    if (o.streamFile.empty()) throw UsageError{L"--stream FILE is required"};
    if (o.port.empty() || o.printer.empty()) throw UsageError{L"port and printer names must not be empty"};
    o.command = Command::Stream;
    return o;
}

}  // namespace twprint
