#include "LibraryError.h"

namespace twjpeg {
namespace {
thread_local int t_error = 0;
}  // namespace

void SetError(int error) { t_error = error; }
int Error() { return t_error; }
int Fail(int error) {
    t_error = error;
    return error;
}

}  // namespace twjpeg
