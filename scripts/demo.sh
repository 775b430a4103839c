#!/bin/sh
# The demo: installs what is missing, builds tbSetup.exe and the example
# installer, then, in a Wine prefix of its own (build/demo-prefix), installs
# TAVOBatt silently (the installer runs "tbSetup.exe /Commit") and removes it
# again (the uninstaller runs "tbSetup.exe /Uninstall"), printing before and
# after each step what tbSetup.exe may change; then does the same with the
# example MSI package through msiexec.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh >/dev/null
echo "build: build/bin/tbSetup.exe and build/bin/TAVOBatt-setup.exe are ready"

root=$(pwd)
bin="$root/build/bin"
export WINEPREFIX="$root/build/demo-prefix"
. ./tests/wine/env.sh
trap './tests/wine/prefix-down.sh "$WINEPREFIX" >/dev/null' EXIT
./tests/wine/prefix-up.sh "$WINEPREFIX"

inspect() {
  echo
  echo "---- $1"
  wine "$bin/tbShowState.exe" | tr -d '\r'
}

# An earlier version left the product key behind, with the access list that
# the system gives a new key: Users may only read.
wine reg add 'HKLM\SOFTWARE\TAVO\TAVOBatt' /v Version /d 0.9 /f >/dev/null
inspect "before installation (an earlier version left the product key)"

echo
echo "==== TAVOBatt-setup.exe /S    (copies tbSched.exe, tbSched.exe.reg, tbSetup.exe; writes App Paths; runs tbSetup.exe /Commit)"
wine "$bin/TAVOBatt-setup.exe" /S
inspect "after installation: Run value, imported settings, settings file gone, Users given modify rights (CCDCLCSWRPSDRC)"

echo
echo "==== uninstall.exe /S         (runs tbSetup.exe /Uninstall, then removes the files)"
# "_?=" makes the uninstaller run in place, so that waiting for it waits for
# the uninstall. It must stand unquoted at the end of the command line, which
# wine's own argument passing would quote: a batch file hands it over as is.
printf '@"C:\\Program Files\\TAVOBatt\\uninstall.exe" /S _?=C:\\Program Files\\TAVOBatt\r\n' \
  > "$WINEPREFIX/drive_c/uninstall-tavobatt.bat"
wine cmd /c 'C:\uninstall-tavobatt.bat'
inspect "after uninstall: the scheduler was started and received one notice"

# The same product as an MSI package, as a deployment system installs it.
msi=$(winepath -w "$bin/TAVOBatt.msi" 2>/dev/null)
echo
echo "==== msiexec /i TAVOBatt.msi /qn   (Windows Installer runs tbSetup.exe /Commit as a deferred custom action)"
wine msiexec /i "$msi" /qn
inspect "after the MSI installation: Run value, imported settings, settings file gone"

echo
echo "==== msiexec /x TAVOBatt.msi /qn   (runs tbSetup.exe /Uninstall before any file or value is removed)"
wine msiexec /x "$msi" /qn
inspect "after the MSI removal: one more notice, Run value gone"
