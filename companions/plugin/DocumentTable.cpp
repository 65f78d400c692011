#include "DocumentTable.h"

#include "monitor/Trace.h"

namespace twplugin {
namespace {

// Built when the library is loaded, not at first use: a guarded local static goes through the
// threads library, which takes a TLS slot that unloading never gives back, and the monitor
// loads this library once per document.
DocumentTable g_table;

}  // namespace

std::uintptr_t DocumentTable::BeginDocument() {
    TW_TRACE(L"> DocumentTable::BeginDocument");
    tw::CsLock lock(m_cs);
    std::uintptr_t id = ++m_lastDocument;
    m_startPageCalls[id] = 0;
    return id;
}

DWORD DocumentTable::CountStartPage(std::uintptr_t userData) {
    TW_TRACE(L"> DocumentTable::CountStartPage");
    tw::CsLock lock(m_cs);
    return ++m_startPageCalls[userData];
}

void DocumentTable::EndDocument(std::uintptr_t userData) {
    TW_TRACE(L"> DocumentTable::EndDocument");
    tw::CsLock lock(m_cs);
    m_startPageCalls.erase(userData);
}

DocumentTable& DocumentTable::Instance() { return g_table; }

}  // namespace twplugin
