// Registry links. Once "/Commit" has run, users may write the product key and
// its subkeys, so a link found there was planted by one of them: following it
// would let this elevated program write wherever the link points. The product
// never creates a link itself.
#pragma once

#include <windows.h>

// TRUE when the key, opened with REG_OPTION_OPEN_LINK, is a link rather than
// an ordinary key.
[[nodiscard]] BOOL IsRegistryLink(HKEY hKey);

// TRUE when hRoot\lpSubkey and every key below it are ordinary keys; a
// missing key holds no link. FALSE when any of them is a link, and when the
// tree cannot be walked to its end (a key that does not open or enumerate,
// or one nested deeper than this program looks).
[[nodiscard]] BOOL IsKeyTreeFreeOfLinks(HKEY hRoot, LPCWSTR lpSubkey);
