#pragma once
// twprint's command line.
#include <optional>
#include <string>
#include <vector>

#include "SettingArgument.h"

namespace twprint {

// How the listening client treats the monitor's messages: "answer" reads every message and
// answers each DEVMODE with the record (edited as told); the others are the faults a client
// can have: "no-answer" reads but never answers a DEVMODE, "short-answer" answers it with 100
// bytes, "never-read" takes one connection and never reads it, "disconnect" reads the first
// 100 bytes of each message and hangs up, "stall" takes every connection and reads none (each
// connection is reported, so that a test can count the messages the monitor attempted).
enum class ListenBehaviour { Answer, NoAnswer, ShortAnswer, NeverRead, Disconnect, Stall };

struct ListenOptions {
    bool enabled = false;
    ListenBehaviour behaviour = ListenBehaviour::Answer;
    std::vector<std::pair<std::wstring, std::wstring>> devmodeEdits;  // --edit-devmode NAME=VALUE
};

enum class Command { PortsList, PortsAdd, PortsDelete, Stream, Pages, Dump, Ini };

struct Options {
    Command command = Command::Stream;
    std::wstring portArgument;  // ports add/delete NAME

    std::wstring streamFile;                // the first --stream
    std::vector<std::wstring> streamFiles;  // every --stream, in the order given
    bool parallel = false;                  // --parallel: the streams print at once
    unsigned long chunk = 4096;
    std::wstring port = L"TWPRINT:";
    std::wstring printer = L"Tarnwell Printer";
    unsigned long jobId = 1;
    std::wstring document;  // empty: the stream's file name
    std::optional<std::wstring> report;  // "-" for standard output

    // Printing pages: the DEVMODE options in the order given, then the pages.
    std::vector<std::wstring> pages;           // .emf or .bmp files, also from --page-list
    std::vector<std::pair<std::wstring, std::wstring>> devmodeSettings;  // (option, value)
    std::optional<std::wstring> devmodeFile;   // a raw record to start from
    std::optional<std::wstring> saveStream;    // also keep the stream built
    bool placeable = false;                    // EMF pages carry the 24-byte placeable prefix
    struct TextOut {
        long x = 0, y = 0;
        std::wstring text;
    };
    std::vector<TextOut> textOuts;             // --text-out: a text-out command on every page

    // Settings written before the job and, unless kept, undone after it. "%d" in a group is
    // already the job id.
    std::vector<RegistrySetting> registrySettings;  // --set, in the order given
    std::vector<IniSetting> iniSettings;            // --ini, in the order given
    std::vector<std::wstring> volatileKeys;         // --volatile-key: groups below the printer key
    bool keepSettings = false;
    // --wait-post-print SECONDS: after EndDocPort, wait for the processes the job started.
    unsigned long waitPostPrintSeconds = 0;
    // The simulated spooler marks the job as being deleted after this many WritePort calls.
    unsigned long cancelAfter = 0;

    std::wstring dumpFile;  // twprint dump FILE, twprint ini FILE

    // --listen: twprint is the job's client application while it prints.
    ListenOptions listen;
};

// Throws UsageError with a one-line message for bad arguments.
struct UsageError {
    std::wstring message;
};
Options ParseOptions(int argc, wchar_t** argv);
const wchar_t* UsageText();

}  // namespace twprint
