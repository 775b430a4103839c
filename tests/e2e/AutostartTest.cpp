// Where the scheduler is found: through App Paths on commit (and registered
// to start at logon), beside the program on a stand-alone run.
#include <gtest/gtest.h>

#include <string>

#include "common/Handles.h"
#include "setup/Setup.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr LPCWSTR kScheduler = kInstalledScheduler;
constexpr LPCWSTR kMachineEnvironmentKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Defined machine-wide and, differently, by the caller; and by the caller only.
constexpr LPCWSTR kSharedVariable = L"TBSETUP_SCHEDULER_DIR";
constexpr LPCWSTR kCallerOnlyVariable = L"TBSETUP_CALLER_ONLY";
constexpr LPCWSTR kCallersFolder = L"C:\\Users\\Public\\Evil";
constexpr LPCWSTR kWow64RunKey = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

RegValue BinaryValue(const std::wstring& text)
{
    RegValue value = StringValue(text);
    value.type = REG_BINARY;
    return value;
}

// A path of exactly the given length inside the product folder.
std::wstring PathOfLength(size_t length)
{
    const std::wstring folder = L"C:\\Program Files\\TAVOBatt\\";
    const std::wstring name = L"\\tbSched.exe";
    return folder + std::wstring(length - folder.size() - name.size(), L'x') + name;
}

struct AppPathsCase {
    const char* name;
    std::optional<RegValue> registration;  // nullopt: no App Paths key at all
    std::optional<RegValue> expectedRun;   // nullopt: no Run value
};

TEST(Autostart, RunValueFollowsTheAppPathsRegistration)
{
    const std::wstring longest = PathOfLength(259);
    const std::wstring tooLong = PathOfLength(260);
    ASSERT_EQ(259u, longest.size());
    ASSERT_EQ(260u, tooLong.size());

    // tbSetup.exe may be elevated in a standard user's session and inherit
    // that user's environment: only the machine's variables may shape the
    // machine-wide Run value.
    ScopedValueAside machineVariable(HKEY_LOCAL_MACHINE, kMachineEnvironmentKey, kSharedVariable);
    WriteString(HKEY_LOCAL_MACHINE, kMachineEnvironmentKey, kSharedVariable, kProductFolder);
    ScopedEnvironmentVariable callersValue(kSharedVariable, kCallersFolder);
    ScopedEnvironmentVariable callersOnly(kCallerOnlyVariable, kCallersFolder);

    const AppPathsCase cases[] = {
        {"plain path", StringValue(kScheduler), StringValue(kScheduler)},
        {"a machine variable the caller also defines",
         StringValue(L"%TBSETUP_SCHEDULER_DIR%\\tbSched.exe", REG_EXPAND_SZ), StringValue(kScheduler)},
        {"names compare without case", StringValue(L"%tbsetup_scheduler_dir%\\tbSched.exe", REG_EXPAND_SZ),
         StringValue(kScheduler)},
        {"a variable only the caller defines", StringValue(L"%TBSETUP_CALLER_ONLY%\\tbSched.exe", REG_EXPAND_SZ),
         StringValue(L"%TBSETUP_CALLER_ONLY%\\tbSched.exe")},
        {"a lone percent sign", StringValue(L"C:\\100%\\tbSched.exe", REG_EXPAND_SZ),
         StringValue(L"C:\\100%\\tbSched.exe")},
        {"no registration", std::nullopt, std::nullopt},
        {"259 characters", StringValue(longest), StringValue(longest)},
        {"260 characters", StringValue(tooLong), std::nullopt},
        {"expandable", StringValue(L"%ProgramFiles%\\TAVOBatt\\tbSched.exe", REG_EXPAND_SZ), StringValue(kScheduler)},
        {"expands past the limit", StringValue(L"%ProgramFiles%\\" + std::wstring(250, L'y'), REG_EXPAND_SZ),
         std::nullopt},
        {"binary", BinaryValue(kScheduler), std::nullopt},
        {"empty text", StringValue(L""), std::nullopt},
    };
    for (const AppPathsCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedInstallation install;
        DeleteTree(HKEY_LOCAL_MACHINE, kAppPathsSubkey);
        if (c.registration)
            install.RegisterAppPath(*c.registration);

        EXPECT_EQ(0u, RunSetup(L"/Commit").exitCode);

        EXPECT_EQ(c.expectedRun, ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kWow64RunKey, kRunValueName).has_value());
    }
}

