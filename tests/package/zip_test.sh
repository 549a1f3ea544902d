#!/usr/bin/env bash
# Builds the zip with CPack; it must hold the guide, the samples, the binaries
# with their .pdb files, both import libraries, every public header and the
# CMake configuration, and its checksum must match; the
# binaries must carry the product version, and each .pdb must be the one its
# binary's CodeView record names (GUID and age) and name its entry points.
#   zip_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
include=$root/include
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
for file in README.md NOTICE samples/CMakeLists.txt samples/addin.c samples/addin.cpp \
  bin/KXVirtualMachMgr.dll bin/KXVirtualMachMgr.pdb bin/VMLauncher.exe \
  bin/VMLauncher.pdb lib/KXVirtualMachMgr.lib \
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

# The GUID as the debugger writes it ({4-2-2-2-6 bytes}, the first three
# little-endian) and the age, from the binary's raw bytes and from the .pdb.
record_of_binary() {
  llvm-readobj --coff-debug-directory "$1" | awk '
    /PDBGUID:/ { gsub(/[()]/, ""); for (i = 2; i <= 17; i++) b[i - 1] = $i
                 guid = "{" b[4] b[3] b[2] b[1] "-" b[6] b[5] "-" b[8] b[7] "-" b[9] b[10] "-" \
                        b[11] b[12] b[13] b[14] b[15] b[16] "}" }
    /PDBAge:/ { age = $2 }
    END { if (guid != "") print guid, age }'
}
record_of_pdb() {
  llvm-pdbutil dump -summary "$1" | awk '/^ *GUID:/ { guid = $2 } /^ *Age:/ { age = $2 }
                                          END { if (guid != "") print guid, age }'
}
exports=$(sed -n '/^EXPORTS/,$p' "$root/src/capi/KXVirtualMachMgr.def" | sed '1d; s/;.*//' | xargs)
for entry in "KXVirtualMachMgr.dll:$exports" "VMLauncher.exe:wmain"; do
  binary=${entry%%:*} names=${entry#*:}
  pdb=${binary%.*}.pdb
  in_binary=$(record_of_binary "$top/bin/$binary" || true)
  in_pdb=$(record_of_pdb "$top/bin/$pdb" 2>/dev/null || true)
  [ -n "$in_binary" ] && [ "$in_binary" = "$in_pdb" ] ||
    { echo "$binary: CodeView record '$in_binary', $pdb '$in_pdb'"; status=1; }
  llvm-pdbutil dump -publics "$top/bin/$pdb" 2>/dev/null |
    sed -n 's/.*S_PUB32 .*`\(.*\)`$/\1/p' | sort -u >publics || true
  for name in $names; do
    grep -qx "$name" publics || { echo "$pdb does not name $name"; status=1; }
  done
done
exit $status
