#!/bin/sh
# Checks the shipped tbSetup.exe as a file: 64-bit PE, GUI subsystem, and an
# import table that names system DLLs only (a runtime DLL such as
# libstdc++-6.dll or libwinpthread-1.dll would be missing on a clean machine).
set -eu
exe=$1
objdump=x86_64-w64-mingw32-objdump
headers=$($objdump -p "$exe")
status=0

echo "$headers" | grep -q '^Magic[[:space:]]*020b' || { echo "FAIL: not a PE32+ image"; status=1; }
echo "$headers" | grep -q '^Subsystem[[:space:]]*00000002' || { echo "FAIL: not the GUI subsystem"; status=1; }

allowed='^(kernel32|advapi32|user32|shell32|shlwapi|userenv|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "imports: $(echo $imports)"
for dll in $imports; do
  echo "$dll" | grep -Eq "$allowed" || { echo "FAIL: imports $dll"; status=1; }
done
[ $status -eq 0 ] && echo "PASS: PE32+, GUI subsystem, system DLLs only"
exit $status
