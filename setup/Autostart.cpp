// Commit mode: find the scheduler through its App Paths registration and
// register that path to start at every logon.

#include "common/Handles.h"
#include "common/MachineEnvironment.h"
#include "common/Product.h"
#include "companion/Scheduler.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// Reads the App Paths default value into lpSchedulerPath. REG_SZ is taken as
// it stands and REG_EXPAND_SZ expanded against the machine's variables, never
// this process's; any other type, or text that does not fit kPathUnits with
// its terminator, gives no path.
void ReadAppPathsRegistration(LPWSTR lpSchedulerPath)
{
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

    if (dwType == REG_SZ) {
        static_cast<void>(StringCchCopyW(lpSchedulerPath, kPathUnits, szValue));  // same capacity: cannot cut
    } else if (dwType == REG_EXPAND_SZ) {
        static_cast<void>(ExpandMachineEnvironmentStrings(szValue, lpSchedulerPath, kPathUnits));  // empty on failure
    }
}

}  // namespace

void RegisterAutostart(LPWSTR lpSchedulerPath)
{
    ReadAppPathsRegistration(lpSchedulerPath);
    if (lpSchedulerPath[0] == L'\0')
        return;

    UniqueHKey run;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, run.put()) != ERROR_SUCCESS)
        return;

    // Unquoted and without arguments: other programs compare the value with
    // the scheduler's own path.
    size_t cchPath = 0;
    if (SUCCEEDED(StringCchLengthW(lpSchedulerPath, kPathUnits, &cchPath)))
        RegSetValueExW(run.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpSchedulerPath),
                       static_cast<DWORD>((cchPath + 1) * sizeof(WCHAR)));
}
