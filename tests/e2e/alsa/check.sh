#!/bin/bash
# Boots the guest (scripts/alsa-vm/run.sh), which runs the ALSA guest tests against a real
# kernel sequencer, and reports their outcome. Usage: check.sh WORK_DIR TEST_PROGRAM
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$1"
work=$(cd "$1" && pwd)
tests=$(realpath "$2")
out="$work/out"
rm -rf "$out"
mkdir -p "$out"

# The guest's command is one word on the kernel's command line: a script in the results share.
printf '#!/bin/bash\nexec %q %q\n' "$here/guest.sh" "$tests" >"$out/command.sh"
chmod +x "$out/command.sh"
started=$(date +%s)
"$here/../../../scripts/alsa-vm/run.sh" "$work" "$out" "$out/command.sh"
status=$?
[[ $status == 77 ]] && exit 77
echo "guest exit status: $status; whole run $(($(date +%s) - started)) s"

passed=0
failed=0
for xml in "$out/bare.xml" "$out/card.xml" "$out/gadget.xml"; do
    if [[ ! -f "$xml" ]]; then
        echo "missing results: $(basename "$xml")"
        failed=$((failed + 1))
        continue
    fi
    totals=$(grep -m1 '<testsuites ' "$xml")
    count=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$totals")
    failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$totals")
    errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$totals")
    skipped=$(grep -c '<skipped' "$xml")
    failed=$((failed + failures + errors))
    passed=$((passed + count - failures - errors - skipped))
    failed=$((failed + skipped)) # nothing in the guest may be skipped
done
echo "$passed passed, $failed failed"
[[ $failed == 0 && $status == 0 ]]
