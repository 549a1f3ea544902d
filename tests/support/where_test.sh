#!/usr/bin/env bash
# VMLauncher.exe --where as support staff run it: on a machine with nothing of
# the product, and on the demo's machine. The JSON is read with a JSON parser.
#   where_test.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export KX_WINE_ROOT=$bin/../wine
run() {  # run NAME ARGS...: output in $tmp/NAME, status in $tmp/NAME.status
  local name=$1; shift
  set +e
  KX_KEEP_PREFIX=$tmp/$name.prefix "$root/scripts/wine-run.sh" "$bin/VMLauncher.exe" "$@" \
    >"$tmp/$name" 2>"$tmp/$name.err"
  echo $? >"$tmp/$name.status"
  set -e
}

# Nothing installed: every place is missing; no box (it would hang or end
# with 0) and no log file. Then a usage error.
run bare --where
run bare-json --where --json
run usage --where --debug on
# The demo's machine.
export KX_PREFIX_SETUP=$root/scripts/demo-prefix.sh KX_DEMO_OUT=$tmp KX_DEMO_BIN=$bin
export DEMO_LANGUAGE=German KX_DEMO_NO_SHOTS=1
run demo-json --where --json
# A launch told to add to the log that is there.
printf '%s\n' 'bash "$KX_DEMO_SETUP"' \
  'printf "earlier line\r\n" >"$WINEPREFIX/drive_c/users/Public/Kalvex Data/KXVirtualMachine.log"' \
  >"$tmp/append-setup.sh"
(export KX_PREFIX_SETUP=$tmp/append-setup.sh KX_DEMO_SETUP=$KX_PREFIX_SETUP \
   EUREKA_STANDIN_WINDOW=0 EUREKA_STANDIN_LIFETIME_MS=300
 run append --debug on --append --tag Appended)

python3 - "$tmp" <<'PY'
import json, pathlib, sys
tmp = pathlib.Path(sys.argv[1])
problems = []
def expect(what, ok):
    if not ok: problems.append(what)
status = lambda name: int((tmp / f"{name}.status").read_text())

text = (tmp / "bare").read_text(encoding="utf-8").replace("\r", "")
expect("bare: exit status 1", status("bare") == 1)
places = [l for l in text.splitlines() if l.startswith("  HKEY_")]
expect("bare: seven registry places", len(places) == 7)
expect("bare: each place's key missing", all("key missing" in l or "not consulted" in l for l in places))
expect("bare: the first places' keys missing", "key missing" in places[0] and "key missing" in places[4])
expect("bare: no log file", not list((tmp / "bare.prefix").rglob("KXVirtualMachine.log")))
bare = json.loads((tmp / "bare-json").read_text(encoding="utf-8"))
expect("bare json: exit status 1", status("bare-json") == 1)
expect("bare json: data places", [p["status"] for p in bare["data_folder"]["places"]] == ["key missing"] * 4)
expect("bare json: no data folder", bare["data_folder"]["found"] is None and bare["log"]["file"] is None)
expect("bare json: would not start", bare["launch_would_start"] is False)
expect("bare json: not in use", bare["data_folder"]["in_use"] is None)

demo = json.loads((tmp / "demo-json").read_text(encoding="utf-8"))
data = "C:\\users\\Public\\Kalvex Data\\"
expect("demo: exit status 0", status("demo-json") == 0)
expect("demo: data folder", demo["data_folder"]["found"] == data)
vendor = demo["eureka"]["places"][2]
expect("demo: the vendor key wins", vendor["source"] == "vendor key" and
       vendor["status"] == "found, trusted without a check" and vendor["type"] == "REG_SZ")
expect("demo: Eureka.exe present", demo["eureka"]["executable"] ==
       "C:\\Program Files\\Roboris\\Eureka\\Eureka.exe" and demo["eureka"]["executable_present"])
expect("demo: German", demo["language"]["code"] == "deu" and demo["language"]["setting"] == "German")
expect("demo: log file", demo["log"]["file"] == data + "KXVirtualMachine.log")
expect("demo: versions", demo["library"]["interface_version"] == "1.1" and
       demo["library"]["file_version"] == "1.0.0.0")
expect("demo: would start", demo["launch_would_start"] is True)

expect("usage: exit status 2 and the usage", status("usage") == 2 and
       "Usage: VMLauncher" in (tmp / "usage.err").read_text(encoding="utf-8", errors="replace"))
log = next((tmp / "append.prefix").rglob("KXVirtualMachine.log")).read_bytes()
expect("append: exit status 0", status("append") == 0)
expect("append: the earlier line kept, the launch's added",
       log.startswith(b"earlier line\r\n") and b" Appended : " in log)
for p in problems: print("FAILED:", p)
print("where: %d problems" % len(problems))
sys.exit(1 if problems else 0)
PY
