#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh, throw-away prefix with its
# own virtual X display, and exits with the program's exit status.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#
# KX_WINE_ROOT   where the template and the per-run prefixes live
#                (default: the program's folder/../wine)
# KX_SCREEN      Xvfb screen geometry (default 1920x1080x24)
# KX_USE_DISPLAY 1: use the caller's $DISPLAY instead of a private Xvfb
# KX_KEEP_PREFIX a folder: keep the prefix there instead of deleting it
# KX_PREFIX_SETUP a script run with WINEPREFIX set before the program starts
set -euo pipefail

program=$1; shift
program_dir=$(cd "$(dirname "$program")" && pwd)
root=${KX_WINE_ROOT:-$program_dir/../wine}
mkdir -p "$root"
root=$(cd "$root" && pwd)

wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)
wineserver_bin=/usr/lib/wine/wineserver
[ -x "$wineserver_bin" ] || wineserver_bin=$(command -v wineserver)

export WINEDEBUG=${WINEDEBUG:--all}
# No debugger on a crash: the crashed program ends instead of waiting.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=win64

# One template per build tree, made once; every run copies it.
template=$root/template-2
if [ ! -f "$template/.kx-ready" ]; then
  exec 9>"$root/template.lock"
  flock 9
  if [ ! -f "$template/.kx-ready" ]; then
    rm -rf "$template"
    WINEPREFIX=$template "$wine_bin" wineboot -i >/dev/null 2>&1 || true
    # Xvfb has no window manager; an unmanaged window hides at once instead
    # of waiting ~2 s for one.
    WINEPREFIX=$template "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' \
      /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    WINEPREFIX=$template "$wineserver_bin" -w >/dev/null 2>&1 || true
    touch "$template/.kx-ready"
  fi
  flock -u 9
  exec 9>&-
fi

prefix=$(mktemp -d "$root/prefix.XXXXXX")
cp -a "$template/." "$prefix/"
export WINEPREFIX=$prefix

xvfb_pid=
cleanup() {
  "$wineserver_bin" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ -n "${KX_KEEP_PREFIX:-}" ]; then
    rm -rf "$KX_KEEP_PREFIX"; mv "$prefix" "$KX_KEEP_PREFIX"
  else
    rm -rf "$prefix"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${KX_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
  fdfile=$(mktemp "$root/display.XXXXXX")
  Xvfb -displayfd 7 -screen 0 "${KX_SCREEN:-1920x1080x24}" -nolisten tcp \
    7>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  export DISPLAY=:$(tr -d '[:space:]' <"$fdfile")
  rm -f "$fdfile"
fi

# A persistent server keeps the program's own child processes fast.
"$wineserver_bin" -p >/dev/null 2>&1 </dev/null &
[ -n "${KX_PREFIX_SETUP:-}" ] && bash "$KX_PREFIX_SETUP"

set +e
"$wine_bin" "$program" "$@"
status=$?
set -e
exit $status
