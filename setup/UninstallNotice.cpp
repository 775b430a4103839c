// Uninstall mode: make sure the scheduler runs, then tell it the product is
// being removed.
#include "common/Handles.h"
#include "companion/Scheduler.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// Starts the scheduler from its fixed location, in its own folder (not this
// program's current folder, which a user may have chosen), and gives it a
// few seconds at most to become ready for input.
void StartScheduler(UniqueProcessInformation& scheduler)
{
    WCHAR szCommand[kPathUnits] = {};
    if (FAILED(StringCchCopyW(szCommand, kPathUnits, kSchedulerLaunchCommand)))
        return;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessW(kSchedulerInstallPath, szCommand, nullptr, nullptr, FALSE, 0, nullptr, kSchedulerFolder,
                        &startup, scheduler.put()))
        return;
    WaitForInputIdle(scheduler.process(), kSchedulerReadyWaitMs);
}

BOOL IsStillRunning(const UniqueProcessInformation& scheduler)
{
    return (scheduler && WaitForSingleObject(scheduler.process(), 0) == WAIT_TIMEOUT) ? TRUE : FALSE;
}

}  // namespace

void NotifySchedulerOfUninstall()
{
    // Look once a second; after a look that finds nothing, start the
    // scheduler, unless the one started earlier is still running: it may
    // yet show its window, and one that hangs must not be joined by more.
    UniqueProcessInformation started;
    HWND hScheduler = nullptr;
    for (int attempt = 0; attempt < kNoticeAttempts && hScheduler == nullptr; ++attempt) {
        hScheduler = FindWindowW(kSchedulerWindowClass, nullptr);
        Sleep(kNoticeAttemptWaitMs);
        if (hScheduler == nullptr && !IsStillRunning(started))
            StartScheduler(started);
    }
    if (hScheduler == nullptr)
        return;

    // Bounded: a scheduler that never answers must not hang the uninstall.
    DWORD_PTR dwAnswer = 0;
    SendMessageTimeoutW(hScheduler, kUninstallNotice, 0, 0, SMTO_NORMAL, kNoticeReplyTimeoutMs, &dwAnswer);
    Sleep(kAfterNoticeWaitMs);
}
