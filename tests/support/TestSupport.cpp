#include "tests/support/TestSupport.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "common/Handles.h"
#include "companion/Scheduler.h"
#include "tests/standin/StandIn.h"

namespace tbtest {

std::wstring BinDir()
{
    WCHAR szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path(szPath);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring SetupExePath()
{
    return BinDir() + L"\\tbSetup.exe";
}

std::wstring StandInExePath()
{
    return BinDir() + L"\\tbSchedStandIn.exe";
}

std::wstring SystemProgramPath(LPCWSTR name)
{
    WCHAR szSystem[MAX_PATH] = {};
    GetSystemDirectoryW(szSystem, MAX_PATH);
    return std::wstring(szSystem) + L"\\" + name;
}

RunResult RunProgram(const std::wstring& application, const std::wstring& commandLine,
                     const std::wstring& currentDirectory, DWORD timeoutMs)
{
    RunResult result;
    std::wstring mutableLine = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    UniqueProcessInformation child;
    const DWORD started = GetTickCount();
    if (!CreateProcessW(application.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, child.put())) {
        ADD_FAILURE() << "cannot start the program, error " << GetLastError();
        return result;
    }
    if (WaitForSingleObject(child.process(), timeoutMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program was still running after " << timeoutMs << " ms";
        TerminateProcess(child.process(), 1);
        WaitForSingleObject(child.process(), INFINITE);
    }
    result.elapsedMs = GetTickCount() - started;
    GetExitCodeProcess(child.process(), &result.exitCode);
    return result;
}

RunResult RunSetup(const std::wstring& arguments, const std::wstring& exePath, const std::wstring& currentDirectory)
{
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    return RunProgram(exePath, commandLine, currentDirectory);
}

// --- registry ---------------------------------------------------------------

std::optional<RegValue> ReadValue(HKEY root, const std::wstring& subkey, LPCWSTR name)
{
    UniqueHKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    DWORD cbData = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &cbData) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(cbData);
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(), &cbData) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(cbData);
    return value;
}

std::map<std::wstring, RegValue> ReadAllValues(HKEY root, const std::wstring& subkey)
{
    std::map<std::wstring, RegValue> values;
    UniqueHKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        WCHAR szName[16384] = {};
        DWORD cchName = 16384;
        if (RegEnumValueW(key.get(), index, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::optional<RegValue> value = ReadValue(root, subkey, szName))
            values[szName] = *value;
    }
    return values;
}

void WriteValue(HKEY root, const std::wstring& subkey, LPCWSTR name, const RegValue& value)
{
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                             nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name, 0, value.type, value.data.data(),
                                            static_cast<DWORD>(value.data.size())));
}

RegValue StringValue(const std::wstring& text, DWORD type)
{
    RegValue value;
    value.type = type;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(WCHAR));
    return value;
}

RegValue DwordValue(DWORD dword)
{
    RegValue value;
    value.type = REG_DWORD;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&dword);
    value.data.assign(bytes, bytes + sizeof(dword));
    return value;
}

void WriteString(HKEY root, const std::wstring& subkey, LPCWSTR name, const std::wstring& text, DWORD type)
{
    WriteValue(root, subkey, name, StringValue(text, type));
}

void WriteDword(HKEY root, const std::wstring& subkey, LPCWSTR name, DWORD value)
{
    WriteValue(root, subkey, name, DwordValue(value));
}

bool KeyExists(HKEY root, const std::wstring& subkey)
{
    UniqueHKey key;
    return RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::wstring& subkey)
{
    RegDeleteTreeW(root, subkey.c_str());
    RegDeleteKeyW(root, subkey.c_str());
}

namespace {

void CopyTree(HKEY root, const std::wstring& from, const std::wstring& to)
{
    UniqueHKey source;
    UniqueHKey target;
    if (RegOpenKeyExW(root, from.c_str(), 0, KEY_READ, source.put()) != ERROR_SUCCESS)
        return;
    if (RegCreateKeyExW(root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(), nullptr)
        != ERROR_SUCCESS)
        return;
    RegCopyTreeW(source.get(), nullptr, target.get());
}

}  // namespace

