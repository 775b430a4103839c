// Commit mode: register the scheduler found through App Paths to start at
// every logon.

#include "common/Handles.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

void RegisterAutostart(const SchedulerPath& schedulerPath)
{
    size_t cchPath = 0;
    if (FAILED(StringCchLengthW(schedulerPath, kPathUnits, &cchPath)) || cchPath == 0)
        return;

    UniqueHKey run;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, run.put()) != ERROR_SUCCESS)
        return;

    // Unquoted and without arguments: other programs compare the value with
    // the scheduler's own path.
    RegSetValueExW(run.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(schedulerPath),
                   static_cast<DWORD>((cchPath + 1) * sizeof(WCHAR)));
}
