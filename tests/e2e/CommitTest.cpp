// "/Commit" and "/StandAlone" as an installer runs them: every action's
// result on a simulated installation, and the legacy flag per system version.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr BYTE kInheritOnly = CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE;
constexpr AceEntry kAdminsFull = {ACCESS_ALLOWED_ACE_TYPE, 0, KEY_ALL_ACCESS, Trustee::Administrators};
constexpr AceEntry kUsersRead = {ACCESS_ALLOWED_ACE_TYPE, 0, KEY_READ, Trustee::Users};
constexpr AceEntry kUsersModifyEntry = {ACCESS_ALLOWED_ACE_TYPE, 0, 0x3001F, Trustee::Users};

std::wstring Child(const std::wstring& name)
{
    return std::wstring(kProductKey) + L"\\" + name;
}

// Direct subkeys of the product key, each with an access list of its own and
// the list the grant must leave, and a grandchild that must never change.
struct ChildCase {
    std::wstring name;
    std::vector<AceEntry> before;
    std::vector<AceEntry> after;
};
const std::vector<ChildCase>& ProductChildren()
{
    static const std::vector<ChildCase> children = {
        // The longest name the registry allows, enumerated first.
        {std::wstring(255, L'A'), {kUsersRead, kAdminsFull}, {kUsersModifyEntry, kAdminsFull}},
        {L"Deny", {{ACCESS_DENIED_ACE_TYPE, 0, SYNCHRONIZE, Trustee::Users}, kUsersRead, kAdminsFull},
         {{ACCESS_DENIED_ACE_TYPE, 0, SYNCHRONIZE, Trustee::Users}, kUsersModifyEntry, kAdminsFull}},
        {L"InheritOnly", {{ACCESS_ALLOWED_ACE_TYPE, kInheritOnly, KEY_READ, Trustee::Users}, kAdminsFull},
         {{ACCESS_ALLOWED_ACE_TYPE, kInheritOnly, 0x3001F, Trustee::Users}, kAdminsFull}},
        {L"NoUsers", {kAdminsFull, {ACCESS_ALLOWED_ACE_TYPE, 0, KEY_READ, Trustee::Everyone}},
         {kAdminsFull, {ACCESS_ALLOWED_ACE_TYPE, 0, KEY_READ, Trustee::Everyone}}},
        {L"TwoUsers", {kUsersRead, kAdminsFull, {ACCESS_ALLOWED_ACE_TYPE, 0, KEY_NOTIFY, Trustee::Users}},
         {kUsersModifyEntry, kAdminsFull, kUsersModifyEntry}},
        {L"Z", {kUsersRead, kAdminsFull}, {kUsersModifyEntry, kAdminsFull}},
    };
    return children;
}
const std::wstring kGrandchild = Child(L"Z\\Deeper");

void MakeProductTree()
{
    for (const ChildCase& child : ProductChildren()) {
        WriteDword(HKEY_LOCAL_MACHINE, Child(child.name), L"Value", 1);
        WriteDacl(HKEY_LOCAL_MACHINE, Child(child.name), child.before);
    }
    WriteDword(HKEY_LOCAL_MACHINE, kGrandchild, L"Value", 1);
    WriteDacl(HKEY_LOCAL_MACHINE, kGrandchild, {kUsersRead, kAdminsFull});
}

void ExpectTreeGranted()
{
    ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kProductKey);
    ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kImportedSubkey);
    for (const ChildCase& child : ProductChildren()) {
        const std::vector<AceEntry> dacl = ReadDacl(HKEY_LOCAL_MACHINE, Child(child.name));
        EXPECT_EQ(child.after, dacl) << testing::PrintToString(child.name.substr(0, 20)) << ": " << Describe(dacl);
    }
    EXPECT_EQ((std::vector<AceEntry>{kUsersRead, kAdminsFull}), ReadDacl(HKEY_LOCAL_MACHINE, kGrandchild));
}

TEST(Commit, FinishesTheInstallationAndIsIdempotent)
{
    SimulatedInstallation install;
    MakeProductTree();

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        const RunResult result = RunSetup(L"/Commit");
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_LT(result.elapsedMs, kQuickRunMs);

        EXPECT_EQ(StringValue(kInstalledScheduler),
                  ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
        EXPECT_EQ(DwordValue(kImportedValue), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName));
        EXPECT_FALSE(FileExists(install.settingsPath()));
        ExpectTreeGranted();
        // Wine reports a later Windows here.
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, L"Limited").has_value());
    }
}

TEST(Commit, StandAloneImportsAndGrantsButNeverRegistersOrMarks)
{
    SimulatedInstallation install;
    MakeProductTree();
    ScopedFile program(std::wstring(kProductFolder) + L"\\tbSetup.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));
    ScopedWindowsVersion xp(L"tbSetup.exe", L"winxp");

    EXPECT_EQ(0u, RunSetup(L"/StandAlone", program.path()).exitCode);

    EXPECT_EQ(DwordValue(kImportedValue), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName));
    EXPECT_TRUE(FileExists(install.settingsPath()));
    ExpectTreeGranted();
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, L"Limited").has_value());
}

struct VersionCase {
    const wchar_t* version;
    std::optional<DWORD> limitedBefore;
    std::optional<DWORD> limitedAfter;
};

TEST(Commit, MarksWindowsXPOnly)
{
    const VersionCase cases[] = {
        {L"winxp", std::nullopt, 1},      // 5.1: set, the product key created
        {L"winxp", 0, 1},
        {L"winxp64", std::nullopt, std::nullopt},  // 5.2
        {L"win2003", 7, 7},                        // 5.2: never cleared
        {L"win7", 7, 7},
        {L"win10", std::nullopt, std::nullopt},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.version)));
        ScopedKeyAside product(HKEY_LOCAL_MACHINE, kProductKey);
        ScopedWindowsVersion version(L"tbSetup.exe", c.version);
        if (c.limitedBefore)
            WriteDword(HKEY_LOCAL_MACHINE, kProductKey, L"Limited", *c.limitedBefore);

        EXPECT_EQ(0u, RunSetup(L"/Commit").exitCode);

        const std::optional<RegValue> limited = ReadValue(HKEY_LOCAL_MACHINE, kProductKey, L"Limited");
        if (c.limitedAfter)
            EXPECT_EQ(DwordValue(*c.limitedAfter), limited);
        else
            EXPECT_FALSE(limited.has_value());
    }
}

}  // namespace
