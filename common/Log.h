// The diagnostic log: a hidden UTF-16 file, "tavobatt_refresh.log" in the
// common application-data folder, written only while the registry switch
// "Log" under the product's "Refresh" key is nonzero. It receives the
// null-argument reports of the support routines. Writing never reports a
// failure: a line that cannot be written is lost.
#pragma once

#include <windows.h>

// Appends one line "[time][pid][function][line] message\r\n". The format
// follows the platform's wide printf conventions: %s takes UTF-16 text.
void WriteLog(LPCWSTR lpszFunction, int nLine, LPCWSTR lpszFormat, ...);

// TRUE when the "Log" switch, read now (never cached), is nonzero; FALSE when
// it is 0 or cannot be read.
[[nodiscard]] BOOL IsLogEnabled();

// The log file's full path; ".\<name>" when the common application-data
// folder cannot be obtained.
void CreateLogFilePath(LPWSTR lpszPath, DWORD cchPath, LPCWSTR lpszFilename);

// "[YYYY/MM/DD hh:mm:ss.mmm]" from the local time.
void FormatLogTimeStamp(LPWSTR lpszOut, size_t cchOut);

// Appends the text (no terminator) to the file, starting a new file with a
// byte-order mark; retries for about a second while another writer holds it.
void AppendLogText(LPCWSTR lpszPath, LPCWSTR lpszText);

// The one diagnostic the support routines write: "<parameter> is NULL.".
void ReportNullArgument(LPCWSTR lpszFunction, int nLine, LPCWSTR lpszParameter);

// Held while a line is being written, so that a report raised on the way
// (a nested WriteLog) does not overwrite the one process-wide line buffer:
// only the first holder acquires it.
class LogLineGuard {
public:
    LogLineGuard() noexcept;
    ~LogLineGuard();
    LogLineGuard(const LogLineGuard&) = delete;
    LogLineGuard& operator=(const LogLineGuard&) = delete;

    [[nodiscard]] bool Acquired() const noexcept { return m_acquired; }

private:
    bool m_acquired;
};
