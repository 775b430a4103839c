// The driver's mode table and the setup actions it runs.
//
// The installer runs the program with one switch: "/Commit" when an
// installation is completed, "/Uninstall" when the product is removed,
// "/StandAlone" for a run from the product folder outside an installation.
// Each switch selects a set of actions, run once each in a fixed order.
// Actions report nothing: each ends quietly on failure and the next one runs.
#pragma once

#include <windows.h>

// One bit per action. The values are internal to the process.
enum ActionFlag : DWORD {
    kActionImportSettings = 0x2,        // merge the scheduler's settings file
    kActionRegisterAutostart = 0x4,     // App Paths lookup, Run value; delete the settings file after import
    kActionGrantAccess = 0x20,          // Users get full access to the product key and its direct subkeys
    kActionLocateBesideProgram = 0x400, // scheduler path from this program's own folder
    kActionNotifyScheduler = 0x1000,    // make sure the scheduler runs and send it the uninstall notice
    kActionMarkLegacySystem = 0x2000,   // "Limited" = 1 on Windows XP
};

struct SetupMode {
    LPCWSTR lpSwitch;
    DWORD dwActions;
};

// Looked for in this order; the first switch found wins.
inline constexpr SetupMode kSetupModes[] = {
    {L"/Commit", kActionRegisterAutostart | kActionImportSettings | kActionGrantAccess | kActionMarkLegacySystem},
    {L"/Uninstall", kActionNotifyScheduler},
    {L"/StandAlone", kActionLocateBesideProgram | kActionImportSettings | kActionGrantAccess},
};

// The actions selected by a full command line. The program name that leads
// it is skipped (quoted or not, as the platform splits it), so a path that
// happens to contain a switch never selects a mode; a line that starts with
// '/' has no program name. The switches are then case-sensitive substrings
// of the rest.
[[nodiscard]] DWORD SelectActions(LPCWSTR lpCommandLine);

// Limits the libraries this process loads by name, from now on, to the
// system folder: neither the current folder nor the program's own folder is
// searched. Does nothing where the platform lacks the call.
void RestrictLibrarySearchToSystemFolder();

// Runs the flagged actions in their fixed order.
void RunActions(DWORD dwActions, HINSTANCE hInstance);

// The actions. lpSchedulerPath is the driver's kPathUnits buffer; empty means
// that no scheduler path is known.
void RegisterAutostart(LPWSTR lpSchedulerPath);
void LocateSchedulerBesideProgram(HINSTANCE hInstance, LPWSTR lpSchedulerPath);
void NotifySchedulerOfUninstall();
void ImportSettingsFile(LPCWSTR lpSchedulerPath, BOOL bDeleteAfterImport);
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
HRESULT SetRegLimited(DWORD dwValue);
