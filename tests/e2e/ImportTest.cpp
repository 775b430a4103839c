// The settings import through tbSetup.exe: what is merged, what is removed,
// and which registry editor runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// The median time of three "/Commit" runs, on a simulated installation with
// or without its settings file.
long MedianCommitMs(bool withSettingsFile)
{
    std::vector<long> samples;
    for (int run = 0; run < 3; ++run) {
        SimulatedInstallation install;
        if (!withSettingsFile)
            DeleteFileW(install.settingsPath().c_str());
        samples.push_back(static_cast<long>(RunSetup(L"/Commit").elapsedMs));
        EXPECT_EQ(withSettingsFile, ImportedValue().has_value());
    }
    std::sort(samples.begin(), samples.end());
    return samples[1];
}

TEST(Import, WaitsForTheToolToEndNotForAFixedTime)
{
    // The import costs what reg.exe's own run costs (a few hundred
    // milliseconds under Wine), and its result is there when tbSetup.exe
    // has ended. A fixed wait of seconds would show in the difference.
    const long withFile = MedianCommitMs(true);
    const long withoutFile = MedianCommitMs(false);
    EXPECT_LT(withFile - withoutFile, 2500) << withFile << " ms with the file, " << withoutFile << " ms without";
}

// A scheduler path inside the product folder whose settings path has exactly
// this many characters.
std::wstring SchedulerPathForSettingsOf(size_t length)
{
    const std::wstring folder = std::wstring(kProductFolder) + L"\\";
    const std::wstring name = L"\\tbSched.exe";
    return folder + std::wstring(length - folder.size() - name.size() - 4, L'd') + name;
}

TEST(Import, EverySettingsPathThatFitsIsImported)
{
    struct LengthCase {
        size_t settingsLength;
        bool imported;
    };
    // The command holds the tool's quoted path, " import " and the quoted
    // settings path: every settings path of up to 259 characters fits.
    for (const LengthCase& c : {LengthCase{235, true}, LengthCase{259, true}, LengthCase{260, false}}) {
        SCOPED_TRACE(c.settingsLength);
        const std::wstring scheduler = SchedulerPathForSettingsOf(c.settingsLength);
        ScopedFolder deep(scheduler.substr(0, scheduler.rfind(L'\\')));
        SimulatedInstallation install(scheduler);
        ASSERT_EQ(c.settingsLength, install.settingsPath().size());

        RunSetup(L"/Commit");

        EXPECT_EQ(c.imported, ImportedValue().has_value());
        EXPECT_EQ(!c.imported, FileExists(install.settingsPath()));
    }
}

TEST(Import, AFileTheToolCannotImportIsKept)
{
    // reg.exe refuses both; the registry editor's silent mode took them
    // without a word and the file was deleted.
    const std::string utf8WithMark =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVO\\TAVOBatt\\Settings]\r\n\"Interval\"=dword:0000003c\r\n";
    const std::string garbage = "\x01\x02 not a registry file";
    for (const std::string& content : {utf8WithMark, garbage}) {
        SCOPED_TRACE(content.substr(0, 10));
        SimulatedInstallation install;
        WriteFileBytes(install.settingsPath(), content.data(), content.size());

        RunSetup(L"/Commit");

        EXPECT_FALSE(ImportedValue().has_value());
        EXPECT_EQ(content.size(), ReadFileBytes(install.settingsPath()).size());
    }
}

TEST(Import, OnlyTheSystemRegToolRuns)
{
    // reg.exe and regedit.exe planted beside tbSetup.exe and in the current
    // folder: copies of the stand-in, which counts its starts.
    SimulatedInstallation install;
    StandInScheduler planted;
    ScopedFolder kit(L"C:\\Plant");
    ScopedFile program(kit.path() + L"\\tbSetup.exe");
    ScopedFile reg(kit.path() + L"\\reg.exe");
    ScopedFile regedit(kit.path() + L"\\regedit.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));
    for (const ScopedFile* tool : {&reg, &regedit})
        ASSERT_TRUE(CopyFileW(StandInExePath().c_str(), tool->path().c_str(), FALSE));

    RunSetup(L"/Commit", program.path(), kit.path());

    EXPECT_EQ(0u, planted.Launches());
    EXPECT_EQ(kImported, ImportedValue());
}

}  // namespace
