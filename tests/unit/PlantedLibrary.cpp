// A library that loads and does nothing: what a user might plant where an
// elevated program looks for libraries.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
