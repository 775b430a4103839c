// The example MSI package, driven by Windows Installer (Wine's msiexec) as a
// deployment system drives it: silent install, silent removal, and a major
// upgrade. The verbose log shows when the custom actions ran.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr LPCWSTR kUninstallKeys = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Msi(LPCWSTR name)
{
    return BinDir() + L"\\" + name;
}

struct MsiRun {
    DWORD exitCode;
    std::string log;
};

// Runs msiexec silently with a verbose log, and hands back both.
MsiRun RunMsiexec(const std::wstring& arguments)
{
    const std::wstring logPath = L"C:\\tbsetup-msi.log";
    DeleteFileW(logPath.c_str());
    const RunResult result = RunProgram(SystemProgramPath(L"msiexec.exe"), L"msiexec " + arguments + L" /qn /l*v \"" + logPath + L"\"");
    const std::vector<BYTE> log = ReadFileBytes(logPath);
    DeleteFileW(logPath.c_str());
    return {result.exitCode, std::string(log.begin(), log.end())};
}

// Where the log says an action started, from a position on; npos if nowhere.
size_t ActionStart(const std::string& log, const std::string& action, size_t from = 0)
{
    std::smatch match;
    const std::regex line("Action start [0-9:]+: " + action + "\\.");
    if (from > log.size() || !std::regex_search(log.begin() + static_cast<std::ptrdiff_t>(from), log.end(), match, line))
        return std::string::npos;
    return from + static_cast<size_t>(match.position(0));
}

bool IsRegistered(LPCWSTR productCode)
{
    return KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKeys) + productCode);
}

// The package replaces, and its removal deletes, the stand-in that the other
// tests expect at the scheduler's location: put it back afterwards. Whatever
// a failed test left installed is removed first.
class MsiTest : public testing::Test {
protected:
    ~MsiTest() override
    {
        for (LPCWSTR product : {TBSETUP_MSI_PRODUCT_CODE, TBSETUP_MSI_UPGRADE_PRODUCT_CODE})
            if (IsRegistered(product))
                RunMsiexec(std::wstring(L"/x ") + product);
        StandInScheduler::Reinstall();
    }

    // The "/Commit" result, as after the NSIS installer.
    static void ExpectCommitted()
    {
        EXPECT_EQ(StringValue(kInstalledScheduler), ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
        EXPECT_EQ(DwordValue(kImportedValue), ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName));
        EXPECT_FALSE(FileExists(kSettingsPath));
        ExpectUsersHaveModifyAccess(HKEY_LOCAL_MACHINE, kProductKey);
    }

    ScopedKeyAside m_appPaths{HKEY_LOCAL_MACHINE, kAppPathsSubkey};
    ScopedKeyAside m_product{HKEY_LOCAL_MACHINE, kProductKey};
    ScopedValueAside m_run{HKEY_LOCAL_MACHINE, kRunKey, kRunValueName};
    StandInScheduler m_scheduler;
};

TEST_F(MsiTest, InstallCommitsAfterTheFilesAndRemovalNotifiesBeforeThem)
{
    const MsiRun install = RunMsiexec(L"/i \"" + Msi(L"TAVOBatt.msi") + L"\"");
    ASSERT_EQ(0u, install.exitCode) << install.log;
    EXPECT_TRUE(std::regex_search(install.log, std::regex("ProductVersion = " TBSETUP_MSI_VERSION "\\s")));
    ExpectCommitted();
    EXPECT_TRUE(FileExists(std::wstring(kProductFolder) + L"\\tbSetup.exe"));
    EXPECT_EQ(0u, m_scheduler.Notices());

    // Deferred actions run in InstallFinalize, in script order: the commit
    // after the files were copied and App Paths written.
    const size_t script = ActionStart(install.log, "InstallFinalize");
    const size_t copied = install.log.find("File: tbSetup.exe,  Directory: INSTALLDIR,  Size:", script);
    const size_t appPaths = install.log.find(
        "Key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tbSched.exe", script);
    const size_t commit = ActionStart(install.log, "TbSetupCommit", script);
    ASSERT_NE(std::string::npos, script);
    ASSERT_NE(std::string::npos, copied);
    ASSERT_NE(std::string::npos, appPaths);
    ASSERT_NE(std::string::npos, commit);
    EXPECT_LT(copied, commit);
    EXPECT_LT(appPaths, commit);

    m_scheduler.Start();
    const MsiRun removal = RunMsiexec(std::wstring(L"/x ") + TBSETUP_MSI_PRODUCT_CODE);
    ASSERT_EQ(0u, removal.exitCode) << removal.log;
    EXPECT_EQ(1u, m_scheduler.Notices());
    for (const wchar_t* file : {L"\\tbSetup.exe", L"\\tbSched.exe", L"\\tbSched.exe.reg"})
        EXPECT_FALSE(FileExists(std::wstring(kProductFolder) + file)) << testing::PrintToString(std::wstring(file));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsSubkey));

    // The notice went out before a file or a value was removed.
    const size_t removalScript = ActionStart(removal.log, "InstallFinalize");
    const size_t notice = ActionStart(removal.log, "TbSetupUninstall", removalScript);
    const size_t removedFile = removal.log.find("File: tbSched.exe, Directory: INSTALLDIR", removalScript);
    const size_t removedValue = removal.log.find(
        "Key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run, Name: TAVOBatt", removalScript);
    ASSERT_NE(std::string::npos, notice);
    ASSERT_NE(std::string::npos, removedFile);
    ASSERT_NE(std::string::npos, removedValue);
    EXPECT_LT(notice, removedFile);
    EXPECT_LT(notice, removedValue);
}

TEST_F(MsiTest, AMajorUpgradeRemovesTheOldVersionAndCommitsTheNewOne)
{
    ASSERT_EQ(0u, RunMsiexec(L"/i \"" + Msi(L"TAVOBatt.msi") + L"\"").exitCode);
    m_scheduler.Start();

    const MsiRun upgrade = RunMsiexec(L"/i \"" + Msi(L"TAVOBatt-next-minor.msi") + L"\"");
    ASSERT_EQ(0u, upgrade.exitCode) << upgrade.log;

    EXPECT_FALSE(IsRegistered(TBSETUP_MSI_PRODUCT_CODE));
    EXPECT_TRUE(IsRegistered(TBSETUP_MSI_UPGRADE_PRODUCT_CODE));
    // The new version's settings file was imported and removed again.
    EXPECT_NE(std::string::npos, ActionStart(upgrade.log, "TbSetupCommit", ActionStart(upgrade.log, "InstallFinalize")));
    ExpectCommitted();
    // The old version's removal told the running scheduler, so that it let
    // go of the file the upgrade replaces.
    EXPECT_EQ(1u, m_scheduler.Notices());
}

}  // namespace
