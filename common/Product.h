// The product's fixed names: its registry key, its folder, its diagnostic log.
#pragma once

#include <windows.h>

// Every path below is under HKEY_LOCAL_MACHINE, in the 64-bit registry view:
// no view flag is ever requested.
inline constexpr LPCWSTR kProductKey = L"SOFTWARE\\TAVO\\TAVOBatt";
inline constexpr LPCWSTR kLogSwitchKey = L"SOFTWARE\\TAVO\\TAVOBatt\\Refresh";
inline constexpr LPCWSTR kLogSwitchValue = L"Log";

// The product folder is this name under the system's program-files folder.
inline constexpr LPCWSTR kProductFolderName = L"TAVOBatt";
inline constexpr LPCWSTR kDefaultProductFolder = L"C:\\Program Files\\TAVOBatt";

inline constexpr LPCWSTR kLogFileName = L"tavobatt_refresh.log";

// Text buffers hold at most the platform's path limit, terminator included.
inline constexpr DWORD kPathUnits = MAX_PATH;
// Sub-key names: the registry allows 255 characters, plus the terminator.
inline constexpr DWORD kSubkeyNameUnits = 256;
