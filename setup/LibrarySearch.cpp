// Before anything else runs: an elevated program must not load a library
// that a user put in its current folder or beside it.
#include "setup/Setup.h"

void RestrictLibrarySearchToSystemFolder()
{
    // Looked up at run time, so that the program still starts on a system
    // without the call (it came with an update to Windows 7).
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE hKernel = GetModuleHandleW(L"kernel32.dll");
    if (hKernel == nullptr)
        return;
    // Through void*: GetProcAddress answers a generic function pointer.
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
