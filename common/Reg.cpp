#include "common/Reg.h"

#include "common/Handles.h"
#include "common/Log.h"

BOOL CReg::IsExistKey(HKEY hRoot, LPCWSTR lpSubkey)
{
    if (lpSubkey == nullptr) {
        ReportNullArgument(L"CReg::IsExistKey", __LINE__, L"lpSubkey");
        return FALSE;
    }
    UniqueHKey key;
    return RegOpenKeyExW(hRoot, lpSubkey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

HRESULT CReg::Create(HKEY hRoot, LPCWSTR lpSubkey)
{
    if (lpSubkey == nullptr) {
        ReportNullArgument(L"CReg::Create", __LINE__, L"lpSubkey");
        return E_POINTER;
    }
    if (IsExistKey(hRoot, lpSubkey))
        return S_OK;

    UniqueHKey key;
    if (RegCreateKeyExW(hRoot, lpSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(), nullptr)
        != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

HRESULT CReg::GetDW(HKEY hRoot, LPCWSTR lpSubkey, LPCWSTR lpName, DWORD* lpValue)
{
    if (lpSubkey == nullptr) {
        ReportNullArgument(L"CReg::GetDW", __LINE__, L"lpSubkey");
        return E_POINTER;
    }
    if (lpName == nullptr) {
        ReportNullArgument(L"CReg::GetDW", __LINE__, L"lpName");
        return E_POINTER;
    }

    UniqueHKey key;
    if (RegOpenKeyExW(hRoot, lpSubkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return E_FAIL;

    // The type is not checked: whatever fits in four bytes is taken as raw
    // little-endian bytes, so a one-character REG_SZ reads as its code.
    DWORD dwData = 0;
    DWORD dwType = REG_DWORD;
    DWORD cbData = sizeof(dwData);
    if (RegQueryValueExW(key.get(), lpName, nullptr, &dwType, reinterpret_cast<LPBYTE>(&dwData), &cbData)
        != ERROR_SUCCESS)
        return E_FAIL;

    *lpValue = dwData;
    return S_OK;
}

HRESULT CReg::SetDW(HKEY hRoot, LPCWSTR lpSubkey, LPCWSTR lpName, DWORD dwValue)
{
    if (lpSubkey == nullptr) {
        ReportNullArgument(L"CReg::SetDW", __LINE__, L"lpSubkey");
        return E_POINTER;
    }
    if (lpName == nullptr) {
        ReportNullArgument(L"CReg::SetDW", __LINE__, L"lpName");
        return E_POINTER;
    }
    if (FAILED(Create(hRoot, lpSubkey)))
        return E_FAIL;

    UniqueHKey key;
    if (RegOpenKeyExW(hRoot, lpSubkey, 0, KEY_WRITE, key.put()) != ERROR_SUCCESS)
        return E_FAIL;
    if (RegSetValueExW(key.get(), lpName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue))
        != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}
