# Sourced by the benchmark scripts, with `sizes` set to the sizes to run in
# sectors (none given: 131,072 and 524,288, that is 64 and 256 MiB): builds
# torvex-e2e.exe and the given targets of the Windows build this machine can
# run (scripts/machine.sh: the 32-bit one, or its 64-bit twin where the machine
# runs no 32-bit programs or TORVEX_WIN64=1), and says which, in the build
# folder TORVEX_BUILD (default build/windows or build/windows64), makes the
# benchmarks' Wine prefix there with a drive A: of random bytes as large as the
# largest size, and starts an Xvfb display for it, stopped on exit.
# Defines: root, build, program (TORVEX_EXE, default the build's
# torvex-e2e.exe), bench (the benchmarks' folder; TORVEX works in work/, the
# bare loop in work/bare/), prefix, winpath, previous_file.
set -euo pipefail
[ ${#sizes[@]} -gt 0 ] || sizes=(131072 524288)
drive_sectors=0
for sectors in "${sizes[@]}"; do
  if [ "$sectors" -gt "$drive_sectors" ]; then drive_sectors=$sectors; fi
done
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
. scripts/machine.sh
preset=$(windows_preset)
build=$(realpath -m "${TORVEX_BUILD:-build/$preset}")  # relative to the repository, or absolute
TORVEX_WINEARCH=$(wine_arch "$preset")
export TORVEX_WINEARCH
echo "benchmarks: $(windows_build_words)"
scripts/install-deps.sh >/dev/null
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j2 --target torvex-e2e "$@" >/dev/null

program=${TORVEX_EXE:-$build/torvex-e2e.exe}
bench=$build/bench
prefix=$bench/wineprefix
mkdir -p "$bench/work/bare"
scripts/wine-prefix.sh "$prefix"
head -c $((drive_sectors * 512)) /dev/urandom >"$prefix/drives/a.img"

"$root/scripts/xvfb.sh" start "$bench" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$bench" >/dev/null' EXIT  # also ends the prefix's Wine server
export DISPLAY=:$(cat "$bench/xvfb.display")
export TORVEX_WINEPREFIX=$prefix

winpath() { echo "Z:${1//\//\\}"; }

# Writes PATH with BYTES zero bytes and waits until they are on the disk: the
# previous dump for the first round to replace, as each later round replaces
# the one before it, already on the disk through its own flush.
previous_file() {
  head -c "$2" /dev/zero >"$1"
  sync "$1"
}
