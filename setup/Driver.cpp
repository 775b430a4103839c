#include "setup/Setup.h"

#include <wchar.h>

#include "common/Product.h"

namespace {

// Skips the program name that leads a command line, as the platform's own
// splitting does: a quoted name runs to its closing quote, an unquoted one
// to the first blank. A caller that passes no program name at all (as
// CreateProcessW(path, L"/Commit") does) starts the line with a switch,
// which is kept.
LPCWSTR SkipProgramName(LPCWSTR lpCommandLine)
{
    LPCWSTR p = lpCommandLine;
    if (*p == L'/')
        return p;
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    return p;
}

}  // namespace

DWORD SelectActions(LPCWSTR lpCommandLine)
{
    if (lpCommandLine == nullptr)
        return 0;
    LPCWSTR lpArguments = SkipProgramName(lpCommandLine);
    for (const SetupMode& mode : kSetupModes) {
        if (wcsstr(lpArguments, mode.lpSwitch) != nullptr)
            return mode.dwActions;
    }
    return 0;
}

void RunActions(DWORD dwActions, HINSTANCE hInstance)
{
    WCHAR SchedulerPath[kPathUnits] = {};

    if (dwActions & kActionRegisterAutostart)
        RegisterAutostart(SchedulerPath);
    if (dwActions & kActionLocateBesideProgram)
        LocateSchedulerBesideProgram(hInstance, SchedulerPath);
    if (dwActions & kActionNotifyScheduler)
        NotifySchedulerOfUninstall();
    if ((dwActions & kActionImportSettings) && SchedulerPath[0] != L'\0')
        ImportSettingsFile(SchedulerPath, (dwActions & kActionRegisterAutostart) ? TRUE : FALSE);
    if (dwActions & kActionGrantAccess)
        GrantUsersAccessToProductKey();
    if (dwActions & kActionMarkLegacySystem)
        MarkLegacySystem();
}
