// Commit and stand-alone modes: let processes without elevation write the
// product key, by setting the Users group's existing access entries on the
// key and on each direct subkey to modify rights. No entry is ever added,
// and no registry link is ever followed.
#include "common/Handles.h"
#include "common/Product.h"
#include "common/RegistryLink.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

namespace {

// Reads the key's access list into a process-heap block, growing it once to
// the size the platform asks for.
DWORD ReadKeyDacl(HKEY hKey, UniqueHeapBlock& descriptor)
{
    HANDLE hHeap = GetProcessHeap();
    if (hHeap == nullptr)
        return GetLastError();

    DWORD cbDescriptor = kInitialDescriptorBytes;
    descriptor.reset(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, cbDescriptor));
    if (!descriptor)
        return ERROR_NOT_ENOUGH_MEMORY;

    LONG lResult = RegGetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor.get(), &cbDescriptor);
    if (lResult == ERROR_INSUFFICIENT_BUFFER) {
        LPVOID grown = HeapReAlloc(hHeap, HEAP_ZERO_MEMORY, descriptor.get(), cbDescriptor);
        if (grown == nullptr)
            return ERROR_NOT_ENOUGH_MEMORY;
        static_cast<void>(descriptor.release());
        descriptor.reset(grown);
        lResult = RegGetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor.get(), &cbDescriptor);
    }
    return static_cast<DWORD>(lResult);
}

// What the Users group is found with in the access list.
enum class UsersEntries { None, AlreadyModifyOnly, Changed };

// Gives every access-allowed entry for Users modify rights, and no more:
// rights an earlier version granted beyond them are taken back. Deny
// entries stay as they are: widening one would lock Users out.
UsersEntries SetUsersEntriesToModify(PACL pDacl, DWORD dwAceCount, PSID pUsersSid)
{
    UsersEntries found = UsersEntries::None;
    for (DWORD i = 0; i < dwAceCount; ++i) {
        LPVOID pAce = nullptr;
        if (!GetAce(pDacl, i, &pAce))
            continue;
        auto* pHeader = static_cast<ACE_HEADER*>(pAce);
        if (pHeader->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* pAllowed = static_cast<ACCESS_ALLOWED_ACE*>(pAce);
        if (!EqualSid(&pAllowed->SidStart, pUsersSid))
            continue;
        const ACCESS_MASK newMask = (pAllowed->Mask | kUsersModifyAccess) & ~kUsersWithheldAccess;
        if (newMask != pAllowed->Mask) {
            pAllowed->Mask = newMask;
            found = UsersEntries::Changed;
        } else if (found == UsersEntries::None) {
            found = UsersEntries::AlreadyModifyOnly;
        }
    }
    return found;
}

}  // namespace

DWORD GrantUsersFullControl(HKEY hKey)
{
    UniqueHeapBlock descriptor;
    const DWORD dwRead = ReadKeyDacl(hKey, descriptor);
    if (dwRead != ERROR_SUCCESS)
        return dwRead;

    BOOL bPresent = FALSE;
    BOOL bDefaulted = FALSE;
    PACL pDacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &bPresent, &pDacl, &bDefaulted))
        return GetLastError();
    if (!bPresent || pDacl == nullptr)
        return ERROR_NOT_FOUND;

    ACL_SIZE_INFORMATION aclSize = {};
    if (!GetAclInformation(pDacl, &aclSize, sizeof(aclSize), AclSizeInformation))
        return GetLastError();

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid usersSid;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0,
                                  0, 0, usersSid.put()))
        return GetLastError();

    switch (SetUsersEntriesToModify(pDacl, aclSize.AceCount, usersSid.get())) {
    case UsersEntries::None:
        return ERROR_NOT_FOUND;
    case UsersEntries::AlreadyModifyOnly:
        return ERROR_SUCCESS;
    case UsersEntries::Changed:
        break;
    }
    return static_cast<DWORD>(RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor.get()));
}

void GrantUsersAccessToProductKey()
{
    // Neither the product key nor a subkey is opened through a link: a link
    // there was planted by a user, and its target gets nothing.
    UniqueHKey product;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK,
                        KEY_ALL_ACCESS, nullptr, product.put(), nullptr)
        != ERROR_SUCCESS)
        return;
    if (IsRegistryLink(product.get()))
        return;

    static_cast<void>(GrantUsersFullControl(product.get()));

    // Direct subkeys only; the walk ends at the first enumeration that fails.
    for (DWORD dwIndex = 0;; ++dwIndex) {
        WCHAR szName[kSubkeyNameUnits] = {};
        DWORD cchName = kSubkeyNameUnits;
        if (RegEnumKeyExW(product.get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        UniqueHKey child;
        if (RegOpenKeyExW(product.get(), szName, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, child.put()) == ERROR_SUCCESS
            && !IsRegistryLink(child.get()))
            static_cast<void>(GrantUsersFullControl(child.get()));
    }
}
