#include "job/DocumentCounter.h"

#include "base/UniqueHandle.h"
#include "job/SettingsScope.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw {

DWORD NextDocumentNumber(const TarnwellDEVMODE* dm) {
    UniqueKernelObject mutex(::CreateMutexW(nullptr, FALSE, kDocCounterMutex));
    DWORD wait = mutex ? ::WaitForSingleObject(mutex.get(), kDocCounterWaitMs) : WAIT_FAILED;
    const bool owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!owned) TW_TRACE(L"NextDocumentNumber: counter mutex not taken (%lu), counting on", wait);
    // The counter is read afresh: a key this thread remembers as missing may have been made
    // by a job on another port while this one waited for the mutex.
    settings::ForgetReadKeys();
    DWORD number = settings::ReadDwordOr(dm, settings::kPrinterGroup, kLastDocNumberValue, 0) + 1;
    settings::WriteDword(dm, settings::kRoot, settings::kPrinterGroup, kLastDocNumberValue, number);
    if (owned) ::ReleaseMutex(mutex.get());
    return number;
}

}  // namespace tw
