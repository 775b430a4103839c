// Which actions a command line selects.
#include <gtest/gtest.h>

#include "setup/Setup.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr ActionFlags kCommit = ActionFlags::RegisterAutostart | ActionFlags::ImportSettings
                                | ActionFlags::GrantAccess | ActionFlags::MarkLegacySystem;
constexpr ActionFlags kUninstall = ActionFlags::NotifyScheduler;
constexpr ActionFlags kStandAlone =
    ActionFlags::LocateBesideProgram | ActionFlags::ImportSettings | ActionFlags::GrantAccess;
constexpr ActionFlags kNone = ActionFlags::None;

struct ModeCase {
    const wchar_t* commandLine;
    ActionFlags expected;
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
        {L"tbSetup.exe /commit", kNone},
        {L"tbSetup.exe /UNINSTALL", kNone},
        {L"tbSetup.exe", kNone},
        {L"tbSetup.exe ", kNone},
        {L"", kNone},
        // The program's own path never selects a mode, quoted or not.
        {L"C:/Commit/setup.exe", kNone},
        {L"\"C:\\Kit /Commit\\tbSetup.exe\"", kNone},
        {L"\"C:\\Kit /Commit\\tbSetup.exe\" /StandAlone", kStandAlone},
        {L"C:/Uninstall/setup.exe /Commit", kCommit},
        {L"C:\\Kit\\tbSetup.exe\t/Uninstall", kUninstall},
        // An unclosed quote takes the whole line as the program name.
        {L"\"C:\\Kit\\tbSetup.exe /Commit", kNone},
        // No program name at all, as CreateProcessW(path, L"/Commit") gives.
        {L"/Commit", kCommit},
        {L"/Uninstall", kUninstall},
        {L"/StandAlone /x", kStandAlone},
        {L"/commit", kNone},
    };
    for (const ModeCase& c : cases)
        EXPECT_EQ(c.expected, SelectActions(c.commandLine)) << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
}

TEST(SelectActions, NullCommandLineSelectsNothing)
{
    EXPECT_EQ(kNone, SelectActions(nullptr));
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
