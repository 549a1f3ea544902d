#!/usr/bin/env bash
# Builds and runs every benchmark under Wine and prints one table. Each
# figure stands beside a baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
bin=build/mingw/bin

echo "| what | figure | baseline | comparison | target |"
echo "|---|---|---|---|---|"
for b in bench_log bench_settings bench_launch; do
  scripts/wine-run.sh "$bin/$b.exe" | tr -d '\r'
done

dll=$bin/KXVirtualMachMgr.dll
size=$(stat -c %s "$dll")
imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')
echo "| KXVirtualMachMgr.dll size | $((size / 1024)) KiB | - | - | - |"
echo "| KXVirtualMachMgr.dll imports | ${imports% } | - | - | Windows system DLLs only |"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)," \
  "$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1); $(/usr/lib/wine/wine64 --version 2>/dev/null || wine --version)"
