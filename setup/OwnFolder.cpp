// Stand-alone mode: the scheduler is expected beside this program.

#include "companion/Scheduler.h"
#include "setup/Setup.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

void LocateSchedulerBesideProgram(HINSTANCE hInstance, SchedulerPath& schedulerPath)
{
    WCHAR szFolder[kPathUnits] = {};
    const DWORD cchModule = GetModuleFileNameW(hInstance, szFolder, kPathUnits);
    // A result that fills the buffer means the platform cut the path.
    if (cchModule == 0 || cchModule >= kPathUnits)
        return;

    // Keep the folder with its trailing backslash; a path without one is
    // used whole.
    LPWSTR p = szFolder + cchModule - 1;
    while (p > szFolder && *p != L'\\')
        p = CharPrevW(szFolder, p);
    if (p > szFolder)
        p[1] = L'\0';

    if (FAILED(StringCchPrintfW(schedulerPath, kPathUnits, L"%s%s.exe", szFolder, kSchedulerBaseName)))
        schedulerPath[0] = L'\0';
}
