#!/usr/bin/env bash
# The FreeCAD peer of the benchmark (bench/peer/freecad_shapes.py) still builds the shapes our host
# builds: the reports of every sample part (the shipped catalogues), both aspects, built once by FreeCAD's
# Part module and compared output by output (volume, bounding box, solid or surface). Then the check
# itself: a report whose volume was changed is a mismatch (exit 1), and one with a creation kind the
# script does not know, or that is no report, is refused by name (exit 2). No timing.
# Usage: peer_shapes_test.sh CHECKVALVE   (needs Debian's freecad-python3; run from anywhere)
set -euo pipefail
cd "$(dirname "$0")/../.."
checkvalve=$1
peer=bench/peer/freecad_shapes.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PYTHONDONTWRITEBYTECODE=1

# The shipped catalogues hold the sample parts: five evaluations instead of one per part.
for catalogue in data/catalog/*.json; do
  "$checkvalve" eval "$catalogue" --aspect both --json > "$work/$(basename "$catalogue")"
done
"$checkvalve" samples --json | /usr/bin/python3 -c 'import json, sys; print(len(json.load(sys.stdin)["parts"]))' \
  > "$work/count.txt"
samples=$(cat "$work/count.txt")
/usr/bin/python3 "$peer" --check "$work"/*.json | tee "$work/check.txt"
grep -q "^freecad_shapes: $samples of $samples parts build matching shapes" "$work/check.txt"
# One part's own report as `eval --sample` writes it.
"$checkvalve" eval --sample cone-2232-nps4-cl150 --json > "$work/cone.json"
# (Written to a file first: grep -q would stop reading early and break the script's output pipe.)
/usr/bin/python3 "$peer" --check "$work/cone.json" > "$work/cone-check.txt"
grep -q "1 of 1 parts build matching shapes" "$work/cone-check.txt"

# expect CODE PATTERN FILE: the check exits with CODE and says PATTERN.
expect() {
  local code=0
  /usr/bin/python3 "$peer" --check "$3" > "$work/out.txt" 2>&1 || code=$?
  if [ "$code" -ne "$1" ] || ! grep -q -- "$2" "$work/out.txt"; then
    echo "peer_shapes_test: expected exit $1 and '$2' for $3, got exit $code:" >&2
    cat "$work/out.txt" >&2
    exit 1
  fi
}

# A solid one percent larger in the report than FreeCAD builds it.
/usr/bin/python3 - "$work/cone.json" "$work/bigger.json" <<'EOF'
import json, sys
report = json.load(open(sys.argv[1]))
body = next(o for o in report["aspects"][0]["outputs"] if o["name"] == "Body")
body["volume"] *= 1.01
json.dump(report, open(sys.argv[2], "w"))
EOF
expect 1 "shape mismatch: cone-2232-nps4-cl150 Physical Body: volume" "$work/bigger.json"

# A creation kind unknown to the script, named with its part and output.
"$checkvalve" eval --sample multi-port-3183-nps4-cl150-domed --json |
  sed 's/"kind": "torus"/"kind": "helix"/' > "$work/helix.json"
expect 2 "multi-port-3183-nps4-cl150-domed Physical output 'Output6' (helix): unknown kind 'solid' made by 'helix'" \
  "$work/helix.json"

# Not a report at all.
echo '{"parts": []}' > "$work/catalogue.json"
expect 2 "not a report of" "$work/catalogue.json"
echo "freecad peer: OK"
