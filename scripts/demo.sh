#!/usr/bin/env bash
# Installs what is missing, builds, and runs one real launch under Wine:
# VMLauncher.exe loads KXVirtualMachMgr.dll, which shows the splash, finds
# the stand-in Eureka.exe through the registry, starts it in the chosen
# language, reads its ApiVersion and waits until it ends. Then prints the log.
#
#   DEMO_LANGUAGE   the product's "Language" setting (default German)
#   DEMO_SECONDS    how long the stand-in runs once it is up (default 5)
#   DISPLAY         when set, the launch shows on that display instead of a
#                   private Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/build.sh >/dev/null

out=$root/build/demo
rm -rf "$out"
mkdir -p "$out"

export KX_WINE_ROOT=$root/build/mingw/wine
export KX_KEEP_PREFIX=$out/prefix
export KX_PREFIX_SETUP=$root/scripts/demo-prefix.sh
export KX_DEMO_OUT=$out
export KX_DEMO_BIN=$root/build/mingw/bin
export DEMO_LANGUAGE=${DEMO_LANGUAGE:-German}
[ -n "${DISPLAY:-}" ] && export KX_USE_DISPLAY=1
export EUREKA_STANDIN_LIFETIME_MS=$(( ${DEMO_SECONDS:-5} * 1000 ))
# Ready 2 s after its start, as a simulator loading a machine might be: the
# responsive start shows its splash that long.
export EUREKA_STANDIN_PUBLISH_DELAY_MS=2000

echo "demo: VMLauncher.exe --where   (where everything is, on the demo's machine)"
KX_KEEP_PREFIX=$out/where-prefix KX_DEMO_NO_SHOTS=1 \
  scripts/wine-run.sh "$KX_DEMO_BIN/VMLauncher.exe" --where | tr -d '\r' || true
rm -rf "$out/where-prefix"
echo
echo "demo: VMLauncher.exe --debug on --tag Demo   (language setting: $DEMO_LANGUAGE)"
set +e
scripts/wine-run.sh "$KX_DEMO_BIN/VMLauncher.exe" --debug on --tag Demo
status=$?
set -e
echo "demo: VMLauncher.exe exited with status $status"

log="$out/prefix/drive_c/users/Public/Kalvex Data/KXVirtualMachine.log"
echo
echo "---- KXVirtualMachine.log (C:\\users\\Public\\Kalvex Data\\) ----"
if [ -f "$log" ]; then tr -d '\r' <"$log"; else echo "(no log written)"; fi
echo "---- end of log ----"
echo
for shot in splash eureka; do
  [ -s "$out/$shot.png" ] && echo "demo: screenshot of the $shot saved to $out/$shot.png"
done
exit $status
