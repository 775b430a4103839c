// GrantUsersFullControl on one key's access list: literal lists before and after.
#include <gtest/gtest.h>

#include "common/Handles.h"
#include "setup/Setup.h"
#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using tbtest::AceEntry;
using tbtest::Trustee;

constexpr LPCWSTR kKey = L"SOFTWARE\\TAVOBattTests\\Grant";
constexpr BYTE kInheritOnly = CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE;

constexpr AceEntry Allow(Trustee trustee, ACCESS_MASK mask, BYTE flags = 0)
{
    return {ACCESS_ALLOWED_ACE_TYPE, flags, mask, trustee};
}
constexpr AceEntry Deny(Trustee trustee, ACCESS_MASK mask, BYTE flags = 0)
{
    return {ACCESS_DENIED_ACE_TYPE, flags, mask, trustee};
}

class AccessGrantTest : public testing::Test {
protected:
    AccessGrantTest() { tbtest::WriteDword(HKEY_LOCAL_MACHINE, kKey, L"Value", 1); }

    DWORD Grant()
    {
        UniqueHKey key;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, key.put()));
        return GrantUsersFullControl(key.get());
    }

    tbtest::ScopedKeyAside m_scratch{HKEY_LOCAL_MACHINE, kKey};
};

struct GrantCase {
    const char* name;
    std::vector<AceEntry> before;
    std::vector<AceEntry> after;
    DWORD expectedResult;
};

TEST_F(AccessGrantTest, GivesEveryEntryThatAllowsUsersModifyRightsAndNoMore)
{
    constexpr BYTE kInherited = INHERITED_ACE | CONTAINER_INHERIT_ACE;
    const AceEntry admins = Allow(Trustee::Administrators, KEY_ALL_ACCESS);

    std::vector<AceEntry> many;  // a descriptor larger than the first read offers
    for (int i = 0; i < 16; ++i)
        many.push_back(Allow(Trustee::Administrators, KEY_READ + i));
    std::vector<AceEntry> manyAfter = many;
    many.push_back(Allow(Trustee::Users, KEY_READ));
    manyAfter.push_back(Allow(Trustee::Users, 0x3001F));

    const GrantCase cases[] = {
        {"what keys under SOFTWARE inherit on Windows",
         {Allow(Trustee::Users, KEY_READ, kInherited), Allow(Trustee::Administrators, KEY_ALL_ACCESS, kInherited),
          Allow(Trustee::System, KEY_ALL_ACCESS, kInherited),
          Allow(Trustee::CreatorOwner, GENERIC_ALL, kInherited | INHERIT_ONLY_ACE)},
         {Allow(Trustee::Users, 0x3001F, kInherited), Allow(Trustee::Administrators, KEY_ALL_ACCESS, kInherited),
          Allow(Trustee::System, KEY_ALL_ACCESS, kInherited),
          Allow(Trustee::CreatorOwner, GENERIC_ALL, kInherited | INHERIT_ONLY_ACE)},
         ERROR_SUCCESS},
        {"full control left by an earlier version", {Allow(Trustee::Users, 0xF003F), admins},
         {Allow(Trustee::Users, 0x3001F), admins}, ERROR_SUCCESS},
        {"generic all", {Allow(Trustee::Users, GENERIC_ALL), admins}, {Allow(Trustee::Users, 0x3001F), admins},
         ERROR_SUCCESS},
        {"inherit-only generic read (Wine's default for a new key)",
         {Allow(Trustee::Users, GENERIC_READ, kInheritOnly), admins},
         {Allow(Trustee::Users, 0x8003001F, kInheritOnly), admins}, ERROR_SUCCESS},
        {"a deny entry for Users", {Deny(Trustee::Users, SYNCHRONIZE), Allow(Trustee::Users, KEY_READ), admins},
         {Deny(Trustee::Users, SYNCHRONIZE), Allow(Trustee::Users, 0x3001F), admins}, ERROR_SUCCESS},
        {"an inherit-only deny entry", {Deny(Trustee::Users, KEY_SET_VALUE, kInheritOnly), admins},
         {Deny(Trustee::Users, KEY_SET_VALUE, kInheritOnly), admins}, ERROR_NOT_FOUND},
        {"no entry for Users", {admins, Allow(Trustee::Everyone, KEY_READ)}, {admins, Allow(Trustee::Everyone, KEY_READ)},
         ERROR_NOT_FOUND},
        {"two entries for Users",
         {Allow(Trustee::Users, KEY_READ), admins, Allow(Trustee::Users, KEY_SET_VALUE, kInheritOnly)},
         {Allow(Trustee::Users, 0x3001F), admins, Allow(Trustee::Users, 0x3001F, kInheritOnly)}, ERROR_SUCCESS},
        {"modify rights already", {Allow(Trustee::Users, 0x3001F), admins}, {Allow(Trustee::Users, 0x3001F), admins},
         ERROR_SUCCESS},
        {"a list larger than the first read", many, manyAfter, ERROR_SUCCESS},
    };
    // Every list keeps full access for Administrators: this test program
    // must be able to open the key again.
    for (const GrantCase& c : cases) {
        SCOPED_TRACE(c.name);
        tbtest::WriteDacl(HKEY_LOCAL_MACHINE, kKey, c.before);
        ASSERT_EQ(c.before, tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey));

        EXPECT_EQ(c.expectedResult, Grant());
        const std::vector<AceEntry> once = tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey);
        EXPECT_EQ(c.after, once) << tbtest::Describe(once);

        // Granting again changes nothing more.
        EXPECT_EQ(c.expectedResult, Grant());
        EXPECT_EQ(c.after, tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey));
    }
}

TEST_F(AccessGrantTest, AKeyWithoutAnAccessListIsNotFound)
{
    tbtest::WriteNullDacl(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), Grant());
}

TEST_F(AccessGrantTest, AKeyWhoseListCannotBeReadReportsWhy)
{
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, key.put()));
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GrantUsersFullControl(key.get()));
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GrantUsersFullControl(nullptr));
}

}  // namespace
