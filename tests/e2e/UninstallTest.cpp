// "/Uninstall": the scheduler is found or started, and hears the notice once.
#include <gtest/gtest.h>

#include <string>

#include "tests/standin/StandIn.h"
#include "tests/support/AclSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr LPCWSTR kProgramExe = L"C:\\Program.exe";
constexpr LPCWSTR kSchedulerAside = L"C:\\Program Files\\TAVOBatt\\tbSched.exe.aside";

struct NoticeCase {
    const char* name;
    DWORD behaviour;
    bool runningBefore;
    bool installed;
    DWORD handlerDelayMs;
    DWORD expectedLaunches;  // including the test's own start
    DWORD expectedNotices;
    DWORD minMs;
    DWORD maxMs;
};

// Puts the installed scheduler aside, and plants C:\Program.exe, which an
// unquoted launch command would start instead.
class SchedulerMissing {
public:
    SchedulerMissing()
    {
        EXPECT_TRUE(MoveFileW(kInstalledScheduler, kSchedulerAside));
        EXPECT_TRUE(CopyFileW(StandInExePath().c_str(), kProgramExe, FALSE));
    }
    ~SchedulerMissing()
    {
        StandInScheduler::EndAll();
        DeleteFileW(kProgramExe);
        MoveFileW(kSchedulerAside, kInstalledScheduler);
    }
    SchedulerMissing(const SchedulerMissing&) = delete;
    SchedulerMissing& operator=(const SchedulerMissing&) = delete;
};

void RunNoticeCase(const NoticeCase& c)
{
    SCOPED_TRACE(c.name);
    StandInScheduler scheduler(c.behaviour, c.handlerDelayMs);
    std::optional<SchedulerMissing> missing;
    if (!c.installed)
        missing.emplace();
    if (c.runningBefore)
        scheduler.Start();

    const RunResult result = RunSetup(L"/Uninstall");

    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(c.expectedLaunches, scheduler.Launches());
    EXPECT_EQ(c.expectedNotices, scheduler.Notices());
    EXPECT_GE(result.elapsedMs, c.minMs);
    EXPECT_LE(result.elapsedMs, c.maxMs);
}

TEST(Uninstall, FindsOrStartsTheSchedulerAndNotifiesItOnce)
{
    const NoticeCase cases[] = {
        // One search, one second, the notice, one more second.
        {"running", kStandInNormal, true, true, 0, 1, 1, 1900, 8000},
        // Started in the first attempt, found by the second.
        {"not running", kStandInNormal, false, true, 0, 1, 1, 1900, 9000},
        // Its window is not there when it becomes ready: it is still
        // running, so it is waited for, not started again.
        {"window after its first wait", kStandInWindowAfterWait, false, true, 0, 1, 1, 2900, 10000},
    };
    for (const NoticeCase& c : cases)
        RunNoticeCase(c);
}

TEST(Uninstall, ASchedulerThatNeverShowsItsWindowIsStartedOnce)
{
    const NoticeCase cases[] = {
        // Thirty searches, one start, no notice.
        {"reads its messages, no window", kStandInNoWindow, false, true, 0, 1, 0, 29000, 40000},
        // The start waits a few seconds at most for it to become ready.
        {"hangs at startup", kStandInHangAtStart, false, true, 0, 1, 0, 29000, 40000},
    };
    for (const NoticeCase& c : cases)
        RunNoticeCase(c);
}

TEST(Uninstall, AMissingSchedulerCostsThirtyAttemptsAndNoNotice)
{
    RunNoticeCase({"missing", kStandInNormal, false, false, 0, 0, 0, 29000, 60000});
}

TEST(Uninstall, ASchedulerThatNeverAnswersIsLeftAfterThirtySeconds)
{
    RunNoticeCase({"hung handler", kStandInNormal, true, true, 120000, 1, 1, 31000, 45000});
}

TEST(Uninstall, StartsTheSchedulerInItsOwnFolderNotTheCallers)
{
    StandInScheduler scheduler;
    ScopedFolder plant(L"C:\\Plant");

    EXPECT_EQ(0u, RunSetup(L"/Uninstall", SetupExePath(), plant.path()).exitCode);

    EXPECT_EQ(1u, scheduler.Launches());
    EXPECT_EQ(std::wstring(kProductFolder), scheduler.CurrentDirectory());
}

TEST(Uninstall, TouchesNothingButTheNotice)
{
    SimulatedInstallation install;
    WriteString(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName, kInstalledScheduler);
    WriteDword(HKEY_LOCAL_MACHINE, kProductKey, L"Limited", 1);
    WriteDword(HKEY_LOCAL_MACHINE, std::wstring(kProductKey) + L"\\Child", L"Value", 1);
    const std::vector<AceEntry> productAcl = ReadDacl(HKEY_LOCAL_MACHINE, kProductKey);
    const std::vector<AceEntry> childAcl = ReadDacl(HKEY_LOCAL_MACHINE, std::wstring(kProductKey) + L"\\Child");
    const auto run = ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName);
    StandInScheduler scheduler;
    scheduler.Start();

    RunSetup(L"/Uninstall");

    EXPECT_EQ(1u, scheduler.Notices());
    EXPECT_EQ(run, ReadValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName));
    EXPECT_EQ(DwordValue(1), ReadValue(HKEY_LOCAL_MACHINE, kProductKey, L"Limited"));
    EXPECT_EQ(productAcl, ReadDacl(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_EQ(childAcl, ReadDacl(HKEY_LOCAL_MACHINE, std::wstring(kProductKey) + L"\\Child"));
    EXPECT_TRUE(FileExists(install.settingsPath()));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kImportedSubkey, kImportedValueName).has_value());
}

}  // namespace
