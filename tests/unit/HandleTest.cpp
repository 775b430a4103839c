// Every handle the actions open is closed again, on success and failure paths.
#include <gtest/gtest.h>

#include <winternl.h>

#include <functional>
#include <vector>

#include "common/AllowedPath.h"
#include "common/Log.h"
#include "common/Reg.h"
#include "setup/Setup.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

// GetProcessHandleCount answers 0 under Wine; the system's handle table
// (SystemHandleInformation) lists every process's open handles.
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectTypeIndex;
    UCHAR handleAttributes;
    USHORT handleValue;
    PVOID object;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
constexpr SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

size_t CountOwnHandles()
{
    using Query = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    // Through void*: GetProcAddress answers a generic function pointer.
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<BYTE> buffer(1 << 16);
    NTSTATUS status = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr))
           == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    EXPECT_EQ(0, status);
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    size_t count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        count += table->entries[i].processId == self ? 1 : 0;
    return count;
}

TEST(Handles, CountingSeesAnOpenKey)
{
    const size_t before = CountOwnHandles();
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, &hKey));
    EXPECT_EQ(before + 1, CountOwnHandles());
    RegCloseKey(hKey);
    EXPECT_EQ(before, CountOwnHandles());
}

// Counts the handles that an action leaves open in this process.
size_t HandlesLeftBy(const std::function<void()>& action)
{
    const size_t before = CountOwnHandles();
    action();
    return CountOwnHandles() - before;
}

// Every action except the notice, along its main and its failure paths.
void RunEveryQuietAction(const SimulatedInstallation& install)
{
    SchedulerPath szPath = {};
    SchedulerPath szOutside = L"C:\\Kit\\tbSched.exe";
    WriteSettingsFile(install.settingsPath(), kImportedSubkey, {{kImportedValueName, 1}});
    FindSchedulerThroughAppPaths(szPath);
    RegisterAutostart(szPath);
    ImportSettingsFile(szPath, TRUE);     // imported and removed
    ImportSettingsFile(szPath, TRUE);     // missing
    ImportSettingsFile(szOutside, TRUE);  // outside the product folder
    LocateSchedulerBesideProgram(nullptr, szPath);
    GrantUsersAccessToProductKey();
    MarkLegacySystem();

    DWORD value = 0;
    static_cast<void>(CReg::GetDW(HKEY_LOCAL_MACHINE, tbtest::kProductKey, L"Missing", &value));
    static_cast<void>(CReg::SetDW(HKEY_LOCAL_MACHINE, kImportedSubkey, L"Other", 1));
    static_cast<void>(CReg::Create(HKEY_LOCAL_MACHINE, nullptr));  // logged
    static_cast<void>(IsAllowedPath(L"..\\x.reg"));
}

class HandleTest : public testing::Test {
protected:
    HandleTest()
    {
        WriteDword(HKEY_LOCAL_MACHINE, std::wstring(tbtest::kProductKey) + L"\\Refresh", L"Log", 1);
        WriteDword(HKEY_LOCAL_MACHINE, std::wstring(tbtest::kProductKey) + L"\\Child", L"Value", 1);
    }
    ~HandleTest() override { DeleteFileW(kLogPath); }

    SimulatedInstallation m_install;
    StandInScheduler m_scheduler;
};

TEST_F(HandleTest, TheActionsLeaveNoHandleOpen)
{
    // The first round loads what the platform keeps for the process
    // (libraries, cached root keys); the second must leave nothing open.
    RunEveryQuietAction(m_install);
    EXPECT_EQ(0u, HandlesLeftBy([&] { RunEveryQuietAction(m_install); }));

    m_scheduler.Start();
    NotifySchedulerOfUninstall();
    m_scheduler.Start();
    EXPECT_EQ(0u, HandlesLeftBy(NotifySchedulerOfUninstall));
    EXPECT_EQ(2u, m_scheduler.Notices());
}

TEST_F(HandleTest, StartingTheSchedulerLeavesNoMoreThanThePlatformsOwnLaunch)
{
    // Under Wine 8, WaitForInputIdle itself leaves one handle open per
    // launch (seen with a bare start, as here); the notice must add nothing
    // to that.
    const size_t platform = HandlesLeftBy(StandInScheduler::Launch);
    StandInScheduler::EndAll();
    EXPECT_EQ(platform, HandlesLeftBy(NotifySchedulerOfUninstall));
    EXPECT_EQ(2u, m_scheduler.Launches());
    EXPECT_EQ(1u, m_scheduler.Notices());
}

}  // namespace
