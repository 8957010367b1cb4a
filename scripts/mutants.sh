#!/usr/bin/env bash
# Proves the tests with mutants: small faults put into the program one at a time, each a way to
# lose data or mislead the user. For each it changes a scratch copy of the tree (build/mutants/tree)
# and runs the suites in turn until one fails: native, then on the Windows build this machine
# runs (scripts/machine.sh), the unit and seam tests under Wine, then the end-to-end rows and the
# program file's check. It prints what caught each, and the score. By hand, not by CI.
# Usage: scripts/mutants.sh [NAME...]   (default: every mutant below)
#
# A mutant replaces one text in one file, or two (the second may be in another file); each text
# must occur there exactly once, or the script stops: a mutant whose anchor moved is mended, never
# skipped. Anchor on conditions and constants.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scratch=$root/build/mutants
tree=$scratch/tree
logs=$scratch/logs

names=() files=() finds=() replacements=() finds2=() replacements2=() files2=()
mutant() {
  names+=("$1")
  files+=("$2")
  finds+=("$3")
  replacements+=("$4")
  finds2+=("${5:-}")
  replacements2+=("${6:-}")
  files2+=("${7:-$2}")
}

mutant write-without-whole-backup ops/write_operation.cpp \
  'if (backedUp != range.byteCount) {' 'if (false) {'
mutant write-without-saved-backup ops/write_operation.cpp \
  'return saveError == 0;' 'return true;'
mutant read-back-not-compared ops/write_operation.cpp \
  'if (difference != written) {' 'if (false) {'
mutant operation-inside-operation app/commands.cpp \
  'if (g_operationRunning) return;' ''
mutant positioning-failure-ignored ops/write_operation.cpp \
  'if (!SetVolumePosition(volume, range.startPos)) return 0;
  // Just before' \
  'SetVolumePosition(volume, range.startPos);
  // Just before'
mutant image-may-be-the-backup ops/write_operation.cpp \
  'else if (IsSameFile(imagePath, kBackupFile))' 'else if (false)'
mutant fixed-disk-written ops/write_operation.cpp \
  'if (geometry.MediaType == kMediaFixed) {' 'if (false) {'
mutant start-at-2-gib-accepted volume/disk_geometry.cpp \
  'return position < (uint64_t{1} << 31);' 'return position < (uint64_t{1} << 32);'
mutant wrapping-byte-count-accepted ops/write_operation.cpp \
  'exactBytes >= static_cast<int64_t>(kFourGiB)' 'false'
mutant mode-from-first-token app/main.cpp \
  'BuildArgumentVector(modulePath, GetCommandLineA()' 'BuildArgumentVector(GetCommandLineA(), GetCommandLineA()'
mutant save-ignores-a-failed-close output/dump_file.cpp \
  'error = CloseOutputFile(file);' 'CloseOutputFile(file);'
mutant dump-shows-five-sectors output/hex_dump.cpp \
  'if (count > 4 && length > uint64_t{4} * sectorSize) length = uint64_t{4} * sectorSize;' \
  'if (count > 5 && length > uint64_t{5} * sectorSize) length = uint64_t{5} * sectorSize;'
mutant progress-in-32-bits ops/progress.cpp \
  'uint64_t{moved} * 100 / total' 'moved * 100 / total'
mutant window-not-served window/window_conventions_win32.cpp \
  'if (now - g_lastServed < kServeEveryMs) return;' 'if (now) return;'
mutant close-under-an-operation app/main_window.cpp \
  'if (DeferCloseWhileOperationRuns()) return 0;' 'DeferCloseWhileOperationRuns();'

mutant write-after-refused-lock ops/locked_volume.cpp \
  'if (lockError != 0) {' 'if (lockError != 0 && use == VolumeUse::Read) {'
mutant read-after-refused-lock ops/locked_volume.cpp \
  'if (lockError != 0) {' 'if (lockError != 0 && use == VolumeUse::Write) {'
