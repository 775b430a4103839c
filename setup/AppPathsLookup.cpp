// Commit mode: find the scheduler through its App Paths registration.

#include "common/Handles.h"
#include "common/MachineEnvironment.h"
#include "companion/Scheduler.h"
#include "setup/Setup.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

// The App Paths default value: REG_SZ is taken as it stands and REG_EXPAND_SZ
// expanded against the machine's variables, never this process's; any other
// type, or text that does not fit the path with its terminator, gives no path.
void FindSchedulerThroughAppPaths(SchedulerPath& schedulerPath)
{
    schedulerPath[0] = L'\0';

    WCHAR szSubkey[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szSubkey, kPathUnits, L"%s\\%s.exe", kAppPathsKey, kSchedulerBaseName)))
        return;

    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, szSubkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;

    WCHAR szValue[kPathUnits] = {};
    DWORD dwType = REG_NONE;
    DWORD cbValue = sizeof(szValue);
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &dwType, reinterpret_cast<LPBYTE>(szValue), &cbValue)
        != ERROR_SUCCESS)
        return;
    // Text that fills the buffer without a terminator would be cut short.
    if (szValue[kPathUnits - 1] != L'\0')
        return;

    if (dwType == REG_SZ)
        static_cast<void>(StringCchCopyW(schedulerPath, kPathUnits, szValue));  // same capacity: cannot cut
    else if (dwType == REG_EXPAND_SZ)
        static_cast<void>(ExpandMachineEnvironmentStrings(szValue, schedulerPath, kPathUnits));  // empty on failure
}
