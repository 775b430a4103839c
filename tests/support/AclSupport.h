// Reading and writing the access lists of registry keys in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tbtest {

enum class Trustee { Users, Administrators, Everyone, Other };

struct AceEntry {
    BYTE type;  // ACCESS_ALLOWED_ACE_TYPE or ACCESS_DENIED_ACE_TYPE
    BYTE flags;
    ACCESS_MASK mask;
    Trustee trustee;
    bool operator==(const AceEntry& o) const
    {
        return type == o.type && flags == o.flags && mask == o.mask && trustee == o.trustee;
    }
};

std::string Describe(const std::vector<AceEntry>& dacl);

// The key's access list, entry by entry; empty when it cannot be read.
std::vector<AceEntry> ReadDacl(HKEY root, const std::wstring& subkey);

// Replaces the key's access list with these entries, in this order.
void WriteDacl(HKEY root, const std::wstring& subkey, const std::vector<AceEntry>& dacl);

// Gives the key a null access list (everyone may do anything).
void WriteNullDacl(HKEY root, const std::wstring& subkey);

// What the grant should make of an access list: every access-allowed entry
// for Users widened to full access, everything else as it was.
std::vector<AceEntry> WithUsersWidened(std::vector<AceEntry> dacl);

// Expects a readable access list on which every access-allowed entry for
// Users gives full access.
void ExpectUsersHaveFullAccess(HKEY root, const std::wstring& subkey);

}  // namespace tbtest
