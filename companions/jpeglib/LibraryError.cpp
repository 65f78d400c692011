#include "LibraryError.h"

#include "base/ThreadSlot.h"

namespace twjpeg {
namespace {
tw::ThreadSlot<int> g_error;
}  // namespace

void SetError(int error) { g_error.Get() = error; }
int Error() { return g_error.Get(); }
int Fail(int error) {
    g_error.Get() = error;
    return error;
}
void ReleaseThreadError() { g_error.ReleaseThread(); }

}  // namespace twjpeg