mutant short-sector-tail-from-previous ops/read_operation.cpp \
  'if (lastRead < sectorSize) std::memset(g_sectorBuffer + lastRead, 0, sectorSize - lastRead);' ''
mutant dump-ignores-start-sector ops/read_operation.cpp \
  'SectorDumpLength(count, pos, sectorSize), startPosition);' 'SectorDumpLength(count, pos, sectorSize), 0);'
mutant drive-list-shows-cd-rom app/main_window.cpp \
  'if (GetDriveTypeA(root) == DRIVE_CDROM) continue;' ''
mutant progress-not-shown-while-served window/window_conventions_win32.cpp \
  'if (now - g_progressShown >= kProgressEveryMs) ShowWaitingProgress();' ''
mutant write-without-a-yes ops/write_operation.cpp \
  'if (answer != kAnswerYes) {' 'if (answer == kAnswerNo) {'
mutant short-read-untold ops/read_operation.cpp \
  'if (count > 0 && pos < static_cast<uint32_t>(count) * sectorSize)' 'if (false)'
mutant save-failure-untold ops/read_operation.cpp \
  'if (saveError != 0)' 'if (false)'
mutant dump-file-emptied-in-place output/dump_file.cpp \
  'const std::string partial = std::string(name) + ".tmp";' 'const std::string partial = name;'
mutant dismount-after-read-back ops/write_operation.cpp \
  'if (write && range.byteCount > 0) DismountVolume(volume);' '' \
  'return ReadInPieces(ReadVolume, volume, buffer, written, piece);' \
  'const uint32_t readBack = ReadInPieces(ReadVolume, volume, buffer, written, piece);
  if (written > 0) DismountVolume(volume);
  return readBack;'
mutant no-lock-retry volume/volume_lock.h \
  'constexpr int kLockAttempts = 40;' 'constexpr int kLockAttempts = 1;'
mutant lock-refusal-traced-at-each-retry ops/locked_volume.cpp \
  'const uint32_t lockError = LockVolumeRetrying(volume);' \
  'uint32_t lockError = LockVolume(volume);
  for (int attempt = 1; lockError != 0 && attempt < kLockAttempts; ++attempt) {
    TraceLine(" lock error ");
    PauseBeforeLockRetry();
    lockError = LockVolume(volume);
  }'

mutant backup-not-flushed output/dump_file.cpp \
  'if (error == 0) error = FlushOutputFile(file);' ''
mutant rename-not-write-through volume/volume_win32.cpp \
  'MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;' 'MOVEFILE_REPLACE_EXISTING;'
mutant no-extended-access volume/volume_lock.cpp \
  'if (error == 0) AllowExtendedAccess(volume);' ''
mutant write-protected-backed-up ops/write_operation.cpp \
  'if (writable == kErrorWriteProtect) {' 'if (false) {'
mutant common-controls-imported-at-load app/main_window.cpp \
  'SystemFunction<decltype(CreateStatusWindowA)>("comctl32.dll", "CreateStatusWindowA")' \
  '&CreateStatusWindowA' \
  'set(TORVEX_WIN32_LIBS torvex_logic gdi32 user32 kernel32)' \
  'set(TORVEX_WIN32_LIBS torvex_logic comctl32 gdi32 user32 kernel32)' cmake/windows.cmake
mutant library-loaded-by-bare-name app/system_library.cpp \
  'LoadLibraryExA(path, nullptr' 'LoadLibraryExA(library, nullptr'
mutant partial-created-always volume/volume_win32.cpp \
  'nullptr, CREATE_NEW,' 'nullptr, CREATE_ALWAYS,'
mutant final-path-unchecked output/dump_file.cpp \
  '!facts.reparsePoint &&
                     std::string(facts.finalPath) == std::string(folder) + partial;' \
  '!facts.reparsePoint;'