TEST(Autostart, OverwritesAnEarlierRunValue)
{
    SimulatedInstallation install;
    WriteString(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName, L"\"D:\\Old\\tbSched.exe\" /quiet");

    RunSetup(L"/Commit");

    EXPECT_EQ(StringValue(kScheduler), ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
}

std::optional<RegValue> ImportedValue()
{
    return ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName);
}

TEST(Autostart, StandAloneLooksBesideTheProgramAndNeverRegisters)
{
    SimulatedInstallation install;
    ScopedFolder kit(std::wstring(kProductFolder) + L"\\Kit");
    ScopedFile program(kit.path() + L"\\tbSetup.exe");
    ScopedFile settings(kit.path() + L"\\tbSched.exe.reg");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));
    WriteSettingsFile(settings.path(), kImportedSubkey, {{kImportedValueName, 7}});

    EXPECT_EQ(0u, RunSetup(L"/StandAlone", program.path()).exitCode);

    // The file beside the program was imported, not the one App Paths names.
    EXPECT_EQ(DwordValue(7), ImportedValue());
    EXPECT_TRUE(FileExists(settings.path()));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName).has_value());
}

TEST(Autostart, CommitNeverLooksBesideTheProgram)
{
    SimulatedInstallation install;
    DeleteTree(HKEY_LOCAL_MACHINE, kAppPathsSubkey);
    ScopedFolder kit(std::wstring(kProductFolder) + L"\\Kit");
    ScopedFile program(kit.path() + L"\\tbSetup.exe");
    ScopedFile settings(kit.path() + L"\\tbSched.exe.reg");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE));
    WriteSettingsFile(settings.path(), kImportedSubkey, {{kImportedValueName, 7}});

    RunSetup(L"/Commit", program.path());

    EXPECT_FALSE(ImportedValue().has_value());
    EXPECT_TRUE(FileExists(settings.path()));
}


TEST(Autostart, NothingIsBuiltFromACutProgramPath)
{
    // A module whose path passes the 260-unit limit: the platform cuts it
    // inside the folder "e...e", which would make "d...d" look like the
    // program's folder. Wine starts no program from such a path, so the
    // action is given a loaded copy of tbSetup.exe as its module.
    const std::wstring outer = std::wstring(kProductFolder) + L"\\" + std::wstring(200, L'd');
    const std::wstring inner = outer + L"\\" + std::wstring(100, L'e');
    ScopedFolder outerFolder(outer);
    ScopedFolder innerFolder(L"\\\\?\\" + inner);
    ScopedFile copy(L"\\\\?\\" + inner + L"\\tbSetup.exe");
    ASSERT_TRUE(CopyFileW(SetupExePath().c_str(), copy.path().c_str(), FALSE)) << GetLastError();
    UniqueModule module(LoadLibraryExW(copy.path().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_TRUE(static_cast<bool>(module)) << GetLastError();
    WCHAR szModule[MAX_PATH] = {};
    ASSERT_EQ(static_cast<DWORD>(MAX_PATH), GetModuleFileNameW(module.get(), szModule, MAX_PATH));

    WCHAR szSchedulerPath[MAX_PATH] = {};
    LocateSchedulerBesideProgram(module.get(), szSchedulerPath);
    EXPECT_EQ(std::wstring(), std::wstring(szSchedulerPath));

    // The same action on an ordinary module path.
    LocateSchedulerBesideProgram(nullptr, szSchedulerPath);
    EXPECT_EQ(BinDir() + L"\\tbSched.exe", std::wstring(szSchedulerPath));
}

}  // namespace
