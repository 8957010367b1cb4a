#!/usr/bin/env bash
# The program must be a PE32 file for i386 with the GUI subsystem that imports
# only DLLs shipped with Windows (no libstdc++, libgcc or winpthread DLL).
set -euo pipefail
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
check() { if ! grep -qE "$1" <<<"$headers"; then echo "FAIL: $2"; fail=1; else echo "ok: $2"; fi; }
check 'file format pei-i386' 'PE32 for i386'
check '^Magic[[:space:]]+010b' 'optional header magic 0x10b (PE32)'
check '^Subsystem[[:space:]]+00000002' 'GUI subsystem'
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|msvcrt|advapi32|shell32|ole32)\.dll$'
while read -r dll; do
  if grep -qiE "$allowed" <<<"$dll"; then echo "ok: imports $dll"; else echo "FAIL: imports $dll"; fail=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
grep -q 'DLL Name: ' <<<"$headers" || { echo "FAIL: no import list"; fail=1; }
exit $fail
