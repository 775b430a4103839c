// Reading and writing the access lists of registry keys in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tbtest {

enum class Trustee { Users, Administrators, System, CreatorOwner, Everyone, Other };

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

// What the grant gives Users: read, write, create and delete (0x3001F); and
// what it never leaves them: link, access-list, owner and generic-all rights.
inline constexpr ACCESS_MASK kUsersModify = 0x3001F;
inline constexpr ACCESS_MASK kUsersWithheld = KEY_CREATE_LINK | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// Expects a readable access list with at least one access-allowed entry for
// Users, every one of which gives modify rights and none of the withheld ones.
void ExpectUsersHaveModifyAccess(HKEY root, const std::wstring& subkey);

// The key's owner and access list as SDDL text ("O:...D:..."); empty when
// they cannot be read.
std::wstring ReadSddl(HKEY root, const std::wstring& subkey);
// Replaces the key's owner and access list with those the SDDL text gives.
void WriteSddl(HKEY root, const std::wstring& subkey, const std::wstring& sddl);

// Puts a key's owner and access list back as they were when the test ends.
class ScopedKeySecurity {
public:
    ScopedKeySecurity(HKEY root, std::wstring subkey);
    ~ScopedKeySecurity();
    ScopedKeySecurity(const ScopedKeySecurity&) = delete;
    ScopedKeySecurity& operator=(const ScopedKeySecurity&) = delete;

private:
    HKEY m_root;
    std::wstring m_subkey;
    std::wstring m_saved;
};

// Stands in for a standard user on this thread while it lives: a copy of the
// process token in which Administrators is deny-only, without privileges.
class ScopedStandardUser {
public:
    ScopedStandardUser();
    ~ScopedStandardUser();
    ScopedStandardUser(const ScopedStandardUser&) = delete;
    ScopedStandardUser& operator=(const ScopedStandardUser&) = delete;
};

}  // namespace tbtest
