#!/usr/bin/env bash
# The test command: installs what is missing, runs each preset's workflow (configure, build, test)
# and the fuzz targets for 20 s each, and ends with the figures: lines, fault matrix, fuzz runs, the
# tests skipped and why, then the tests passed, failed and skipped as ctest's JUnit reports say. A
# preset that fails does not stop the others; its ctest output stays in build/<preset>/ctest.log.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
. scripts/machine.sh
echo "Windows builds run under Wine: $(windows_build_words)"
failed=()
for preset in native native-sanitize windows windows64; do
  rm -f "build/$preset/junit.xml"
  cmake --workflow --preset "$preset" || failed+=("$preset")
done
echo "== fuzz"
scripts/fuzz.sh 20 || failed+=(fuzz)

echo "== figures"
lines() { git ls-files "$@" | grep -E "${pattern:-\.(cpp|h|rc)$}" | xargs cat | wc -l; }
echo "C++ lines: tests $(lines tests), program $(lines app volume ops output resources window)"
echo "tooling lines: $(pattern=. lines bench scripts cmake CMakeLists.txt)"
cat build/native-sanitize/fault-matrix.txt build/fuzz/fuzz-figures.txt 2>/dev/null || true
python3 - build/*/junit.xml <<'PYTHON'
import os, re, sys, xml.etree.ElementTree as tree
ended = {"run": 0, "fail": 0, "notrun": 0}
for report in sys.argv[1:]:
    for case in tree.parse(report).getroot().iter("testcase"):
        status, name, output = case.get("status"), case.get("name"), case.findtext("system-out") or ""
        ended[status] = ended.get(status, 0) + 1
        if status == "fail":
            print(f"failed: {name} (output in {os.path.dirname(report)}/ctest.log)")
        elif status != "run":
            # GoogleTest writes its reason on the line after "Skipped"; a skipping script, first.
            reason = re.search(r": Skipped\n(.*)|\A(.*)", output)
            print(f"skipped: {name} ({reason.group(1) or reason.group(2)})")
print(f"ctest: {ended['run']} passed, {ended['fail']} failed, {ended['notrun']} skipped")
PYTHON
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: failed: ${failed[*]}" >&2
  exit 1
fi
