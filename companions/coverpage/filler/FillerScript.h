#pragma once
// What the stand-in editor is told to do: its script, an INI file (README.md, "The stand-in
// editor"), and the arguments the monitor started it with.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "../Annotations.h"

namespace filler {

// How the editor ends.
enum class Action {
    Submit,   // fills the fields and hands the pages over
    Cancel,   // closes without submitting (releases its mutex)
    Exit,     // ends at once, its mutex abandoned
    Hang,     // never answers (for HangTime ms)
    Garbage,  // hands over bytes that are no TIFF
    Cut,      // hands over the first half of the TIFF, announced as its whole
    Larger,   // a mapping larger than the count it announces (harmless)
    Smaller,  // a mapping smaller than the count it announces
    Zero,     // announces 0 bytes
};

struct Script {
    Action action = Action::Submit;
    int pages = -1;          // pages handed over; -1: every template page
    DWORD delayMs = 0;       // before acting
    DWORD hangMs = 30000;
    DWORD doneTimeoutMs = 30000;
    std::wstring logFile;
    // Objects to add, by template page (0-based).
    std::vector<std::pair<int, coverpage::AnnoText>> texts;
    std::vector<std::pair<int, coverpage::AnnoLine>> lines;
    std::vector<std::pair<int, coverpage::AnnoRect>> rects;
    std::vector<std::pair<int, coverpage::AnnoImage>> images;
};

// The six arguments, in the monitor's order.
struct Arguments {
    std::wstring templatePath, mutexName, mapName, createEventName, doneEventName, printerName;
    std::wstring scriptPath;  // "/script=<file>" after them, else the script beside the program
};
std::optional<Arguments> ParseArguments(int argc, wchar_t** argv);

// Reads the script; a field that cannot be read is reported in `error` and ends the reading.
std::optional<Script> ReadScript(const std::wstring& path, std::wstring& error);

}  // namespace filler
