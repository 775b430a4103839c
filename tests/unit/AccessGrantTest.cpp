// GrantUsersFullControl on one key's access list.
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
    DWORD expectedResult;
};

TEST_F(AccessGrantTest, WidensOnlyTheEntriesThatAllowUsers)
{
    std::vector<AceEntry> many;  // a descriptor larger than the first read offers
    for (int i = 0; i < 16; ++i)
        many.push_back(Allow(Trustee::Administrators, KEY_READ + i));
    many.push_back(Allow(Trustee::Users, KEY_READ));

    const GrantCase cases[] = {
        {"the default for a new key", {Allow(Trustee::Users, GENERIC_READ, kInheritOnly),
                                       Allow(Trustee::Administrators, KEY_ALL_ACCESS)}, ERROR_SUCCESS},
        {"no entry for Users", {Allow(Trustee::Administrators, KEY_ALL_ACCESS), Allow(Trustee::Everyone, KEY_READ)},
         ERROR_NOT_FOUND},
        {"two entries for Users", {Allow(Trustee::Users, KEY_READ), Allow(Trustee::Administrators, KEY_ALL_ACCESS),
                                   Allow(Trustee::Users, KEY_SET_VALUE, kInheritOnly)}, ERROR_SUCCESS},
        {"a deny entry for Users", {Deny(Trustee::Users, SYNCHRONIZE), Allow(Trustee::Users, KEY_READ),
                                    Allow(Trustee::Administrators, KEY_ALL_ACCESS)}, ERROR_SUCCESS},
        {"an inherit-only deny entry", {Deny(Trustee::Users, KEY_SET_VALUE, kInheritOnly),
                                        Allow(Trustee::Administrators, KEY_ALL_ACCESS)}, ERROR_NOT_FOUND},
        {"an inherited entry", {Allow(Trustee::Users, KEY_READ, INHERITED_ACE | CONTAINER_INHERIT_ACE),
                                Allow(Trustee::Administrators, KEY_ALL_ACCESS)}, ERROR_SUCCESS},
        {"a list larger than the first read", many, ERROR_SUCCESS},
    };
    // Every list keeps full access for Administrators: this test program
    // must be able to open the key again.
    for (const GrantCase& c : cases) {
        SCOPED_TRACE(c.name);
        tbtest::WriteDacl(HKEY_LOCAL_MACHINE, kKey, c.before);
        ASSERT_EQ(c.before, tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey));

        EXPECT_EQ(c.expectedResult, Grant());
        const std::vector<AceEntry> once = tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey);
        EXPECT_EQ(tbtest::WithUsersWidened(c.before), once) << tbtest::Describe(once);

        // Granting again changes nothing more.
        EXPECT_EQ(c.expectedResult, Grant());
        EXPECT_EQ(once, tbtest::ReadDacl(HKEY_LOCAL_MACHINE, kKey));
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
