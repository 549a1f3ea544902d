#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, builds consumer/ against it
# through find_package and runs it under Wine.
#   consumer_test.sh BUILD_DIR CXX|C
#   CXX: C++ layer with MinGW (.dll.a); C: clang for the MSVC ABI (.lib)
set -euo pipefail
build=$(cd "$1" && pwd) language=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
# Each consumer is left only its own linker's import library.
if [ "$language" = CXX ]; then
  rm "$tmp/prefix/lib/KXVirtualMachMgr.lib"
  compiler=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")
else
  rm "$tmp/prefix/lib/KXVirtualMachMgr.dll.a"
  # lld-link looks for NAME.lib; Wine ships libNAME.a.
  mkdir "$tmp/libs"
  for lib in kernel32 ole32 oleaut32; do
    ln -s "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/lib$lib.a" "$tmp/libs/$lib.lib"
  done
  compiler=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=clang
            -DCMAKE_C_COMPILER_TARGET=x86_64-pc-windows-msvc -DCMAKE_C_COMPILER_WORKS=ON
            -DKX_WINE_INCLUDE=/usr/include/wine/wine "-DCMAKE_EXE_LINKER_FLAGS=-Wl,/libpath:$tmp/libs")
fi
cmake -S "$here/consumer" -B "$tmp/build" -DKX_CONSUMER_LANGUAGE="$language" \
  -DCMAKE_PREFIX_PATH="$tmp/prefix" "${compiler[@]}" >/dev/null
cmake --build "$tmp/build" >/dev/null
cp "$tmp/prefix/bin/KXVirtualMachMgr.dll" "$tmp/build/"
status=0
KX_WINE_ROOT="$build/wine" "$root/scripts/wine-run.sh" "$tmp/build/consumer.exe" >"$tmp/out" 2>&1 ||
  status=$?
cat "$tmp/out"
[ "$status" = 0 ] || { echo "consumer.exe: exit status $status"; exit 1; }
grep -q "consumer: ok" "$tmp/out"
