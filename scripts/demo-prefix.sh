#!/usr/bin/env bash
# Prepares the demo's Wine prefix: the product's registry settings, the
# stand-in Eureka.exe in its vendor's folder, and two screenshots taken while
# the launch runs. Called by wine-run.sh with WINEPREFIX and DISPLAY set.
set -euo pipefail

c=$WINEPREFIX/drive_c
mkdir -p "$c/users/Public/Kalvex Data" "$c/Program Files/Roboris/Eureka"
cp "$KX_DEMO_BIN/Eureka.exe" "$c/Program Files/Roboris/Eureka/Eureka.exe"

reg=$KX_DEMO_OUT/demo.reg
cat >"$reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Brondel\\Kalvex\\Kalvex 2023x64]
"KXDataPath"="C:\\\\users\\\\Public\\\\Kalvex Data"
"Language"="$DEMO_LANGUAGE"

[HKEY_CURRENT_USER\\SOFTWARE\\Brondel\\Kalvex\\Debug]

[HKEY_LOCAL_MACHINE\\Software\\Roboris\\KalvexVirtualMachine]
"EurekaDir"="C:\\\\Program Files\\\\Roboris\\\\Eureka"
REG
wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)
"$wine_bin" regedit /S "$(winepath -w "$reg" 2>/dev/null || echo "Z:${reg//\//\\}")" >/dev/null 2>&1

# Each shot once its window is up and painted, however loaded the machine:
# the window found by its title, then captured until it is not one colour;
# the stand-in's once the splash is gone. 20 s at most each.
window() {  # the X window titled $1 when it is viewable
  local id
  id=$(xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -F "\"$1" | awk '{print $1; exit}')
  [ -n "$id" ] && xwininfo -display "$DISPLAY" -id "$id" 2>/dev/null | grep -q IsViewable && echo "$id"
}
colours() { xwd -silent -display "$DISPLAY" "$@" 2>/dev/null | convert-im6.q16 xwd:- -format %k info: 2>/dev/null; }
shoot() {  # shoot NAME TITLE [TITLE GONE FIRST]
  local id
  for _ in $(seq 1 400); do
    if id=$(window "$2") && { [ -z "${3:-}" ] || ! window "$3" >/dev/null; } &&
       [ "$(colours -id "$id")" -gt 1 ] 2>/dev/null; then
      xwd -root -silent -display "$DISPLAY" 2>/dev/null |
        convert-im6.q16 xwd:- "png:$KX_DEMO_OUT/$1.png" 2>/dev/null
      return
    fi
    sleep 0.05
  done
}
[ -n "${KX_DEMO_NO_SHOTS:-}" ] || {
  (shoot splash "Kalvex Virtual Machine" &)
  (shoot eureka "Eureka" "Kalvex Virtual Machine" &)
}
