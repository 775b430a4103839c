// What the test suites share: starting programs in the prefix, reading and
// isolating registry keys, files, and the stand-in scheduler.
#pragma once

#include <windows.h>

#include "common/Handles.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tbtest {

struct LoadedModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { FreeLibrary(value); }
};
// A module loaded with LoadLibraryExW, freed when the test ends.
using UniqueModule = UniqueResource<LoadedModuleTraits>;

inline constexpr LPCWSTR kProductFolder = L"C:\\Program Files\\TAVOBatt";
// Where the installer puts the scheduler (the stand-in, in tests).
inline constexpr LPCWSTR kInstalledScheduler = L"C:\\Program Files\\TAVOBatt\\tbSched.exe";
inline constexpr LPCWSTR kLogPath = L"C:\\ProgramData\\tavobatt_refresh.log";
inline constexpr LPCWSTR kSettingsPath = L"C:\\Program Files\\TAVOBatt\\tbSched.exe.reg";
inline constexpr LPCWSTR kAppPathsSubkey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tbSched.exe";
inline constexpr LPCWSTR kScratchKey = L"SOFTWARE\\TAVOBattTests";
// A generous bound for one run of the program that does not wait on purpose.
inline constexpr DWORD kQuickRunMs = 20000;

// The folder that holds the test programs, tbSetup.exe and the stand-in.
std::wstring BinDir();
std::wstring SetupExePath();
// The stand-in scheduler as built (installed in the prefix as tbSched.exe).
std::wstring StandInExePath();
// A program of the system folder, by its full path.
std::wstring SystemProgramPath(LPCWSTR name);

struct RunResult {
    DWORD exitCode = STILL_ACTIVE;
    DWORD elapsedMs = 0;
};

// Starts a program, waits for it to end (or kills it after the timeout) and
// reports its exit code and how long it ran.
RunResult RunProgram(const std::wstring& application, const std::wstring& commandLine,
                     const std::wstring& currentDirectory = L"", DWORD timeoutMs = 120000);

// Runs tbSetup.exe (or a copy of it) as an installer would: quoted path, then
// the arguments.
RunResult RunSetup(const std::wstring& arguments, const std::wstring& exePath = SetupExePath(),
                   const std::wstring& currentDirectory = L"");

// --- registry ---------------------------------------------------------------

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
};

std::optional<RegValue> ReadValue(HKEY root, const std::wstring& subkey, LPCWSTR name);
// Every value of the key, by name.
std::map<std::wstring, RegValue> ReadAllValues(HKEY root, const std::wstring& subkey);
void WriteValue(HKEY root, const std::wstring& subkey, LPCWSTR name, const RegValue& value);
void WriteString(HKEY root, const std::wstring& subkey, LPCWSTR name, const std::wstring& text,
                 DWORD type = REG_SZ);
void WriteDword(HKEY root, const std::wstring& subkey, LPCWSTR name, DWORD value);
bool KeyExists(HKEY root, const std::wstring& subkey);
void DeleteTree(HKEY root, const std::wstring& subkey);
RegValue StringValue(const std::wstring& text, DWORD type = REG_SZ);
RegValue DwordValue(DWORD value);

// Leaves a key tree as the test found it: moves it aside while the test runs
// (the test starts without it) and puts it back afterwards.
class ScopedKeyAside {
public:
    ScopedKeyAside(HKEY root, std::wstring subkey);
    ~ScopedKeyAside();
    ScopedKeyAside(const ScopedKeyAside&) = delete;
    ScopedKeyAside& operator=(const ScopedKeyAside&) = delete;

private:
    HKEY m_root;
    std::wstring m_subkey;
    std::wstring m_backup;
    bool m_saved = false;
};

// A registry link at HKEY_LOCAL_MACHINE\subkey (volatile) that leads to the
// HKEY_LOCAL_MACHINE key target, as a user with link rights could plant it.
// When the test ends the link itself is removed, never what it leads to.
class ScopedRegistryLink {
public:
    ScopedRegistryLink(std::wstring subkey, const std::wstring& target);
    ~ScopedRegistryLink();
    ScopedRegistryLink(const ScopedRegistryLink&) = delete;
    ScopedRegistryLink& operator=(const ScopedRegistryLink&) = delete;

private:
    std::wstring m_subkey;
};

