#include "host/FakeHandle.h"

#include <atomic>

namespace twhost {
namespace {
// High above the small values kernel handles take; steps of 4 like real handles.
constexpr ULONG_PTR kFirstFakeHandle = 0x7A5E0000;
constexpr ULONG_PTR kFakeHandleStep = 4;
std::atomic<ULONG_PTR> g_nextFakeHandle{kFirstFakeHandle};
}  // namespace

HANDLE NextFakeHandle() {
    return reinterpret_cast<HANDLE>(g_nextFakeHandle.fetch_add(kFakeHandleStep));
}

}  // namespace twhost
