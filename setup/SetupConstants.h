// Fixed registry names and waits of the setup actions.
#pragma once

#include <windows.h>

#include "common/Product.h"

// The machine-wide autostart entry (HKEY_LOCAL_MACHINE, 64-bit view).
inline constexpr LPCWSTR kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr LPCWSTR kRunValueName = L"TAVOBatt";

// The legacy flag; this sub-key text ends with a backslash.
inline constexpr LPCWSTR kLegacyFlagKey = L"SOFTWARE\\TAVO\\TAVOBatt\\";
inline constexpr LPCWSTR kLegacyFlagValue = L"Limited";
inline constexpr DWORD kLegacyMajorVersion = 5;
inline constexpr DWORD kLegacyMinorVersion = 1;

// The settings file is merged by reg.exe, started by its full path in the
// system folder: "<tool>" import "<settings file>".
inline constexpr LPCWSTR kRegToolName = L"reg.exe";
inline constexpr LPCWSTR kImportCommandFormat = L"\"%s\" import \"%s\"";
// Room for the longest tool path and settings path that fit kPathUnits each,
// the two pairs of quotes and " import ".
inline constexpr size_t kImportCommandUnits = 2 * kPathUnits + 16;
inline constexpr DWORD kImportTimeoutMs = 60000;

// The scheduler notice: one search a second, at most this many times.
inline constexpr int kNoticeAttempts = 30;
inline constexpr DWORD kNoticeAttemptWaitMs = 1000;
// A started scheduler is given this long to become ready for input.
inline constexpr DWORD kSchedulerReadyWaitMs = 3000;
inline constexpr DWORD kNoticeReplyTimeoutMs = 30000;
inline constexpr DWORD kAfterNoticeWaitMs = 1000;

// What the grant leaves the Users group on the product key and its direct
// subkeys: read, write, create and delete values and subkeys (0x3001F).
// Never the rights to plant a registry link or to rewrite the access list
// or owner: with those a user could turn a later elevated run against the
// machine. Earlier versions granted KEY_ALL_ACCESS; the grant takes those
// rights back.
inline constexpr ACCESS_MASK kUsersModifyAccess = KEY_READ | KEY_WRITE | DELETE;
inline constexpr ACCESS_MASK kUsersWithheldAccess = KEY_CREATE_LINK | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
// The first read of a key's security descriptor offers this many bytes.
inline constexpr DWORD kInitialDescriptorBytes = 256;
