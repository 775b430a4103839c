// The driver's mode table and the setup actions it runs.
//
// The installer runs the program with one switch: "/Commit" when an
// installation is completed, "/Uninstall" when the product is removed,
// "/StandAlone" for a run from the product folder outside an installation.
// Each switch selects a set of actions, run once each in a fixed order.
// Actions report nothing: each ends quietly on failure and the next one runs.
#pragma once

#include <windows.h>

#include "common/Product.h"

// Results of the program's own helpers: a BOOL, TRUE when the helper did
// what its name says (or, for a question, when the answer is yes). Where a
// contract says otherwise it says so: CReg returns HRESULTs, the grant Win32
// error codes. The actions themselves return nothing.

// One bit per action, in the order the driver runs them. The values are
// internal to the process.
enum class ActionFlags : DWORD {
    None = 0,
    RegisterAutostart = 1u << 0,    // App Paths lookup, Run value; delete the settings file after import
    LocateBesideProgram = 1u << 1,  // scheduler path from this program's own folder
    NotifyScheduler = 1u << 2,      // make sure the scheduler runs and send it the uninstall notice
    ImportSettings = 1u << 3,       // merge the scheduler's settings file
    GrantAccess = 1u << 4,          // Users get modify rights on the product key and its direct subkeys
    MarkLegacySystem = 1u << 5,     // "Limited" = 1 on Windows XP
};

constexpr ActionFlags operator|(ActionFlags a, ActionFlags b)
{
    return static_cast<ActionFlags>(static_cast<DWORD>(a) | static_cast<DWORD>(b));
}

// TRUE when the set holds the action.
constexpr BOOL HasAction(ActionFlags set, ActionFlags action)
{
    return (static_cast<DWORD>(set) & static_cast<DWORD>(action)) != 0 ? TRUE : FALSE;
}

struct SetupMode {
    LPCWSTR lpSwitch;
    ActionFlags actions;
};

// Looked for in this order; the first switch found wins.
inline constexpr SetupMode kSetupModes[] = {
    {L"/Commit", ActionFlags::RegisterAutostart | ActionFlags::ImportSettings | ActionFlags::GrantAccess
                     | ActionFlags::MarkLegacySystem},
    {L"/Uninstall", ActionFlags::NotifyScheduler},
    {L"/StandAlone", ActionFlags::LocateBesideProgram | ActionFlags::ImportSettings | ActionFlags::GrantAccess},
};

// The scheduler executable's full path, owned by the driver for the whole
// run: filled by the App Paths lookup or the own-folder lookup, read by the
// import. An empty string means that no path is known.
using SchedulerPath = WCHAR[kPathUnits];

// The actions selected by a full command line. The program name that leads
// it is skipped (quoted or not, as the platform splits it), so a path that
// happens to contain a switch never selects a mode; a line that starts with
// '/' has no program name. The switches are then case-sensitive substrings
// of the rest.
[[nodiscard]] ActionFlags SelectActions(LPCWSTR lpCommandLine);

// Limits the libraries this process loads by name, from now on, to the
// system folder: neither the current folder nor the program's own folder is
// searched. Does nothing where the platform lacks the call.
void RestrictLibrarySearchToSystemFolder();

// Runs the flagged actions in their fixed order.
void RunActions(ActionFlags actions, HINSTANCE hInstance);

// The actions, in the order the driver runs them. A lookup that finds
// nothing leaves the path empty; the others do nothing with an empty path.
void FindSchedulerThroughAppPaths(SchedulerPath& schedulerPath);
void RegisterAutostart(const SchedulerPath& schedulerPath);
void LocateSchedulerBesideProgram(HINSTANCE hInstance, SchedulerPath& schedulerPath);
void NotifySchedulerOfUninstall();
void ImportSettingsFile(const SchedulerPath& schedulerPath, BOOL bDeleteAfterImport);
void GrantUsersAccessToProductKey();
void MarkLegacySystem();

// Sets every access-allowed entry for the Users group in the key's access
// list to modify rights (read, write, create and delete; never link, access
// list or owner rights), writing the list back once if anything changed.
// The name is the one installers' scripts and earlier versions know; "full"
// control it no longer is. Returns a Win32 error code: ERROR_NOT_FOUND when
// no entry allows Users anything.
[[nodiscard]] DWORD GrantUsersFullControl(HKEY hKey);

// TRUE exactly when the system reports version 5.1 (Windows XP).
[[nodiscard]] BOOL IsWinXP();

// Writes DWORD "Limited" under the product key.
[[nodiscard]] HRESULT SetRegLimited(DWORD dwValue);
