// Which actions a command line selects.
#include <gtest/gtest.h>

#include "setup/Setup.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr DWORD kCommit =
    kActionRegisterAutostart | kActionImportSettings | kActionGrantAccess | kActionMarkLegacySystem;
constexpr DWORD kUninstall = kActionNotifyScheduler;
constexpr DWORD kStandAlone = kActionLocateBesideProgram | kActionImportSettings | kActionGrantAccess;

struct ModeCase {
    const wchar_t* commandLine;
    DWORD expected;
};

TEST(SelectActions, CommandLinesSelectTheirModes)
{
    const ModeCase cases[] = {
        {L"tbSetup.exe /Commit", kCommit},
        {L"\"C:\\Program Files\\TAVOBatt\\tbSetup.exe\" /Uninstall", kUninstall},
        {L"tbSetup.exe /StandAlone", kStandAlone},
        // The commit switch is looked for first, wherever it stands.
        {L"tbSetup.exe /Uninstall /Commit", kCommit},
        {L"tbSetup.exe /StandAlone /Uninstall", kUninstall},
        // A plain substring match among the arguments.
        {L"tbSetup.exe /Committed", kCommit},
        {L"tbSetup.exe x/StandAloneX", kStandAlone},
        // Case-sensitive: lower case means nothing.
        {L"tbSetup.exe /commit", 0},
        {L"tbSetup.exe /UNINSTALL", 0},
        {L"tbSetup.exe", 0},
        {L"tbSetup.exe ", 0},
        {L"", 0},
        // The program's own path never selects a mode, quoted or not.
        {L"C:/Commit/setup.exe", 0},
        {L"\"C:\\Kit /Commit\\tbSetup.exe\"", 0},
        {L"\"C:\\Kit /Commit\\tbSetup.exe\" /StandAlone", kStandAlone},
        {L"C:/Uninstall/setup.exe /Commit", kCommit},
        {L"C:\\Kit\\tbSetup.exe\t/Uninstall", kUninstall},
        // An unclosed quote takes the whole line as the program name.
        {L"\"C:\\Kit\\tbSetup.exe /Commit", 0},
        // No program name at all, as CreateProcessW(path, L"/Commit") gives.
        {L"/Commit", kCommit},
        {L"/Uninstall", kUninstall},
        {L"/StandAlone /x", kStandAlone},
        {L"/commit", 0},
    };
    for (const ModeCase& c : cases)
        EXPECT_EQ(c.expected, SelectActions(c.commandLine)) << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
}

TEST(SelectActions, NullCommandLineSelectsNothing)
{
    EXPECT_EQ(0u, SelectActions(nullptr));
}

TEST(LibrarySearch, ALibraryInTheCurrentFolderIsNoLongerLoaded)
{
    // A library a user could plant: in the current folder, which the default
    // search order looks in.
    tbtest::ScopedFolder plant(L"C:\\PlantLibrary");
    tbtest::ScopedFile library(plant.path() + L"\\tbplanted.dll");
    ASSERT_TRUE(CopyFileW((tbtest::BinDir() + L"\\tbPlantedLibrary.dll").c_str(), library.path().c_str(), FALSE));
    WCHAR szSaved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, szSaved);
    ASSERT_TRUE(SetCurrentDirectoryW(plant.path().c_str()));

    tbtest::UniqueModule before(LoadLibraryW(L"tbplanted.dll"));
    EXPECT_TRUE(static_cast<bool>(before));
    before.reset();

    RestrictLibrarySearchToSystemFolder();
    tbtest::UniqueModule after(LoadLibraryW(L"tbplanted.dll"));
    EXPECT_FALSE(static_cast<bool>(after));

    SetCurrentDirectoryW(szSaved);
}

}  // namespace
