// The stand-in scheduler's control values, shared by it and the tests.
//
// The stand-in is started without arguments, so a test tells it how to behave
// through values under this key (HKEY_CURRENT_USER), and reads back what it
// recorded.
#pragma once

#include <windows.h>

inline constexpr LPCWSTR kStandInKey = L"Software\\TAVOBattTests\\StandIn";

// Behaviour (DWORD), read at start.
inline constexpr LPCWSTR kStandInBehaviourValue = L"Behaviour";
enum StandInBehaviour : DWORD {
    kStandInNormal = 0,           // window created before it first waits for input
    kStandInWindowAfterWait = 1,  // window created only after it has begun waiting
    kStandInNoWindow = 2,         // reads its messages but never shows a window
    kStandInHangAtStart = 3,      // never shows a window and never reads a message
};
// Milliseconds the notice handler takes before it returns (DWORD).
inline constexpr LPCWSTR kStandInHandlerDelayValue = L"HandlerDelayMs";

// What it records (DWORD counters).
inline constexpr LPCWSTR kStandInLaunchesValue = L"Launches";
inline constexpr LPCWSTR kStandInNoticesValue = L"Notices";
// The current folder it was started in (REG_SZ), written at each start.
inline constexpr LPCWSTR kStandInCurrentDirectoryValue = L"CurrentDirectory";

// The window of the late behaviour appears this long after the start.
inline constexpr UINT kStandInLateWindowMs = 300;
// Every instance ends by itself after this long.
inline constexpr UINT kStandInLifetimeMs = 90000;

inline constexpr LPCWSTR kStandInImageName = L"tbSched.exe";
