#include "common/AllowedPath.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <wchar.h>

#include "common/Log.h"
#include "common/Product.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// Resolves a path against the current directory into a kPathUnits buffer,
// falling back to the text as it stands when the platform cannot resolve it.
// FALSE when the resolved path does not fit (the platform then answers the
// size it needs and fills nothing), or when even the fall-back fails.
BOOL ResolveFullPath(LPCWSTR lpszPath, LPWSTR lpszFull)
{
    const DWORD cchFull = GetFullPathNameW(lpszPath, kPathUnits, lpszFull, nullptr);
    if (cchFull >= kPathUnits)
        return FALSE;
    if (cchFull != 0)
        return TRUE;
    return SUCCEEDED(StringCchCopyNW(lpszFull, kPathUnits, lpszPath, kPathUnits));
}

BOOL IsPathSeparator(WCHAR ch)
{
    return (ch == L'\\' || ch == L'/') ? TRUE : FALSE;
}

}  // namespace

BOOL IsAllowedPath(LPCWSTR lpszPath)
{
    if (lpszPath == nullptr) {
        ReportNullArgument(L"IsAllowedPath", __LINE__, L"lpszPath");
        return FALSE;
    }

    WCHAR szProgramFiles[kPathUnits] = {};
    WCHAR szProductFolder[kPathUnits] = {};
    if (!SHGetSpecialFolderPathW(nullptr, szProgramFiles, CSIDL_PROGRAM_FILES, FALSE)
        || PathCombineW(szProductFolder, szProgramFiles, kProductFolderName) == nullptr) {
        if (FAILED(StringCchCopyNW(szProductFolder, kPathUnits, kDefaultProductFolder, kPathUnits)))
            return FALSE;
    }

    WCHAR szFullFolder[kPathUnits] = {};
    WCHAR szFullPath[kPathUnits] = {};
    if (!ResolveFullPath(szProductFolder, szFullFolder) || !ResolveFullPath(lpszPath, szFullPath))
        return FALSE;

    // The folder is compared as resolved, over the length it has resolved.
    size_t cchFolder = 0;
    if (FAILED(StringCchLengthW(szFullFolder, kPathUnits, &cchFolder)))
        return FALSE;

    if (_wcsnicmp(szFullFolder, szFullPath, cchFolder) != 0)
        return FALSE;

    // The folder's name must end where the match ends: "TAVOBattOld" beside
    // the product folder is another folder.
    const WCHAR chNext = szFullPath[cchFolder];
    return chNext == L'\0' || IsPathSeparator(chNext);
}
