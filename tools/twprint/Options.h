#pragma once
// twprint's command line.
#include <optional>
#include <string>
#include <vector>

namespace twprint {

enum class Command { PortsList, PortsAdd, PortsDelete, Stream };

struct Options {
    Command command = Command::Stream;
    std::wstring portArgument;  // ports add/delete NAME

    std::wstring streamFile;
    unsigned long chunk = 4096;
    std::wstring port = L"TWPRINT:";
    std::wstring printer = L"Tarnwell Printer";
    unsigned long jobId = 1;
    std::wstring document;  // empty: the stream's file name
    std::optional<std::wstring> report;  // "-" for standard output
};

// Throws UsageError with a one-line message for bad arguments.
struct UsageError {
    std::wstring message;
};
Options ParseOptions(int argc, wchar_t** argv);
const wchar_t* UsageText();

}  // namespace twprint
