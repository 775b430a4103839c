#include "common/Log.h"

#include <stdarg.h>
#include <shlobj.h>

#include "common/Handles.h"
#include "common/LogFormat.h"
#include "common/Product.h"
#include "common/Reg.h"

// Last: it marks the unbounded string functions of earlier headers as banned.
#include <strsafe.h>

namespace {

// Set while a line is being written; the program is single-threaded, so a
// plain flag is enough.
bool g_bLineInProgress = false;

// The finished line lives in one process-wide buffer, not on the stack.
WCHAR g_line[kLogLineUnits];

// The log lies in the common application-data folder, where any user may
// create files: a link or a second name put there could steer this elevated
// program's write into a file of the system's. Only a file with one name and
// no reparse point is written.
BOOL IsPlainFile(HANDLE hFile)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    return (GetFileInformationByHandle(hFile, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0
            && info.nNumberOfLinks == 1)
               ? TRUE
               : FALSE;
}

}  // namespace

LogLineGuard::LogLineGuard() noexcept : m_acquired(!g_bLineInProgress)
{
    if (m_acquired)
        g_bLineInProgress = true;
}

LogLineGuard::~LogLineGuard()
{
    if (m_acquired)
        g_bLineInProgress = false;
}

BOOL IsLogEnabled()
{
    DWORD dwSwitch = 0;
    if (FAILED(CReg::GetDW(HKEY_LOCAL_MACHINE, kLogSwitchKey, kLogSwitchValue, &dwSwitch)))
        return FALSE;
    return dwSwitch != 0 ? TRUE : FALSE;
}

void ReportNullArgument(LPCWSTR lpszFunction, int nLine, LPCWSTR lpszParameter)
{
    WriteLog(lpszFunction, nLine, kNullArgumentFormat, lpszParameter);
}

void WriteLog(LPCWSTR lpszFunction, int nLine, LPCWSTR lpszFormat, ...)
{
    if (!IsLogEnabled())
        return;
    if (lpszFunction == nullptr || lpszFormat == nullptr)
        return;

    // A message that does not fit is written cut; only the debugger hears of it.
    WCHAR szMessage[kLogMessageUnits] = {};
    va_list args;
    va_start(args, lpszFormat);
    HRESULT hr = StringCchVPrintfW(szMessage, kLogMessageUnits, lpszFormat, args);
    va_end(args);
    if (FAILED(hr))
        OutputDebugStringW(kMessageTooLongNotice);

    LogLineGuard guard;
    if (!guard.Acquired())
        return;

    WCHAR szPath[kPathUnits] = {};
    CreateLogFilePath(szPath, kPathUnits, kLogFileName);

    WCHAR szTime[kLogTimeStampUnits] = {};
    FormatLogTimeStamp(szTime, kLogTimeStampUnits);

    // A line too long for the buffer is cut, but keeps its line end so that
    // the next line starts on a line of its own.
    if (StringCchPrintfW(g_line, kLogLineUnits, kLogLineFormat, szTime, GetCurrentProcessId(), lpszFunction, nLine,
                         szMessage)
        == STRSAFE_E_INSUFFICIENT_BUFFER) {
        const size_t cchLineEnd = 2;
        static_cast<void>(StringCchCopyW(g_line + kLogLineUnits - 1 - cchLineEnd, cchLineEnd + 1, kLogLineEnd));
    }

    AppendLogText(szPath, g_line);
}

void CreateLogFilePath(LPWSTR lpszPath, DWORD cchPath, LPCWSTR lpszFilename)
{
    if (lpszPath == nullptr) {
        ReportNullArgument(L"CreateLogFilePath", __LINE__, L"lpszPath");
        return;
    }
    if (lpszFilename == nullptr) {
        ReportNullArgument(L"CreateLogFilePath", __LINE__, L"szFilename");
        return;
    }

    WCHAR szFolder[kPathUnits] = {};
    WCHAR szJoined[kPathUnits] = {};
    if (SHGetSpecialFolderPathW(nullptr, szFolder, CSIDL_COMMON_APPDATA, FALSE))
        StringCchPrintfW(szJoined, kPathUnits, kFileInFolderFormat, szFolder, lpszFilename);
    else
        StringCchPrintfW(szJoined, kPathUnits, kFileInCurrentDirectoryFormat, lpszFilename);
    // A path cut to the caller's capacity is used as it is: the log is a
    // diagnostic aid and nothing else depends on its name.
    static_cast<void>(StringCchCopyW(lpszPath, cchPath, szJoined));
}

void FormatLogTimeStamp(LPWSTR lpszOut, size_t cchOut)
{
    if (lpszOut == nullptr)
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    StringCchPrintfW(lpszOut, cchOut, kLogTimeStampFormat, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                     now.wSecond, now.wMilliseconds);
}

void AppendLogText(LPCWSTR lpszPath, LPCWSTR lpszText)
{
    if (lpszPath == nullptr || lpszText == nullptr)
        return;

    for (int attempt = 1; attempt <= kLogOpenAttempts; ++attempt) {
        // No sharing: this open is what serialises writers of the same file.
        // A link is opened as itself, never followed.
        UniqueHandle file(CreateFileW(lpszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
        if (file) {
            if (!IsPlainFile(file.get()))
                return;
            DWORD cbWritten = 0;
            if (SetFilePointer(file.get(), 0, nullptr, FILE_END) == 0)
                WriteFile(file.get(), kUtf16ByteOrderMark, sizeof(kUtf16ByteOrderMark), &cbWritten, nullptr);
            // cppcheck-suppress lstrlenWCalled ; the text is the caller's terminated line buffer
            WriteFile(file.get(), lpszText, static_cast<DWORD>(lstrlenW(lpszText)) * sizeof(WCHAR), &cbWritten,
                      nullptr);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(kLogOpenRetryMs);
    }
}