ScopedKeyAside::ScopedKeyAside(HKEY root, std::wstring subkey) : m_root(root), m_subkey(std::move(subkey))
{
    std::wstring flat = m_subkey;
    for (WCHAR& ch : flat)
        if (ch == L'\\')
            ch = L'|';
    m_backup = std::wstring(kScratchKey) + L"\\Aside\\" + flat;
    m_saved = KeyExists(m_root, m_subkey);
    if (m_saved) {
        DeleteTree(m_root, m_backup);
        CopyTree(m_root, m_subkey, m_backup);
        DeleteTree(m_root, m_subkey);
    }
}

ScopedKeyAside::~ScopedKeyAside()
{
    DeleteTree(m_root, m_subkey);
    if (m_saved) {
        CopyTree(m_root, m_backup, m_subkey);
        DeleteTree(m_root, m_backup);
    }
}

ScopedRegistryLink::ScopedRegistryLink(std::wstring subkey, const std::wstring& target)
    : m_subkey(std::move(subkey))
{
    UniqueHKey link;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_subkey.c_str(), 0, nullptr,
                                             REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK,
                                             nullptr, link.put(), nullptr));
    // A kernel path, in UTF-16 without its terminator.
    const std::wstring kernelPath = L"\\Registry\\Machine\\" + target;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK,
                                            reinterpret_cast<const BYTE*>(kernelPath.data()),
                                            static_cast<DWORD>(kernelPath.size() * sizeof(WCHAR))));
}

ScopedRegistryLink::~ScopedRegistryLink()
{
    // RegDeleteKey would follow the link and delete its target: delete the
    // link key itself, opened as a link.
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    UniqueHKey link;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_subkey.c_str(), REG_OPTION_OPEN_LINK, DELETE, link.put())
        == ERROR_SUCCESS) {
        EXPECT_EQ(0, ntDeleteKey(link.get()));
    }
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name, const std::wstring& value)
    : m_name(std::move(name))
{
    WCHAR szSaved[32767] = {};
    if (GetEnvironmentVariableW(m_name.c_str(), szSaved, 32767) != 0)
        m_saved = szSaved;
    SetEnvironmentVariableW(m_name.c_str(), value.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    SetEnvironmentVariableW(m_name.c_str(), m_saved ? m_saved->c_str() : nullptr);
}

ScopedValueAside::ScopedValueAside(HKEY root, std::wstring subkey, std::wstring name)
    : m_root(root), m_subkey(std::move(subkey)), m_name(std::move(name))
{
    m_saved = ReadValue(m_root, m_subkey, m_name.c_str());
    UniqueHKey key;
    if (RegOpenKeyExW(m_root, m_subkey.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), m_name.c_str());
}

ScopedValueAside::~ScopedValueAside()
{
    UniqueHKey key;
    if (RegOpenKeyExW(m_root, m_subkey.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), m_name.c_str());
    if (m_saved)
        WriteValue(m_root, m_subkey, m_name.c_str(), *m_saved);
}

// --- files ------------------------------------------------------------------

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return bytes;
    bytes.resize(GetFileSize(file.get(), nullptr));
    DWORD cbRead = 0;
    ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &cbRead, nullptr);
    bytes.resize(cbRead);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const void* data, size_t size)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    ASSERT_TRUE(static_cast<bool>(file)) << "cannot create the file, error " << GetLastError();
    DWORD cbWritten = 0;
    ASSERT_TRUE(WriteFile(file.get(), data, static_cast<DWORD>(size), &cbWritten, nullptr));
}

void WriteSettingsFile(const std::wstring& path, const std::wstring& machineSubkey,
                       const std::vector<std::pair<std::wstring, DWORD>>& dwords)
{
    std::wstring text = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + machineSubkey
                        + L"]\r\n";
    for (const auto& [name, value] : dwords) {
        WCHAR szLine[128] = {};
        swprintf(szLine, 128, L"\"%ls\"=dword:%08lx\r\n", name.c_str(), static_cast<unsigned long>(value));
        text += szLine;
    }
    WriteFileBytes(path, text.data(), text.size() * sizeof(WCHAR));
}

