#!/usr/bin/env bash
# Makes the release, BUILD/torvex-VERSION.zip (BUILD: TORVEX_BUILD, default build/windows):
# torvex.exe, readme.txt (code page 932, CRLF) and SHA256SUMS. It is reproducible: torvex.exe built
# once more from a copy of the sources in BUILD/package-check must have the same SHA-256, or no zip
# is made; the zip's entries carry the last commit's time and fixed modes, in a fixed order.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath -m "${TORVEX_BUILD:-build/windows}")
version=$(sed -n 's/^#define kVersionText "\(.*\)"$/\1/p' resources/version.h)
zip=$build/torvex-$version.zip
rm -f "$zip"  # a run that fails leaves none
scripts/install-deps.sh
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target torvex >/dev/null

# The second build: every file git knows or would take, in another folder.
scratch=$build/package-check
rm -rf "$scratch"
mkdir -p "$scratch/source" "$scratch/zip"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [ ! -e "$file" ] || printf '%s\0' "$file"; done |
  xargs -0 cp --parents -t "$scratch/source"
(cd "$scratch/source" && cmake --preset windows >/dev/null &&
  cmake --build --preset windows --target torvex >/dev/null)
again=$scratch/source/build/windows/torvex.exe
first=$(sha256sum <"$build/torvex.exe" | cut -d' ' -f1)
second=$(sha256sum <"$again" | cut -d' ' -f1)
echo "torvex.exe: $first built in $build, $second in $(dirname "$again")"
if [ "$first" != "$second" ]; then
  echo "package: the two builds of torvex.exe differ; the first differing bytes:" >&2
  cmp -l "$build/torvex.exe" "$again" | head -5 >&2 || true
  exit 1
fi

# The zip's contents, with fixed times (the last commit's, in UTC) and modes.
cd "$scratch/zip"
cp "$build/torvex.exe" .
iconv -f UTF-8 -t CP932 "$root/resources/readme.txt" | sed 's/$/\r/' >readme.txt
sha256sum torvex.exe readme.txt >SHA256SUMS
commit_time=$(git -C "$root" log -1 --format=%ct)
chmod 644 torvex.exe readme.txt SHA256SUMS
touch -d "@$commit_time" torvex.exe readme.txt SHA256SUMS
TZ=UTC0 zip -q -X -D "$zip" torvex.exe readme.txt SHA256SUMS
echo "package: $zip ($(stat -c %s "$zip") bytes, SHA-256 $(sha256sum <"$zip" | cut -d' ' -f1))"
