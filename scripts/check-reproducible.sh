#!/bin/sh
# Builds tbSetup.exe twice from this tree, in two fresh build folders, and
# checks that the two files are the same, byte for byte.
set -eu
cd "$(dirname "$0")/.."
for dir in build-repro-a build-repro-b; do
  rm -rf "$dir"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" --target tbSetup -j 2 >/dev/null
done
a=build-repro-a/bin/tbSetup.exe
b=build-repro-b/bin/tbSetup.exe
if cmp -s "$a" "$b"; then
  echo "reproducible: two builds give the same tbSetup.exe, $(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16)..."
  rm -rf build-repro-a build-repro-b
else
  echo "NOT reproducible: $a and $b differ"
  cmp -l "$a" "$b" | head -n 10
  exit 1
fi
