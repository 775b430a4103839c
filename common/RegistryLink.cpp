#include "common/RegistryLink.h"

#include "common/Handles.h"
#include "common/Product.h"

namespace {

// The platform keeps a link's target in this value, of type REG_LINK.
constexpr LPCWSTR kLinkTargetValue = L"SymbolicLinkValue";

// The product's own keys go two levels deep. A user may nest keys without
// end: a tree deeper than this is not walked, and counts as not free.
constexpr int kMaxLinkScanDepth = 16;

BOOL IsSubtreeFreeOfLinks(HKEY hKey, int nDepth)
{
    if (IsRegistryLink(hKey))
        return FALSE;
    for (DWORD dwIndex = 0;; ++dwIndex) {
        WCHAR szName[kSubkeyNameUnits] = {};
        DWORD cchName = kSubkeyNameUnits;
        const LONG lEnum = RegEnumKeyExW(hKey, dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr);
        if (lEnum == ERROR_NO_MORE_ITEMS)
            return TRUE;
        if (lEnum != ERROR_SUCCESS || nDepth >= kMaxLinkScanDepth)
            return FALSE;
        UniqueHKey child;
        if (RegOpenKeyExW(hKey, szName, REG_OPTION_OPEN_LINK, KEY_READ, child.put()) != ERROR_SUCCESS)
            return FALSE;
        if (!IsSubtreeFreeOfLinks(child.get(), nDepth + 1))
            return FALSE;
    }
}

}  // namespace

BOOL IsRegistryLink(HKEY hKey)
{
    DWORD dwType = REG_NONE;
    return RegQueryValueExW(hKey, kLinkTargetValue, nullptr, &dwType, nullptr, nullptr) == ERROR_SUCCESS
           && dwType == REG_LINK;
}

BOOL IsKeyTreeFreeOfLinks(HKEY hRoot, LPCWSTR lpSubkey)
{
    UniqueHKey key;
    const LONG lOpen = RegOpenKeyExW(hRoot, lpSubkey, REG_OPTION_OPEN_LINK, KEY_READ, key.put());
    if (lOpen == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (lOpen != ERROR_SUCCESS)
        return FALSE;
    return IsSubtreeFreeOfLinks(key.get(), 0);
}
