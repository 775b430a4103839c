// CReg: small DWORD-value operations on the registry.
//
// Each operation opens the key it needs, does one thing and closes it again;
// none keeps a handle. Results are S_OK, E_FAIL or E_POINTER (IsExistKey
// answers a BOOL): platform error codes are not passed on. A null text
// argument is written to the diagnostic log as a null-argument report and
// answered with E_POINTER (FALSE). Out-parameters are untouched on failure.
// No view flag is requested, so in this 64-bit program every path is in the
// 64-bit registry view.
#pragma once

#include <windows.h>

class CReg {
public:
    CReg() = delete;

    // TRUE when the sub-key opens for reading.
    [[nodiscard]] static BOOL IsExistKey(HKEY hRoot, LPCWSTR lpSubkey);

    // S_OK when the key exists or was created (with any missing parents).
    [[nodiscard]] static HRESULT Create(HKEY hRoot, LPCWSTR lpSubkey);

    // Reads up to 4 bytes of the value, whatever its registry type; a shorter
    // value fills the low bytes. lpValue must not be null.
    [[nodiscard]] static HRESULT GetDW(HKEY hRoot, LPCWSTR lpSubkey, LPCWSTR lpName, DWORD* lpValue);

    // Writes a REG_DWORD, creating the key when it is missing.
    [[nodiscard]] static HRESULT SetDW(HKEY hRoot, LPCWSTR lpSubkey, LPCWSTR lpName, DWORD dwValue);
};
