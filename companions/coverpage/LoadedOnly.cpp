// TwImg2x.dll, TwImg3x.dll and lcms2x.dll: libraries the monitor only loads beside the others.
// They export nothing; loading them shows that the filler directory is complete.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
