// The diagnostic log's fixed texts and sizes.
#pragma once

#include <windows.h>

// In the platform's wide printf, %s takes UTF-16 text.
inline constexpr LPCWSTR kLogLineFormat = L"%s[%08X][%s][%d] %s\r\n";
inline constexpr LPCWSTR kLogTimeStampFormat = L"[%d/%02d/%02d %02d:%02d:%02d.%03d]";
inline constexpr LPCWSTR kNullArgumentFormat = L"%s is NULL.\n";
inline constexpr LPCWSTR kLogLineEnd = L"\r\n";
inline constexpr LPCWSTR kMessageTooLongNotice = L"Fail to StringCchPrintf().";
inline constexpr LPCWSTR kFileInCurrentDirectoryFormat = L".\\%s";
inline constexpr LPCWSTR kFileInFolderFormat = L"%s\\%s";

inline constexpr size_t kLogMessageUnits = 5120;
inline constexpr size_t kLogTimeStampUnits = 128;
inline constexpr size_t kLogLineUnits = 4096;

// A file held by another writer is tried this many times, this far apart.
inline constexpr int kLogOpenAttempts = 10;
inline constexpr DWORD kLogOpenRetryMs = 100;

inline constexpr BYTE kUtf16ByteOrderMark[] = {0xFF, 0xFE};
