#include "setup/Setup.h"

#include <wchar.h>

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

ActionFlags SelectActions(LPCWSTR lpCommandLine)
{
    if (lpCommandLine == nullptr)
        return ActionFlags::None;
    LPCWSTR lpArguments = SkipProgramName(lpCommandLine);
    for (const SetupMode& mode : kSetupModes) {
        if (wcsstr(lpArguments, mode.lpSwitch) != nullptr)
            return mode.actions;
    }
    return ActionFlags::None;
}

void RunActions(ActionFlags actions, HINSTANCE hInstance)
{
    SchedulerPath schedulerPath = {};

    if (HasAction(actions, ActionFlags::RegisterAutostart)) {
        FindSchedulerThroughAppPaths(schedulerPath);
        RegisterAutostart(schedulerPath);
    }
    if (HasAction(actions, ActionFlags::LocateBesideProgram))
        LocateSchedulerBesideProgram(hInstance, schedulerPath);
    if (HasAction(actions, ActionFlags::NotifyScheduler))
        NotifySchedulerOfUninstall();
    if (HasAction(actions, ActionFlags::ImportSettings)) {
        // Only an installation's commit removes the file once it is merged.
        const BOOL bDeleteAfterImport = HasAction(actions, ActionFlags::RegisterAutostart);
        ImportSettingsFile(schedulerPath, bDeleteAfterImport);
    }
    if (HasAction(actions, ActionFlags::GrantAccess))
        GrantUsersAccessToProductKey();
    if (HasAction(actions, ActionFlags::MarkLegacySystem))
        MarkLegacySystem();
}
