#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Safe to run again; does nothing when everything is there.
set -euo pipefail

packages=(
  cmake make python3
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 libwine-dev
  clang lld llvm
  xvfb xauth x11-apps imagemagick
  googletest
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    "${missing[@]}" >/dev/null
fi
