// The test that a file lies inside the product folder, "TAVOBatt" under the
// system's program-files folder. Settings files from anywhere else are never
// merged into the registry.
#pragma once

#include <windows.h>

// TRUE when the path, made absolute and freed of "." and ".." (textually; the
// file need not exist, short names are not expanded), is the product folder
// or lies below it. Letters A to Z compare without regard to case.
[[nodiscard]] BOOL IsAllowedPath(LPCWSTR lpszPath);
