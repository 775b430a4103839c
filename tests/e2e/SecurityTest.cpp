// What a standard user could do with the product key once "/Commit" has
// opened it to the Users group: plant registry links that a later elevated
// run would follow, or rewrite access lists. Keys start with the access list
// that keys under HKEY_LOCAL_MACHINE\SOFTWARE inherit on Windows, and the
// owner an elevated administrator gives them there (Administrators; Wine
// would make a group this test's standard user belongs to their owner).
#include <gtest/gtest.h>

#include <string>

#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr LPCWSTR kWindowsSoftwareSddl = L"O:BAD:AI(A;CIID;KR;;;BU)(A;CIID;KA;;;BA)(A;CIID;KA;;;SY)(A;CIIOID;GA;;;CO)";
constexpr LPCWSTR kVendorKey = L"SOFTWARE\\TAVO";
const std::wstring kEvilKey = std::wstring(kProductKey) + L"\\Evil";
const std::wstring kPlainKey = std::wstring(kProductKey) + L"\\Plain";

class RegistryLinkAttack : public testing::Test {
protected:
    RegistryLinkAttack()
    {
        EXPECT_TRUE(CopyFileW(SetupExePath().c_str(), m_program.path().c_str(), FALSE));
        WriteDword(HKEY_LOCAL_MACHINE, kPlainKey, L"Value", 1);
        for (LPCWSTR key : {kVendorKey, kProductKey, kRunKey})
            WriteSddl(HKEY_LOCAL_MACHINE, key, kWindowsSoftwareSddl);
        WriteSddl(HKEY_LOCAL_MACHINE, kPlainKey, kWindowsSoftwareSddl);
        m_runSddl = ReadSddl(HKEY_LOCAL_MACHINE, kRunKey);
        m_runValues = ReadAllValues(HKEY_LOCAL_MACHINE, kRunKey);
    }

    // Runs a mode the way an installer would, from the product folder.
    void RunMode(const std::wstring& mode)
    {
        EXPECT_EQ(0u, RunSetup(mode, m_program.path()).exitCode);
    }

    // The Run key as the test found it: same access list, same values, the
    // product's own Run value aside.
    void ExpectRunKeyUntouched() const
    {
        EXPECT_EQ(m_runSddl, ReadSddl(HKEY_LOCAL_MACHINE, kRunKey));
        std::map<std::wstring, RegValue> values = ReadAllValues(HKEY_LOCAL_MACHINE, kRunKey);
        values.erase(kRunValueName);
        EXPECT_EQ(m_runValues, values);
        EXPECT_FALSE(values.count(kImportedValueName));
    }

    ScopedKeyAside m_vendor{HKEY_LOCAL_MACHINE, kVendorKey};
    SimulatedInstallation m_install;
    ScopedKeySecurity m_runSecurity{HKEY_LOCAL_MACHINE, kRunKey};
    ScopedFile m_program{std::wstring(kProductFolder) + L"\\tbSetup.exe"};
    std::wstring m_runSddl;
    std::map<std::wstring, RegValue> m_runValues;
};

TEST_F(RegistryLinkAttack, ALinkAmongTheSubkeysIsNeverFollowed)
{
    // A link planted while an earlier version left Users full control.
    ScopedRegistryLink evil(kEvilKey, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    for (const wchar_t* mode : {L"/Commit", L"/StandAlone"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode)));
        RunMode(mode);

        ExpectRunKeyUntouched();
        // The ordinary subkey is granted; the import waits for the link to go.
        ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kPlainKey);
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName).has_value());
        EXPECT_TRUE(FileExists(m_install.settingsPath()));
    }
}

TEST_F(RegistryLinkAttack, ASettingsKeyReplacedByALinkReceivesNothing)
{
    RunMode(L"/Commit");
    ASSERT_EQ(DwordValue(kImportedValue), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName));

    // The user replaces the key the settings file writes; a repair or a new
    // version brings the settings file again.
    DeleteTree(HKEY_LOCAL_MACHINE, kImportedSubkey);
    ScopedRegistryLink settings(kImportedSubkey, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    WriteSettingsFile(m_install.settingsPath(), kImportedSubkey, {{kImportedValueName, kImportedValue}});

    RunMode(L"/Commit");

    ExpectRunKeyUntouched();
    EXPECT_TRUE(FileExists(m_install.settingsPath()));
}

TEST_F(RegistryLinkAttack, AProductKeyThatIsALinkGetsNothing)
{
    DeleteTree(HKEY_LOCAL_MACHINE, kProductKey);
    ScopedRegistryLink product(kProductKey, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    RunMode(L"/Commit");

    ExpectRunKeyUntouched();
    EXPECT_TRUE(FileExists(m_install.settingsPath()));
}

TEST_F(RegistryLinkAttack, AfterCommitAUserCanWriteButNotPlantLinksOrRewriteAccess)
{
    RunMode(L"/Commit");

    struct AccessCase {
        const char* name;
        REGSAM access;
        LONG expected;
    };
    const AccessCase cases[] = {
        {"read, write, create and delete", KEY_READ | KEY_WRITE | DELETE, ERROR_SUCCESS},
        {"plant a link", KEY_CREATE_LINK, ERROR_ACCESS_DENIED},
        {"rewrite the access list", WRITE_DAC, ERROR_ACCESS_DENIED},
        {"take ownership", WRITE_OWNER, ERROR_ACCESS_DENIED},
    };
    // Keys with the access list Windows gives them (Wine gives a key it
    // creates, such as the imported one, no inherited entries).
    for (const std::wstring& key : {std::wstring(kProductKey), kPlainKey}) {
        for (const AccessCase& c : cases) {
            SCOPED_TRACE(testing::PrintToString(key) + ": " + c.name);
            ScopedStandardUser user;
            UniqueHKey opened;
            EXPECT_EQ(c.expected, RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, c.access, opened.put()));
        }
    }
}

}  // namespace
