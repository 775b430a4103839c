// Commit and stand-alone modes: merge the scheduler's settings file into the
// registry with the system registry editor; after an installation, remove it.

#include "common/AllowedPath.h"
#include "common/Handles.h"
#include "common/Product.h"
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

// Runs the registry editor silently on the file and waits for it to end.
// TRUE only when the editor ran to its end within the bound. The editor is
// named by its full path in the Windows folder, never looked for through the
// search path, which an elevated program must not trust.
BOOL RunRegistryEditor(LPCWSTR lpSettingsPath)
{
    WCHAR szWindows[kPathUnits] = {};
    const UINT cchWindows = GetWindowsDirectoryW(szWindows, kPathUnits);
    if (cchWindows == 0 || cchWindows >= kPathUnits)
        return FALSE;

    WCHAR szEditor[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szEditor, kPathUnits, L"%s\\%s", szWindows, kRegistryEditorName)))
        return FALSE;

    WCHAR szCommand[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szCommand, kPathUnits, kImportCommandFormat, szEditor, lpSettingsPath)))
        return FALSE;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(szEditor, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return FALSE;
    UniqueHandle editor(process.hProcess);
    UniqueHandle editorThread(process.hThread);

    return WaitForSingleObject(editor.get(), kImportTimeoutMs) == WAIT_OBJECT_0;
}

}  // namespace

void ImportSettingsFile(LPCWSTR lpSchedulerPath, BOOL bDeleteAfterImport)
{
    WCHAR szSettingsPath[kPathUnits] = {};
    if (FAILED(StringCchPrintfW(szSettingsPath, kPathUnits, L"%s%s", lpSchedulerPath, kSettingsFileSuffix)))
        return;

    // Only a file inside the product folder is ever merged, or removed.
    if (!IsAllowedPath(szSettingsPath))
        return;

    // A file that is missing, or being written by another program, stays as
    // it is: it has not been read, so it must not be lost.
    if (!CanReadSettingsFile(szSettingsPath))
        return;
    if (!RunRegistryEditor(szSettingsPath))
        return;

    if (bDeleteAfterImport)
        DeleteFileW(szSettingsPath);
}
