// Commit mode: mark an installation on Windows XP with "Limited" = 1.
#include "common/Reg.h"
#include "setup/Setup.h"
#include "setup/SetupConstants.h"

BOOL IsWinXP()
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = kLegacyMajorVersion;
    version.dwMinorVersion = kLegacyMinorVersion;

    ULONGLONG conditions = 0;
    conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, conditions);
}

HRESULT SetRegLimited(DWORD dwValue)
{
    return CReg::SetDW(HKEY_LOCAL_MACHINE, kLegacyFlagKey, kLegacyFlagValue, dwValue);
}

void MarkLegacySystem()
{
    // Only ever set: a value from an earlier system is left as it is.
    if (IsWinXP())
        static_cast<void>(SetRegLimited(1));
}