mutant failed-save-removes-the-name-found output/dump_file.cpp \
  'if (!file) return error;' 'if (!file) {
    RemoveFile(partial.c_str());
    return error;
  }'
mutant redirection-trust-not-asked-for app/main.cpp \
  'TrustOnlyAdministratorsJunctions();
' ''
mutant dll-search-not-narrowed app/main.cpp \
  'NarrowDllSearch();
' ''

selected=("$@")
[ ${#selected[@]} -gt 0 ] || selected=("${names[@]}")

scripts/install-deps.sh >/dev/null
. scripts/machine.sh
preset=$(windows_preset)
echo "mutants: the Windows suites run $(windows_build_words)"
# The scratch tree: every file git knows in the working tree, as it is now.
rm -rf "$tree" "$logs"
mkdir -p "$tree" "$logs"
git ls-files -z -co --exclude-standard | grep -zv '^build/' |
  tar --null --ignore-failed-read -T - -cf - | tar -xf - -C "$tree"
cd "$tree"
# A suite stopped at its first failure may leave its display and mounts behind.
stop_fixtures() {
  scripts/xvfb.sh stop "build/$preset"
  scripts/fixtures.sh cleanup full-disk "build/$preset"
  scripts/fixtures.sh cleanup faulty-medium "build/$preset"
}
trap 'stop_fixtures >/dev/null 2>&1' EXIT

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" >"$logs/build-$1.log" 2>&1; }
# One suite; a test that only ran out of time is no verdict, and runs once more.
suite() {
  local log=$2.$1
  shift 2
  ctest "$@" --stop-on-failure --no-tests=error --repeat after-timeout:2 >"$log" 2>&1
}
# The suites; the first that fails names what caught the fault.
suites() {
  local log=$1
  build native || { echo "build"; return; }
  suite native "$log" --preset native || { echo "native"; return; }
  build "$preset" || { echo "build"; return; }
  suite win32 "$log" --preset "$preset" -R '^(win32|seam)\.' || { echo "win32"; return; }
  suite e2e "$log" --preset "$preset" -R '^(pe|e2e)\.' || { echo "e2e"; return; }
  echo ""
}
# Puts REPLACE in place of FIND in FILE, where it must occur exactly once.
replace() {
  FIND=$2 REPLACE=$3 perl -0777 -i -pe \
    '$n = s/\Q$ENV{FIND}\E/$ENV{REPLACE}/g; END { exit($n == 1 ? 0 : 3) }' "$1"
}

echo "mutants: the suites without any mutant first"
if [ -n "$(suites "$logs/none")" ]; then
  echo "mutants: the suites fail without any mutant (logs in $logs)" >&2
  exit 1
fi
caught=0 tried=0
printf '%-36s %s\n' mutant "caught by"
for name in "${selected[@]}"; do
  i=-1
  for j in "${!names[@]}"; do [ "${names[j]}" != "$name" ] || i=$j; done
  [ "$i" -ge 0 ] || { echo "mutants: no mutant named $name" >&2; exit 2; }
  cp "${files[i]}" "$logs/original"
  cp "${files2[i]}" "$logs/original2"
  if ! replace "${files[i]}" "${finds[i]}" "${replacements[i]}" ||
    { [ -n "${finds2[i]}" ] && ! replace "${files2[i]}" "${finds2[i]}" "${replacements2[i]}"; }; then
    by=anchor
  else
    by=$(suites "$logs/$name")
  fi
  cp "$logs/original2" "${files2[i]}"
  cp "$logs/original" "${files[i]}"
  if [ "$by" = build ] || [ "$by" = anchor ]; then
    echo "mutants: $name does not build, or its text does not occur once (logs in $logs); mend it" >&2
    exit 1
  fi
  tried=$((tried + 1))
  [ -z "$by" ] || caught=$((caught + 1))
  printf '%-36s %s\n' "$name" "${by:-NOT CAUGHT}"
done
echo "mutants: $caught of $tried caught"
