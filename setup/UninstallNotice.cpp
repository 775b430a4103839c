// Uninstall mode: make sure the scheduler runs, then tell it the product is
// being removed.
#include "companion/Scheduler.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

void NotifySchedulerOfUninstall()
{
    // Look once a second; after every look that finds nothing, start the
    // scheduler. WinExec returns once the started program waits for input,
    // so a scheduler that creates its window first is found by the next look.
    HWND hScheduler = nullptr;
    for (int attempt = 0; attempt < kNoticeAttempts && hScheduler == nullptr; ++attempt) {
        hScheduler = FindWindowW(kSchedulerWindowClass, nullptr);
        Sleep(kNoticeAttemptWaitMs);
        if (hScheduler == nullptr)
            WinExec(kSchedulerLaunchCommand, SW_SHOWNORMAL);
    }
    if (hScheduler == nullptr)
        return;

    // Bounded: a scheduler that never answers must not hang the uninstall.
    DWORD_PTR dwAnswer = 0;
    SendMessageTimeoutW(hScheduler, kUninstallNotice, 0, 0, SMTO_NORMAL, kNoticeReplyTimeoutMs, &dwAnswer);
    Sleep(kAfterNoticeWaitMs);
}
