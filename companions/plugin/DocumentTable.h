#pragma once
// The documents the plug-in has seen in this process: each TwStartDoc gets the next number as
// its user data, and TwStartPage calls are counted per document so that "the Nth start of
// page" means the same thing however many jobs run at once.
#include <windows.h>

#include <cstdint>
#include <map>

#include "base/CriticalSection.h"

namespace twplugin {

class DocumentTable {
public:
    // The user data of a new document: 1 for the first one since the library was loaded.
    std::uintptr_t BeginDocument();
    // Which call of the document this TwStartPage is (1 for the first). User data the table
    // never handed out (a monitor that skipped TwStartDoc) is counted all the same.
    DWORD CountStartPage(std::uintptr_t userData);
    // Forgets the document at TwEndDoc or TwAbort.
    void EndDocument(std::uintptr_t userData);

    // The one table of the library.
    static DocumentTable& Instance();

private:
    tw::CriticalSection m_cs;
    std::uintptr_t m_lastDocument = 0;
    std::map<std::uintptr_t, DWORD> m_startPageCalls;
};

}  // namespace twplugin
