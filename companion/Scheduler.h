// What this program relies on about TAVOBatt's resident scheduler, tbSched.exe.
#pragma once

#include <windows.h>

inline constexpr LPCWSTR kSchedulerBaseName = L"tbSched";

// The scheduler's App Paths registration (HKEY_LOCAL_MACHINE) holds its full
// path as the default value of the sub-key "<base name>.exe".
inline constexpr LPCWSTR kAppPathsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Where the installer puts the scheduler, and the folder it is started in.
// The launch command is the quoted path: it holds a space, and unquoted an
// elevated start could run C:\Program.exe.
inline constexpr LPCWSTR kSchedulerFolder = L"C:\\Program Files\\TAVOBatt";
inline constexpr LPCWSTR kSchedulerInstallPath = L"C:\\Program Files\\TAVOBatt\\tbSched.exe";
inline constexpr LPCWSTR kSchedulerLaunchCommand = L"\"C:\\Program Files\\TAVOBatt\\tbSched.exe\"";

// The settings file is the executable's full path with this appended.
inline constexpr LPCWSTR kSettingsFileSuffix = L".reg";

// The scheduler's main window is top-level, of this class, any title.
inline constexpr LPCWSTR kSchedulerWindowClass = L"tbSched";

// Sent once on uninstall, wParam 0, lParam 0; the answer is ignored.
inline constexpr UINT kUninstallNotice = WM_APP + 0x603;
