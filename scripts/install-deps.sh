#!/usr/bin/env bash
# Installs the Debian packages that building and testing TORVEX need, and
# generates the ja_JP.UTF-8 locale: Wine converts file names between Windows
# and Unix with the C library's locale, so without it Japanese folder names
# are mangled. Both Windows builds are compiled everywhere (the 32-bit program
# users get, and its 64-bit twin); 64-bit Wine runs the twin on every machine,
# and 32-bit Wine is added only where the machine runs 32-bit programs
# (scripts/machine.sh): elsewhere it could start nothing. Idempotent: packages already present are skipped, apt is not
# touched at all when nothing is missing, and nor is the locale when present.
set -euo pipefail
. "$(dirname "$0")/machine.sh"

packages=(
  cmake g++ make googletest
  clang libclang-rt-14-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  xvfb x11-utils xdotool imagemagick fonts-ipafont-gothic
  dosfstools e2fsprogs
  fuse3 python3-fusepy
  locales
  zip
)
if runs_32bit_programs; then packages+=(wine32:i386); fi

need_i386=0
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
    [[ $p == *:i386 ]] && need_i386=1
  fi
done

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
else
  echo "install-deps: installing ${missing[*]}"
  if [ "$need_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a | grep -qi '^ja_JP\.utf8$'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
fi
