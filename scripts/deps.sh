#!/bin/sh
# Installs what building and testing tbSetup needs, when it is missing:
#   mingw-w64 (posix threads) and its tools  the cross compiler, windres, objdump
#   wine, wine64                             runs the programs and tests
#   cmake                                    the build
#   googletest                               sources of the test framework
#   clang, clang-tidy, cppcheck              a second compiler and static analysis
#   nsis                                     the example NSIS installer
#   msitools, wixl                           the example MSI package
#   osslsigncode, openssl                    Authenticode signing and its test
#   time                                     the benchmark's peak-memory measure
set -eu
need=""
for pkg in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools wine wine64 cmake googletest clang clang-tidy cppcheck nsis msitools wixl osslsigncode openssl time; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need="$need $pkg"
done
if [ -z "$need" ]; then
  echo "deps: everything is installed"
  exit 0
fi
echo "deps: installing$need"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $need
