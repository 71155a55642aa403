#!/usr/bin/env bash
# Validates a catalogue of random parts with B-rep geometry on two threads and checks that nothing
# crashed: every part is reported, the summary adds up, every failure is the generic failure code
# and no sanitizer spoke. Prints the counts.
#
#   random_validate.sh RANDOM_CATALOG CHECKVALVE COUNT SEED
set -uo pipefail
generator=$1 checkvalve=$2 count=$3 seed=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$generator" "$count" "$seed" "$work/catalogue.json" || { echo "FAIL: the generator failed"; exit 1; }
start=$(date +%s)
"$checkvalve" validate "$work/catalogue.json" --jobs 2 >"$work/out" 2>"$work/err"
status=$?
seconds=$(( $(date +%s) - start ))

fail() { echo "FAIL: $1"; tail -n 20 "$work/err"; exit 1; }
# 0: every part built; 1: some failed cleanly. Anything else is a crash or a refused catalogue.
[ "$status" -eq 0 ] || [ "$status" -eq 1 ] || fail "checkvalve validate exited with $status"
grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|terminate called' "$work/err" && fail "a sanitizer or the runtime reported a fault"
summary=$(grep -E '^[0-9]+ part\(s\): [0-9]+ ok, [0-9]+ failed, [0-9]+ warning\(s\)$' "$work/out") || fail "no summary line"
read -r total ok failed < <(sed -E 's/^([0-9]+) part\(s\): ([0-9]+) ok, ([0-9]+) failed, .*$/\1 \2 \3/' <<<"$summary")
[ "$total" -eq "$count" ] || fail "the summary counts $total parts, not $count"
[ $((ok + failed)) -eq "$total" ] || fail "the summary does not add up"
lines=$(grep -cE '^(ok|warned|FAILED) ' "$work/out")
[ "$lines" -eq "$count" ] || fail "$lines part lines for $count parts"
unclean=$(grep -oE 'failed with 0x[0-9A-F]{8}' "$work/out" | grep -vc 'failed with 0x80004005' || true)
[ "$unclean" -eq 0 ] || fail "$unclean part(s) failed with another code than 0x80004005"
echo "random catalogue (seed $seed): $total parts, $ok ok, $failed clean failures, 0 crashes, ${seconds}s"
