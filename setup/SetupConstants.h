// Fixed registry names and waits of the setup actions.
#pragma once

#include <windows.h>

// The machine-wide autostart entry (HKEY_LOCAL_MACHINE, 64-bit view).
inline constexpr LPCWSTR kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr LPCWSTR kRunValueName = L"TAVOBatt";

// The legacy flag; this sub-key text ends with a backslash.
inline constexpr LPCWSTR kLegacyFlagKey = L"SOFTWARE\\TAVO\\TAVOBatt\\";
inline constexpr LPCWSTR kLegacyFlagValue = L"Limited";
inline constexpr DWORD kLegacyMajorVersion = 5;
inline constexpr DWORD kLegacyMinorVersion = 1;

// The registry editor is started by its full path in the Windows folder.
inline constexpr LPCWSTR kRegistryEditorName = L"regedit.exe";
inline constexpr LPCWSTR kImportCommandFormat = L"\"%s\" /s \"%s\"";
inline constexpr DWORD kImportTimeoutMs = 60000;

// The scheduler notice: one search a second, at most this many times.
inline constexpr int kNoticeAttempts = 30;
inline constexpr DWORD kNoticeAttemptWaitMs = 1000;
inline constexpr DWORD kNoticeReplyTimeoutMs = 30000;
inline constexpr DWORD kAfterNoticeWaitMs = 1000;

// Full access for the Users group: KEY_ALL_ACCESS.
inline constexpr ACCESS_MASK kFullKeyAccess = KEY_ALL_ACCESS;
// The first read of a key's security descriptor offers this many bytes.
inline constexpr DWORD kInitialDescriptorBytes = 256;
// Sub-key names: the registry allows 255 characters, plus the terminator.
inline constexpr DWORD kSubkeyNameUnits = 256;
