// tbSetup.exe as a file and as a process: its manifest, its exit code, and
// that a run without a mode changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "common/Handles.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;


TEST(Program, EmbedsTheElevationManifestAsResourceOne)
{
    UniqueModule image(
        LoadLibraryExW(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(static_cast<bool>(image));
    HRSRC resource = FindResourceW(image.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, resource);
    const char* text = static_cast<const char*>(LockResource(LoadResource(image.get(), resource)));
    const std::string manifest(text, SizeofResource(image.get(), resource));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
}

// The state a run may change, for before-and-after comparison.
struct Observed {
    std::optional<RegValue> run;
    bool productKey;
    bool settingsFile;
    bool operator==(const Observed& o) const
    {
        return run == o.run && productKey == o.productKey && settingsFile == o.settingsFile;
    }
};

Observed Observe(const SimulatedInstallation& install)
{
    return {ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName), KeyExists(HKEY_LOCAL_MACHINE, kProductKey),
            FileExists(install.settingsPath())};
}

TEST(Program, WithoutAModeChangesNothingAndExitsWithZero)
{
    SimulatedInstallation install;
    const Observed before = Observe(install);
    ASSERT_TRUE(before.settingsFile);
    for (const wchar_t* arguments : {L"", L"/commit", L"/STANDALONE", L"-Commit", L"Commit"}) {
        const RunResult result = RunSetup(arguments);
        EXPECT_EQ(0u, result.exitCode) << testing::PrintToString(std::wstring(arguments));
        EXPECT_TRUE(before == Observe(install)) << testing::PrintToString(std::wstring(arguments));
    }
}

TEST(Program, ItsOwnPathNeverSelectsAMode)
{
    // Started as C:/Commit/setup.exe, with forward slashes.
    SimulatedInstallation install;
    ScopedFolder folder(L"C:\\Commit");
    ScopedFile copy(L"C:\\Commit\\setup.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), copy.path().c_str(), FALSE));
    const Observed before = Observe(install);

    const RunResult result = RunProgram(copy.path(), L"C:/Commit/setup.exe");

    EXPECT_EQ(0u, result.exitCode);
    EXPECT_TRUE(before == Observe(install));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
}

TEST(Program, ExitsWithZeroInEveryMode)
{
    SimulatedInstallation install;
    StandInScheduler scheduler;
    scheduler.Start();
    for (const wchar_t* arguments : {L"/Commit", L"/StandAlone", L"/Uninstall"})
        EXPECT_EQ(0u, RunSetup(arguments).exitCode) << testing::PrintToString(std::wstring(arguments));
}

}  // namespace
