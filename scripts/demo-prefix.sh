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

# The splash is up from about 0.5 s to 3 s after the start; the stand-in's
# window from about 4 s on.
shoot() {
  sleep "$1"
  xwd -root -silent -display "$DISPLAY" 2>/dev/null |
    convert-im6.q16 xwd:- "png:$KX_DEMO_OUT/$2.png" 2>/dev/null || true
}
[ -n "${KX_DEMO_NO_SHOTS:-}" ] || { (shoot 1.8 splash &) ; (shoot 4.8 eureka &) ; }
