#include "common/MachineEnvironment.h"

#include <wchar.h>

#include "common/Handles.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// The value of a variable in an environment block ("NAME=value\0...\0\0"),
// or nullptr when the block does not define it.
LPCWSTR FindVariable(LPCWSTR lpBlock, LPCWSTR lpName, size_t cchName)
{
    for (LPCWSTR lpEntry = lpBlock; *lpEntry != L'\0'; lpEntry += wcslen(lpEntry) + 1) {
        if (CompareStringOrdinal(lpEntry, static_cast<int>(wcsnlen(lpEntry, cchName)), lpName,
                                 static_cast<int>(cchName), TRUE)
                == CSTR_EQUAL
            && lpEntry[cchName] == L'=')
            return lpEntry + cchName + 1;
    }
    return nullptr;
}

// Appends cchText units of lpText at the output's end, moving the end on.
HRESULT Append(LPWSTR& lpEnd, size_t& cchRemaining, LPCWSTR lpText, size_t cchText)
{
    return StringCchCopyNExW(lpEnd, cchRemaining, lpText, cchText, &lpEnd, &cchRemaining, 0);
}

}  // namespace

BOOL ExpandMachineEnvironmentStrings(LPCWSTR lpSource, LPWSTR lpOut, size_t cchOut)
{
    if (lpSource == nullptr || lpOut == nullptr || cchOut == 0)
        return FALSE;
    lpOut[0] = L'\0';

    // Without a token, the block holds the system's variables only.
    UniqueEnvironmentBlock block;
    LPVOID pBlock = nullptr;
    if (!CreateEnvironmentBlock(&pBlock, nullptr, FALSE))
        return FALSE;
    block.reset(pBlock);

    LPWSTR lpEnd = lpOut;
    size_t cchRemaining = cchOut;
    HRESULT hr = S_OK;
    LPCWSTR p = lpSource;
    while (*p != L'\0' && SUCCEEDED(hr)) {
        LPCWSTR lpClose = (*p == L'%') ? wcschr(p + 1, L'%') : nullptr;
        if (lpClose == nullptr) {
            // Plain text up to the next percent sign (or a lone one).
            const LPCWSTR lpNext = wcschr(p + 1, L'%');
            const size_t cchText = (lpNext != nullptr) ? static_cast<size_t>(lpNext - p) : wcslen(p);
            hr = Append(lpEnd, cchRemaining, p, cchText);
            p += cchText;
            continue;
        }
        const size_t cchName = static_cast<size_t>(lpClose - p - 1);
        LPCWSTR lpValue =
            (cchName > 0) ? FindVariable(static_cast<LPCWSTR>(block.get()), p + 1, cchName) : nullptr;
        if (lpValue != nullptr)
            hr = Append(lpEnd, cchRemaining, lpValue, wcslen(lpValue));
        else
            hr = Append(lpEnd, cchRemaining, p, cchName + 2);
        p = lpClose + 1;
    }
    if (FAILED(hr)) {
        lpOut[0] = L'\0';
        return FALSE;
    }
    return TRUE;
}
