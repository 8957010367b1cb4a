#!/usr/bin/env bash
# Installs the Debian packages that building and testing TORVEX need, only those missing, and
# generates the ja_JP.UTF-8 locale, with which Wine turns Japanese file names into Unix ones
# (without it they are mangled). 32-bit Wine only where the machine runs 32-bit programs
# (scripts/machine.sh): elsewhere it could start nothing.
set -euo pipefail
. "$(dirname "$0")/machine.sh"

packages=(
  cmake g++ make googletest clang libclang-rt-14-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb x11-utils xdotool imagemagick fonts-ipafont-gothic
  dosfstools e2fsprogs fuse3 python3-fusepy locales zip
)
if runs_32bit_programs; then packages+=(wine32:i386); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a | grep -qi '^ja_JP\.utf8$'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale"
  $SUDO sed -i '/^# *ja_JP.UTF-8 UTF-8/s/^# *//' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
fi
