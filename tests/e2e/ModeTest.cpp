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
    // The manifest's identity carries the same version as the resource.
    const std::wstring version = TBSETUP_VERSION_FULL;
    EXPECT_NE(std::string::npos, manifest.find("version=\"" + std::string(version.begin(), version.end()) + "\""));
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

TEST(Program, CarriesTheProjectVersion)
{
    const std::wstring path = SetupExePath();
    DWORD dwHandle = 0;
    const DWORD cbInfo = GetFileVersionInfoSizeW(path.c_str(), &dwHandle);
    ASSERT_NE(0u, cbInfo);
    std::vector<BYTE> info(cbInfo);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, cbInfo, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT cbFixed = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &cbFixed));
    WCHAR szFixed[64] = {};
    swprintf(szFixed, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(std::wstring(TBSETUP_VERSION_FULL), szFixed);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

    const std::pair<LPCWSTR, std::wstring> strings[] = {
        {L"CompanyName", L"TAVO"},
        {L"ProductName", L"TAVOBatt"},
        {L"FileDescription", L"TAVOBatt set-up companion"},
        {L"OriginalFilename", L"tbSetup.exe"},
        {L"FileVersion", TBSETUP_VERSION_FULL},
        {L"ProductVersion", TBSETUP_VERSION_FULL},
    };
    for (const auto& [name, expected] : strings) {
        LPWSTR text = nullptr;
        UINT cchText = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<LPVOID*>(&text), &cchText))
            << testing::PrintToString(query);
        EXPECT_EQ(expected, std::wstring(text)) << testing::PrintToString(query);
    }
}

TEST(Program, ACallerThatPassesNoProgramNameStillSelectsTheMode)
{
    SimulatedInstallation install;
    const RunResult result = RunProgram(SetupExePath(), L"/Commit");
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(StringValue(kInstalledScheduler), ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
}

TEST(Program, IsBuiltAsAnElevatedProgramShouldBe)
{
    const std::vector<BYTE> image = ReadFileBytes(SetupExePath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
    ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64), image.size());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, nt->OptionalHeader.Magic);

    // Loaded at a random address, with no executable data, and shown the
    // real Windows folder on a Remote Desktop host.
    const WORD required = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA
                          | IMAGE_DLLCHARACTERISTICS_NX_COMPAT | IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
    EXPECT_EQ(required, nt->OptionalHeader.DllCharacteristics & required)
        << std::hex << nt->OptionalHeader.DllCharacteristics;

    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const std::string name(reinterpret_cast<const char*>(section->Name), strnlen(reinterpret_cast<const char*>(section->Name), 8));
        EXPECT_FALSE((section->Characteristics & IMAGE_SCN_MEM_WRITE) && (section->Characteristics & IMAGE_SCN_MEM_EXECUTE))
            << "section " << name << " is writable and executable";
    }
}

}  // namespace
