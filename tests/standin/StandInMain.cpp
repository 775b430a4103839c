// A stand-in for TAVOBatt's scheduler: shows a top-level window of class
// "tbSched", counts its starts and the uninstall notices it receives, and
// behaves as the control values under its test key ask.
#include <windows.h>

#include "common/Handles.h"
#include "companion/Scheduler.h"
#include "tests/standin/StandIn.h"

namespace {

DWORD ReadControl(LPCWSTR lpName)
{
    DWORD dwValue = 0;
    DWORD cbValue = sizeof(dwValue);
    if (RegGetValueW(HKEY_CURRENT_USER, kStandInKey, lpName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cbValue)
        != ERROR_SUCCESS)
        return 0;
    return dwValue;
}

void Count(LPCWSTR lpName)
{
    UniqueHKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr)
        != ERROR_SUCCESS)
        return;
    const DWORD dwValue = ReadControl(lpName) + 1;
    RegSetValueExW(key.get(), lpName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

LRESULT CALLBACK SchedulerWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case kUninstallNotice:
        // Like the real scheduler, leave once the product is being removed,
        // so that the uninstaller can delete the program file.
        Count(kStandInNoticesValue);
        Sleep(ReadControl(kStandInHandlerDelayValue));
        PostMessageW(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

void RecordCurrentDirectory()
{
    WCHAR szFolder[MAX_PATH] = {};
    const DWORD cchFolder = GetCurrentDirectoryW(MAX_PATH, szFolder);
    UniqueHKey key;
    if (cchFolder == 0 || cchFolder >= MAX_PATH
        || RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr)
               != ERROR_SUCCESS)
        return;
    RegSetValueExW(key.get(), kStandInCurrentDirectoryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(szFolder),
                   (cchFolder + 1) * sizeof(WCHAR));
}

void CreateSchedulerWindow(HINSTANCE hInstance)
{
    CreateWindowExW(0, kSchedulerWindowClass, L"TAVOBatt scheduler (stand-in)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInstance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    Count(kStandInLaunchesValue);
    RecordCurrentDirectory();
    const DWORD dwBehaviour = ReadControl(kStandInBehaviourValue);
    if (dwBehaviour == kStandInHangAtStart) {
        Sleep(kStandInLifetimeMs);
        return 0;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = SchedulerWindowProc;
    windowClass.hInstance = hInstance;
    windowClass.lpszClassName = kSchedulerWindowClass;
    RegisterClassW(&windowClass);

    if (dwBehaviour == kStandInNormal)
        CreateSchedulerWindow(hInstance);
    const UINT_PTR lateWindowTimer =
        dwBehaviour == kStandInWindowAfterWait ? SetTimer(nullptr, 0, kStandInLateWindowMs, nullptr) : 0;
    const UINT_PTR lifetimeTimer = SetTimer(nullptr, 0, kStandInLifetimeMs, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_TIMER) {
            if (msg.wParam == lifetimeTimer)
                break;
            if (msg.wParam == lateWindowTimer) {
                KillTimer(nullptr, lateWindowTimer);
                CreateSchedulerWindow(hInstance);
            }
            continue;
        }
        DispatchMessageW(&msg);
    }
    return 0;
}
