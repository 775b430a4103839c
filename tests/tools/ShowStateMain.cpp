// tbShowState.exe: prints, for a person, everything tbSetup.exe may change:
// the Run value, the settings file, the imported settings, "Limited", the
// access lists of the product key and its direct subkeys, and what the
// stand-in scheduler recorded. Used by the demo.
#include <windows.h>

#include <sddl.h>
#include <stdio.h>

#include "common/Handles.h"
#include "common/Product.h"
#include "companion/Scheduler.h"
#include "tests/standin/StandIn.h"

namespace {

constexpr LPCWSTR kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr LPCWSTR kSettingsFile = L"C:\\Program Files\\TAVOBatt\\tbSched.exe.reg";

void PrintValue(HKEY hKey, LPCWSTR lpName, LPCWSTR lpLabel)
{
    BYTE data[1024] = {};
    DWORD dwType = 0;
    DWORD cbData = sizeof(data) - sizeof(WCHAR);
    if (RegQueryValueExW(hKey, lpName, nullptr, &dwType, data, &cbData) != ERROR_SUCCESS) {
        wprintf(L"  %-34ls (none)\n", lpLabel);
        return;
    }
    if (dwType == REG_DWORD)
        wprintf(L"  %-34ls %lu (REG_DWORD)\n", lpLabel, *reinterpret_cast<DWORD*>(data));
    else if (dwType == REG_SZ || dwType == REG_EXPAND_SZ)
        wprintf(L"  %-34ls \"%ls\" (%ls)\n", lpLabel, reinterpret_cast<LPCWSTR>(data),
                dwType == REG_SZ ? L"REG_SZ" : L"REG_EXPAND_SZ");
    else
        wprintf(L"  %-34ls type %lu, %lu bytes\n", lpLabel, dwType, cbData);
}

void PrintNamedValue(HKEY hRoot, LPCWSTR lpSubkey, LPCWSTR lpName, LPCWSTR lpLabel)
{
    UniqueHKey key;
    if (RegOpenKeyExW(hRoot, lpSubkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        wprintf(L"  %-34ls (no key)\n", lpLabel);
        return;
    }
    PrintValue(key.get(), lpName, lpLabel);
}

void PrintAccessList(HKEY hKey, LPCWSTR lpLabel)
{
    BYTE descriptor[4096] = {};
    DWORD cbDescriptor = sizeof(descriptor);
    LPWSTR lpSddl = nullptr;
    if (RegGetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor, &cbDescriptor) != ERROR_SUCCESS
        || !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                 DACL_SECURITY_INFORMATION, &lpSddl, nullptr)) {
        wprintf(L"    %-32ls (cannot read)\n", lpLabel);
        return;
    }
    wprintf(L"    %-32ls %ls\n", lpLabel, lpSddl);
    LocalFree(lpSddl);
}

void PrintProductKey()
{
    UniqueHKey product;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, product.put()) != ERROR_SUCCESS) {
        wprintf(L"  product key HKLM\\%ls: (none)\n", kProductKey);
        return;
    }
    PrintValue(product.get(), L"Limited", L"\"Limited\":");
    wprintf(L"  access lists (BU = Users, BA = Administrators; KA = full access; CCDCLCSWRPSDRC = modify):\n");
    PrintAccessList(product.get(), L"TAVOBatt");
    for (DWORD dwIndex = 0;; ++dwIndex) {
        WCHAR szName[256] = {};
        DWORD cchName = 256;
        if (RegEnumKeyExW(product.get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        UniqueHKey child;
        if (RegOpenKeyExW(product.get(), szName, 0, KEY_READ, child.put()) != ERROR_SUCCESS)
            continue;
        WCHAR szLabel[300] = {};
        swprintf(szLabel, 300, L"TAVOBatt\\%ls", szName);
        PrintAccessList(child.get(), szLabel);
        for (DWORD dwValue = 0;; ++dwValue) {
            WCHAR szValue[256] = {};
            DWORD cchValue = 256;
            if (RegEnumValueW(child.get(), dwValue, szValue, &cchValue, nullptr, nullptr, nullptr, nullptr)
                != ERROR_SUCCESS)
                break;
            WCHAR szValueLabel[300] = {};
            swprintf(szValueLabel, 300, L"  %ls\\%ls:", szName, szValue);
            PrintValue(child.get(), szValue, szValueLabel);
        }
    }
}

DWORD ReadCounter(LPCWSTR lpName)
{
    DWORD dwValue = 0;
    DWORD cbValue = sizeof(dwValue);
    RegGetValueW(HKEY_CURRENT_USER, kStandInKey, lpName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cbValue);
    return dwValue;
}

}  // namespace

int wmain()
{
    PrintNamedValue(HKEY_LOCAL_MACHINE, kRunKey, L"TAVOBatt", L"Run value \"TAVOBatt\":");
    wprintf(L"  %-34ls %ls\n", L"settings file tbSched.exe.reg:",
            GetFileAttributesW(kSettingsFile) != INVALID_FILE_ATTRIBUTES ? L"present" : L"(none)");
    PrintProductKey();
    wprintf(L"  %-34ls started %lu time(s), %lu uninstall notice(s), window %ls\n", L"scheduler (stand-in):",
            ReadCounter(kStandInLaunchesValue), ReadCounter(kStandInNoticesValue),
            FindWindowW(kSchedulerWindowClass, nullptr) ? L"open" : L"not open");
    return 0;
}
