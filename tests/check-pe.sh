#!/usr/bin/env bash
# The program must be a PE32 file for i386 (the 64-bit twin: PE32+ for x86-64)
# with the GUI subsystem that imports only KnownDLLs of Windows, which the
# loader takes from the system folder alone, never from the program's own
# folder (no comctl32 or comdlg32, which the program loads itself by full path;
# no libstdc++, libgcc or winpthread DLL), and
# carry what Windows reads before it runs it: a manifest asking for
# administrator rights and for nothing that changes the window's look or scale,
# and TORVEX 1.0 in the Japanese version block (0x0411, code page 932) that
# Explorer's properties and the elevation prompt show.
# Usage: check-pe.sh PROGRAM [PROCESSOR]   (i686, the default, or x86_64)
set -euo pipefail
exe=$1
processor=${2:-i686}
headers=$("$processor-w64-mingw32-objdump" -p "$exe")
fail=0
check() { if ! grep -qE "$1" <<<"$headers"; then echo "FAIL: $2"; fail=1; else echo "ok: $2"; fi; }
if [ "$processor" = x86_64 ]; then
  check 'file format pei-x86-64' 'PE32+ for x86-64'
  check '^Magic[[:space:]]+020b' 'optional header magic 0x20b (PE32+)'
else
  check 'file format pei-i386' 'PE32 for i386'
  check '^Magic[[:space:]]+010b' 'optional header magic 0x10b (PE32)'
fi
check '^Subsystem[[:space:]]+00000002' 'GUI subsystem'
allowed='^(kernel32|user32|gdi32|msvcrt)\.dll$'
while read -r dll; do
  if grep -qiE "$allowed" <<<"$dll"; then echo "ok: imports $dll"; else echo "FAIL: imports $dll"; fail=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
grep -q 'DLL Name: ' <<<"$headers" || { echo "FAIL: no import list"; fail=1; }
headers=$(strings -n 3 "$exe"; strings -el -n 3 "$exe" | tr '\n' '|')
check 'level="requireAdministrator" uiAccess="false"' 'manifest asks for administrator rights'
check '041103a4\|FileDescription\|TORVEX\|FileVersion\|1\.0\|ProductName\|TORVEX\|ProductVersion\|1\.0\|' \
  'version TORVEX 1.0 in the Japanese block'
for absent in dpiAware Microsoft.Windows.Common-Controls; do
  if grep -q "$absent" <<<"$headers"; then echo "FAIL: manifest names $absent"; fail=1; fi
done
translation='T\x00r\x00a\x00n\x00s\x00l\x00a\x00t\x00i\x00o\x00n\x00\x00\x00(\x00\x00)?\x11\x04\xa4\x03'
LC_ALL=C grep -qaP "$translation" "$exe" || { echo "FAIL: translation 0x0411, 932"; fail=1; }
exit $fail
