#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, builds consumer/ against it
# through find_package and runs it under Wine.
#   consumer_test.sh BUILD_DIR CXX|C
#   CXX: tests/hosts/cxx_host.cpp with MinGW (.dll.a); C: tests/hosts/c_host.c
#   with clang for the MSVC ABI (.lib). Beside the DLL, the stand-in Eureka.exe
#   for their launches.
set -euo pipefail
build=$(cd "$1" && pwd) language=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The add-in's folder, put on drive C: of the run's prefix.
printf 'cp -r "%s/addin" "$WINEPREFIX/drive_c/addin"\n' "$tmp" >"$tmp/copy-addin.sh"

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
# Each consumer is left only its own linker's import library.
if [ "$language" = CXX ]; then
  rm "$tmp/prefix/lib/KXVirtualMachMgr.lib"
  compiler=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")
else
  rm "$tmp/prefix/lib/KXVirtualMachMgr.dll.a"
  # lld-link looks for NAME.lib; Wine ships libNAME.a.
  mkdir "$tmp/libs"
  for lib in kernel32 advapi32 ole32 oleaut32 ucrtbase uuid; do
    ln -s "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/lib$lib.a" "$tmp/libs/$lib.lib"
  done
  compiler=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=clang
            -DCMAKE_C_COMPILER_TARGET=x86_64-pc-windows-msvc -DCMAKE_C_COMPILER_WORKS=ON
            -DKX_WINE_INCLUDE=/usr/include/wine/wine "-DCMAKE_EXE_LINKER_FLAGS=-Wl,/libpath:$tmp/libs")
fi
cmake -S "$here/consumer" -B "$tmp/build" -DKX_CONSUMER_LANGUAGE="$language" \
  -DKX_HOSTS_DIR="$root/tests/hosts" \
  -DCMAKE_PREFIX_PATH="$tmp/prefix" "${compiler[@]}" >/dev/null
cmake --build "$tmp/build" >/dev/null
cp "$tmp/prefix/bin/KXVirtualMachMgr.dll" "$build/bin/Eureka.exe" "$tmp/build/"
status=0
KX_WINE_ROOT="$build/wine" "$root/scripts/wine-run.sh" "$tmp/build/consumer.exe" >"$tmp/out" 2>&1 ||
  status=$?
cat "$tmp/out"
[ "$status" = 0 ] || { echo "consumer.exe: exit status $status"; exit 1; }
grep -q "PASSED: [0-9]* checks, 0 failed" "$tmp/out"

# The sample add-ins as the zip ships them, built through the same package:
# the C one for Microsoft's ABI, loaded by its path from a folder of its own
# and run; the C++ one with MinGW.
if [ "$language" = CXX ]; then
  samples=(-DADDIN_C=OFF)
else
  wine=/usr/include/wine/wine
  samples=(-DADDIN_CPP=OFF "-DCMAKE_C_FLAGS=-D_UCRT -isystem $wine/msvcrt -isystem $wine/windows"
           "-DCMAKE_SHARED_LINKER_FLAGS=-Wl,/noentry,/nodefaultlib,/libpath:$tmp/libs"
           "-DCMAKE_C_STANDARD_LIBRARIES=-lkernel32")
fi
cmake -S "$tmp/prefix/samples" -B "$tmp/samples" -DCMAKE_PREFIX_PATH="$tmp/prefix" \
  "${compiler[@]}" "${samples[@]}" >/dev/null
cmake --build "$tmp/samples" >/dev/null
[ "$language" = CXX ] && exit 0
mkdir "$tmp/addin"
cp "$tmp/samples/addin_c.dll" "$tmp/prefix/bin/KXVirtualMachMgr.dll" "$build/bin/Eureka.exe" \
  "$tmp/addin/"
KX_WINE_ROOT="$build/wine" KXT_ADDIN='C:\addin\addin_c.dll' \
  KX_PREFIX_SETUP="$tmp/copy-addin.sh" "$root/scripts/wine-run.sh" "$tmp/build/addin_loader.exe"