ScopedFolder::ScopedFolder(std::wstring path) : m_path(std::move(path))
{
    CreateDirectoryW(m_path.c_str(), nullptr);
}

ScopedFolder::~ScopedFolder()
{
    RemoveDirectoryW(m_path.c_str());
}

// --- a simulated installation ----------------------------------------------

SimulatedInstallation::SimulatedInstallation(const std::wstring& schedulerPath)
    : m_appPaths(HKEY_LOCAL_MACHINE, kAppPathsSubkey),
      m_product(HKEY_LOCAL_MACHINE, kProductKey),
      m_run(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName),
      m_settings(schedulerPath + L".reg")
{
    RegisterAppPath(StringValue(schedulerPath));
    WriteSettingsFile(m_settings.path(), kImportedSubkey, {{kImportedValueName, kImportedValue}});
}

void SimulatedInstallation::RegisterAppPath(const RegValue& value) const
{
    WriteValue(HKEY_LOCAL_MACHINE, kAppPathsSubkey, nullptr, value);
}

ScopedWindowsVersion::ScopedWindowsVersion(const std::wstring& exeName, const std::wstring& version)
    : m_key(L"Software\\Wine\\AppDefaults\\" + exeName)
{
    WriteString(HKEY_CURRENT_USER, m_key, L"Version", version);
}

ScopedWindowsVersion::~ScopedWindowsVersion()
{
    DeleteTree(HKEY_CURRENT_USER, m_key);
}

// --- the stand-in scheduler -------------------------------------------------

StandInScheduler::StandInScheduler(DWORD behaviour, DWORD handlerDelayMs)
    : m_control(HKEY_CURRENT_USER, kStandInKey)
{
    EndAll();
    WriteDword(HKEY_CURRENT_USER, kStandInKey, kStandInBehaviourValue, behaviour);
    WriteDword(HKEY_CURRENT_USER, kStandInKey, kStandInHandlerDelayValue, handlerDelayMs);
}

StandInScheduler::~StandInScheduler()
{
    EndAll();
}

void StandInScheduler::Launch()
{
    std::wstring commandLine = L"\"" + std::wstring(kInstalledScheduler) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    UniqueProcessInformation child;
    ASSERT_TRUE(CreateProcessW(kInstalledScheduler, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, child.put()));
    WaitForInputIdle(child.process(), 10000);
}

void StandInScheduler::Reinstall()
{
    EndAll();
    CreateDirectoryW(kProductFolder, nullptr);
    CopyFileW(StandInExePath().c_str(), kInstalledScheduler, FALSE);
}

void StandInScheduler::Start()
{
    Launch();
    for (int i = 0; i < 100 && FindWindowW(kSchedulerWindowClass, nullptr) == nullptr; ++i)
        Sleep(50);
    ASSERT_NE(nullptr, FindWindowW(kSchedulerWindowClass, nullptr));
}

namespace {

DWORD ReadCounter(LPCWSTR name)
{
    const std::optional<RegValue> value = ReadValue(HKEY_CURRENT_USER, kStandInKey, name);
    if (!value || value->data.size() != sizeof(DWORD))
        return 0;
    return *reinterpret_cast<const DWORD*>(value->data.data());
}

}  // namespace

DWORD StandInScheduler::Launches() const
{
    return ReadCounter(kStandInLaunchesValue);
}

DWORD StandInScheduler::Notices() const
{
    return ReadCounter(kStandInNoticesValue);
}

std::wstring StandInScheduler::CurrentDirectory() const
{
    const std::optional<RegValue> value = ReadValue(HKEY_CURRENT_USER, kStandInKey, kStandInCurrentDirectoryValue);
    if (!value || value->type != REG_SZ)
        return L"";
    return reinterpret_cast<const wchar_t*>(value->data.data());
}

void StandInScheduler::EndAll()
{
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, kStandInImageName) != 0)
            continue;
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && TerminateProcess(process.get(), 0))
            WaitForSingleObject(process.get(), 5000);
    }
}

}  // namespace tbtest
