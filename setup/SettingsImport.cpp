// Commit and stand-alone modes: merge the scheduler's settings file into the
// registry with the system's reg.exe; after an installation, once the merge
// has succeeded, remove it.

#include "common/AllowedPath.h"
#include "common/Handles.h"
#include "common/Product.h"
#include "common/RegistryLink.h"
#include "companion/Scheduler.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// TRUE when the file exists and another program is not writing it.
BOOL CanReadSettingsFile(LPCWSTR lpSettingsPath)
{
    UniqueHandle file(CreateFileW(lpSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? TRUE : FALSE;
}

// Merges the file with the system's reg.exe and waits for it to end. TRUE
// only when it ran to its end within the bound and exited with 0, which it
// does only when it imported the file: unlike the registry editor's silent
// mode, it reports a file it could not read. The tool is named by its full
// path in the system folder (never looked for through a search path, nor in
// a per-user Windows folder), and runs there, not in this program's current
// folder, which a user may have chosen.
BOOL ImportWithRegTool(LPCWSTR lpSettingsPath)
{
    WCHAR szSystem[kPathUnits] = {};
    const UINT cchSystem = GetSystemDirectoryW(szSystem, kPathUnits);
    if (cchSystem == 0 || cchSystem >= kPathUnits)
        return FALSE;

    WCHAR szTool[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szTool, kPathUnits, L"%s\\%s", szSystem, kRegToolName)))
        return FALSE;

    WCHAR szCommand[kImportCommandUnits] = {};
    if (FAILED(StringCchPrintfW(szCommand, kImportCommandUnits, kImportCommandFormat, szTool, lpSettingsPath)))
        return FALSE;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    UniqueProcessInformation tool;
    if (!CreateProcessW(szTool, szCommand, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, szSystem, &startup,
                        tool.put()))
        return FALSE;
    if (WaitForSingleObject(tool.process(), kImportTimeoutMs) != WAIT_OBJECT_0)
        return FALSE;
    DWORD dwExitCode = 1;
    return GetExitCodeProcess(tool.process(), &dwExitCode) && dwExitCode == 0;
}

}  // namespace

void ImportSettingsFile(const SchedulerPath& schedulerPath, BOOL bDeleteAfterImport)
{
    if (schedulerPath[0] == L'\0')
        return;
    WCHAR szSettingsPath[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szSettingsPath, kPathUnits, L"%s%s", schedulerPath, kSettingsFileSuffix)))
        return;

    // Only a file inside the product folder is ever merged, or removed.
    if (!IsAllowedPath(szSettingsPath))
        return;

    // A file that is missing, or being written by another program, stays as
    // it is: it has not been read, so it must not be lost.
    if (!CanReadSettingsFile(szSettingsPath))
        return;
    // The file writes under the product key, which users may write: a link
    // planted there would carry its values anywhere in the machine's
    // registry. The file is kept for a run after the link is gone.
    if (!IsKeyTreeFreeOfLinks(HKEY_LOCAL_MACHINE, kProductKey))
        return;
    // A failed import keeps the file: its settings are not lost.
    if (!ImportWithRegTool(szSettingsPath))
        return;

    if (bDeleteAfterImport)
        DeleteFileW(szSettingsPath);
}