// Sets a variable in this process's environment, which the programs it
// starts inherit, and restores it when the test ends.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::wstring name, const std::wstring& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_saved;
};

// The same for one value.
class ScopedValueAside {
public:
    ScopedValueAside(HKEY root, std::wstring subkey, std::wstring name);
    ~ScopedValueAside();
    ScopedValueAside(const ScopedValueAside&) = delete;
    ScopedValueAside& operator=(const ScopedValueAside&) = delete;

private:
    HKEY m_root;
    std::wstring m_subkey;
    std::wstring m_name;
    std::optional<RegValue> m_saved;
};

// --- files ------------------------------------------------------------------

bool FileExists(const std::wstring& path);
std::vector<BYTE> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const void* data, size_t size);
// A registry-editor file (UTF-16 with its byte-order mark) setting DWORD
// values under one HKEY_LOCAL_MACHINE key.
void WriteSettingsFile(const std::wstring& path, const std::wstring& machineSubkey,
                       const std::vector<std::pair<std::wstring, DWORD>>& dwords);

// Deletes the file (and the folder it made, if any) when the test ends.
class ScopedFile {
public:
    explicit ScopedFile(std::wstring path) : m_path(std::move(path)) {}
    ~ScopedFile() { DeleteFileW(m_path.c_str()); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    const std::wstring& path() const { return m_path; }

private:
    std::wstring m_path;
};

class ScopedFolder {
public:
    explicit ScopedFolder(std::wstring path);
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;
    const std::wstring& path() const { return m_path; }

private:
    std::wstring m_path;
};

// --- a simulated installation ----------------------------------------------

inline constexpr LPCWSTR kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr LPCWSTR kRunValueName = L"TAVOBatt";
inline constexpr LPCWSTR kProductKey = L"SOFTWARE\\TAVO\\TAVOBatt";
// The settings file of a simulated installation sets these.
inline constexpr LPCWSTR kImportedSubkey = L"SOFTWARE\\TAVO\\TAVOBatt\\Settings";
inline constexpr LPCWSTR kImportedValueName = L"Interval";
inline constexpr DWORD kImportedValue = 60;

// What the installer leaves before it runs tbSetup.exe: the scheduler's App
// Paths registration naming schedulerPath, and its settings file beside it.
// The Run value, the App Paths key and the product key are put aside for the
// test and restored afterwards; the settings file is removed.
class SimulatedInstallation {
public:
    explicit SimulatedInstallation(const std::wstring& schedulerPath = kInstalledScheduler);
    const std::wstring& settingsPath() const { return m_settings.path(); }
    void RegisterAppPath(const RegValue& value) const;

private:
    ScopedKeyAside m_appPaths;
    ScopedKeyAside m_product;
    ScopedValueAside m_run;
    ScopedFile m_settings;
};

// Makes Wine report another Windows version ("winxp", "win2003", "win7") to
// one program, by its file name, for the test's duration.
class ScopedWindowsVersion {
public:
    ScopedWindowsVersion(const std::wstring& exeName, const std::wstring& version);
    ~ScopedWindowsVersion();
    ScopedWindowsVersion(const ScopedWindowsVersion&) = delete;
    ScopedWindowsVersion& operator=(const ScopedWindowsVersion&) = delete;

private:
    std::wstring m_key;
};

// --- the stand-in scheduler -------------------------------------------------

// Sets the stand-in's behaviour for the test, clears its counters, and ends
// every running stand-in before and after the test.
class StandInScheduler {
public:
    explicit StandInScheduler(DWORD behaviour = 0, DWORD handlerDelayMs = 0);
    ~StandInScheduler();
    StandInScheduler(const StandInScheduler&) = delete;
    StandInScheduler& operator=(const StandInScheduler&) = delete;

    // Starts one instance and waits until its window is there.
    void Start();
    // Starts one instance and waits until it is ready for input, no longer.
    static void Launch();
    // Ends every instance and puts the stand-in back at the scheduler's
    // location, after an installer replaced or removed it.
    static void Reinstall();
    DWORD Launches() const;
    DWORD Notices() const;
    // The current folder the last instance was started in.
    std::wstring CurrentDirectory() const;
    static void EndAll();

private:
    ScopedKeyAside m_control;
};

}  // namespace tbtest
