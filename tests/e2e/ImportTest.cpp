// The settings import through tbSetup.exe: what is merged, what is removed,
// and which registry editor runs.
#include <gtest/gtest.h>

#include <string>

#include "common/Handles.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

std::optional<RegValue> ImportedValue()
{
    return ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName);
}

const RegValue kImported = DwordValue(kImportedValue);

TEST(Import, CommitImportsTheSettingsFileAndRemovesIt)
{
    SimulatedInstallation install;
    const RunResult result = RunSetup(L"/Commit");
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(kImported, ImportedValue());
    EXPECT_FALSE(FileExists(install.settingsPath()));
    EXPECT_LT(result.elapsedMs, kQuickRunMs);
}

TEST(Import, StandAloneFromTheProductFolderImportsAndKeepsTheFile)
{
    SimulatedInstallation install;
    ScopedFile program(std::wstring(kProductFolder) + L"\\tbSetup.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));

    EXPECT_EQ(0u, RunSetup(L"/StandAlone", program.path()).exitCode);

    EXPECT_EQ(kImported, ImportedValue());
    EXPECT_TRUE(FileExists(install.settingsPath()));
}

TEST(Import, AMissingSettingsFileImportsNothing)
{
    SimulatedInstallation install;
    ASSERT_TRUE(DeleteFileW(install.settingsPath().c_str()));
    EXPECT_EQ(0u, RunSetup(L"/Commit").exitCode);
    EXPECT_FALSE(ImportedValue().has_value());
    EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
}

TEST(Import, ASchedulerOutsideTheProductFolderIsNeitherImportedNorRemoved)
{
    for (const wchar_t* folder : {L"C:\\Kit", L"C:\\Program Files\\TAVOBattOld"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(folder)));
        ScopedFolder kit(folder);
        SimulatedInstallation install(kit.path() + L"\\tbSched.exe");

        RunSetup(L"/Commit");

        EXPECT_FALSE(ImportedValue().has_value());
        EXPECT_TRUE(FileExists(install.settingsPath()));
    }
}

TEST(Import, APathOutsideTheAnsiCodePageIsImportedAndRemoved)
{
    ScopedFolder folder(std::wstring(kProductFolder) + L"\\\x0394\x03BF\x03BA\x03B9\x03BC\x03AE \x6E2C\x8A66");
    SimulatedInstallation install(folder.path() + L"\\tbSched.exe");

    RunSetup(L"/Commit");

    EXPECT_EQ(kImported, ImportedValue());
    EXPECT_FALSE(FileExists(install.settingsPath()));
}

TEST(Import, ASettingsFileBeingWrittenIsNeitherImportedNorRemoved)
{
    SimulatedInstallation install;
    // Another program writes it, and would even let it be deleted.
    UniqueHandle writer(CreateFileW(install.settingsPath().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(writer));

    RunSetup(L"/Commit");
    writer.reset();

    EXPECT_FALSE(ImportedValue().has_value());
    EXPECT_TRUE(FileExists(install.settingsPath()));
}

TEST(Import, ACommandTooLongForItsBufferStartsNothing)
{
    // The command is the editor's quoted path, "/s" and the quoted settings
    // path: with a settings path of 235 characters it passes 259.
    const std::wstring folder = std::wstring(kProductFolder) + L"\\";
    ScopedFolder deep(folder + std::wstring(235 - folder.size() - std::wstring(L"\\tbSched.exe.reg").size(), L'd'));
    SimulatedInstallation install(deep.path() + L"\\tbSched.exe");
    ASSERT_EQ(235u, install.settingsPath().size());

    RunSetup(L"/Commit");

    EXPECT_FALSE(ImportedValue().has_value());
    EXPECT_TRUE(FileExists(install.settingsPath()));
}

TEST(Import, OnlyTheSystemRegistryEditorRuns)
{
    // A registry editor planted beside tbSetup.exe and in the current
    // directory: the stand-in, which counts its starts.
    SimulatedInstallation install;
    StandInScheduler planted;
    ScopedFolder kit(L"C:\\Plant");
    ScopedFile program(kit.path() + L"\\tbSetup.exe");
    ScopedFile regedit(kit.path() + L"\\regedit.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BinDir() + L"\\tbSchedStandIn.exe").c_str(), regedit.path().c_str(), FALSE));

    RunSetup(L"/Commit", program.path(), kit.path());

    EXPECT_EQ(0u, planted.Launches());
    EXPECT_EQ(kImported, ImportedValue());
}

}  // namespace
