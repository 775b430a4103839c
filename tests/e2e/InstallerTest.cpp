// The example NSIS installer runs tbSetup.exe as a product's installer would:
// install silently ("/Commit"), then uninstall silently ("/Uninstall").
#include <gtest/gtest.h>

#include <string>

#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr LPCWSTR kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TAVOBatt";
const std::wstring kFolder = kProductFolder;
const std::wstring kScheduler = kInstalledScheduler;

// The installer replaces, and the uninstaller removes, the stand-in that the
// other tests expect at the scheduler's location: put it back afterwards.
class InstallerTest : public testing::Test {
protected:
    ~InstallerTest() override
    {
        DeleteFileW((kFolder + L"\\uninstall.exe").c_str());
        StandInScheduler::Reinstall();
    }

    ScopedKeyAside m_appPaths{HKEY_LOCAL_MACHINE, kAppPathsSubkey};
    ScopedKeyAside m_product{HKEY_LOCAL_MACHINE, kProductKey};
    ScopedKeyAside m_uninstall{HKEY_LOCAL_MACHINE, kUninstallKey};
    ScopedValueAside m_run{HKEY_LOCAL_MACHINE, kRunKey, kRunValueName};
    StandInScheduler m_scheduler;
};

TEST_F(InstallerTest, InstallCommitsAndUninstallNotifiesTheScheduler)
{
    const std::wstring installer = BinDir() + L"\\TAVOBatt-setup.exe";
    const RunResult install = RunProgram(installer, L"\"" + installer + L"\" /S");
    ASSERT_EQ(0u, install.exitCode);

    EXPECT_EQ(StringValue(kScheduler), ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
    EXPECT_EQ(DwordValue(kImportedValue), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName));
    EXPECT_EQ(StringValue(L"en"), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, L"Language"));
    EXPECT_FALSE(FileExists(kSettingsPath));
    EXPECT_TRUE(FileExists(kFolder + L"\\tbSetup.exe"));
    ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kProductKey);
    ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kImportedSubkey);
    EXPECT_EQ(0u, m_scheduler.Notices());

    // "_?=" runs the uninstaller in place, so that waiting for it waits for
    // the uninstall itself.
    const std::wstring uninstaller = kFolder + L"\\uninstall.exe";
    const RunResult uninstall = RunProgram(uninstaller, L"\"" + uninstaller + L"\" /S _?=" + kFolder);
    EXPECT_EQ(0u, uninstall.exitCode);

    EXPECT_EQ(1u, m_scheduler.Notices());
    for (const wchar_t* file : {L"\\tbSetup.exe", L"\\tbSched.exe", L"\\tbSched.exe.reg"})
        EXPECT_FALSE(FileExists(kFolder + file)) << testing::PrintToString(std::wstring(file));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
}

}  // namespace
