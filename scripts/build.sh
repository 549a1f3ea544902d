#!/usr/bin/env bash
# Set-up, configure and build into build/mingw.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
