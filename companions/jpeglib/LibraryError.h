#pragma once
// The thread's last error of the library (JpegError): set by every failure, left alone by success.
namespace twjpeg {

void SetError(int error);
int Error();
// Sets the error and returns it, for `return Fail(...)` in functions that return the number.
int Fail(int error);
// Frees the calling thread's error (at DLL_THREAD_DETACH).
void ReleaseThreadError();

// The largest picture side a JPEG can hold, and the most pixels a picture may have here.
inline constexpr int kMaxSide = 65500;
inline constexpr unsigned long long kMaxPixels = 1ull << 28;

}  // namespace twjpeg
