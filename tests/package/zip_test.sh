#!/usr/bin/env bash
# Builds the zip with CPack; it must hold the binaries, both import libraries,
# every public header and the CMake configuration, and the binaries must
# carry the product version.
#   zip_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
include=$(cd "$(dirname "$0")/../../include" && pwd)
top=KXVirtualMachMgr-$version-win64
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null
cd "$tmp"
cmake -E tar tf "$top.zip" >list
cmake -E tar xf "$top.zip"
status=0
sha256sum -c --quiet "$top.zip.sha256" || { echo "the checksum does not match the zip"; status=1; }
grep -q "^# KXVirtualMachMgr $version for Windows x64" "$top/README.md" ||
  { echo "README.md: not the guide of $version"; status=1; }
for file in README.md samples/CMakeLists.txt samples/addin.c samples/addin.cpp \
  bin/KXVirtualMachMgr.dll bin/VMLauncher.exe lib/KXVirtualMachMgr.lib \
  lib/KXVirtualMachMgr.dll.a lib/cmake/KXVirtualMachMgr/KXVirtualMachMgrConfig.cmake \
  lib/cmake/KXVirtualMachMgr/KXVirtualMachMgrConfigVersion.cmake \
  $(cd "$include" && find . -name '*.h' | sed 's|^\./|include/|'); do
  grep -qx "$top/$file" list || { echo "missing: $file"; status=1; }
done
for binary in KXVirtualMachMgr.dll VMLauncher.exe; do
  found=$(x86_64-w64-mingw32-windres -i "$top/bin/$binary" -O rc |
    grep -c -e "VERSION ${version//./, }, 0\$" -e "Version\", \"$version.0\"\$" || true)
  [ "$found" = 4 ] || { echo "$binary: version $version in $found of 4 places"; status=1; }
done
exit $status
