// Expansion of %NAME% references against the machine-wide environment.
//
// This elevated program may run in a standard user's environment (elevated
// with an administrator's credentials from the user's session), so its own
// environment variables are the user's to choose. A value that ends up
// machine-wide is built from the system's variables only.
#pragma once

#include <windows.h>

// Writes lpSource to lpOut with every %NAME% that the system environment
// defines replaced by its value (names compare without regard to case). A
// reference to an undefined name, and a lone percent sign, stay as written.
// TRUE when the result fits cchOut units with its terminator; otherwise, or
// when the system environment cannot be read, FALSE and lpOut is empty.
[[nodiscard]] BOOL ExpandMachineEnvironmentStrings(LPCWSTR lpSource, LPWSTR lpOut, size_t cchOut);
