#!/usr/bin/env bash
# End-to-end checks of what a catalogue administrator does: spreadsheet (CSV) catalogues, `convert`
# between JSON and CSV, and `diff` of two catalogues with its exit codes.
# Usage: catalogue_admin_test.sh PATH/TO/checkvalve SOURCE_DIR
set -u
cv="$1"
src="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
expect_in() { # name, file, text (fixed string)
    if grep -qF -- "$3" "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: '$3' not in $2"; sed 's/^/  | /' "$2" | head -5; fi
}
expect() { # name, shell condition
    if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: $2"; fi
}

# The project's own catalogues, the example spreadsheet among them, pass its own strict check, and the
# example placements place every valve.
for catalogue in "$src"/data/catalog/*.json "$src"/examples/catalog/valves.csv; do
    check "strict-$(basename "$catalogue")" 0 "$cv" validate "$catalogue" --strict --quiet
done
check example-placements 0 "$cv" place "$src/examples/catalog/placements.csv" \
    --catalog "$src/examples/catalog/valves.csv" --ifc "$work/plant.ifc"
expect example-placements-valves "[ \$(grep -c '^#[0-9]*=IFCVALVE(' '$work/plant.ifc') -eq 9 ]"

# Every bad cell of a spreadsheet is named in one run, in row order; past twenty, the rest are counted.
{
    echo "name,PartDataBasis,FacetoFace,port1.pipeOD"
    echo 'ok,1,0.3,0.1'
    echo 'comma,1,"12,5",0.1'
    echo 'unit,1,0.3,4 furlongs'
    echo ',1,0.3,0.1'
    echo 'ok,1,0.3,0.1'
} >"$work/three.csv"
check csv-every-bad-cell 2 "$cv" validate "$work/three.csv"
expect csv-every-bad-cell-count "[ \$(grep -c 'checkvalve validate: ' '$work/err') -eq 4 ]"
expect_in csv-every-bad-cell-comma "$work/err" "three.csv:3: FacetoFace: \"12,5\" is not a length"
expect_in csv-every-bad-cell-unit "$work/err" "three.csv:4: port1.pipeOD: \"4 furlongs\""
expect_in csv-every-bad-cell-name "$work/err" "three.csv:5: name: empty"
expect_in csv-every-bad-cell-again "$work/err" "three.csv:6: name: \"ok\" is already the name of the part in row 2"
{
    echo "name,PartDataBasis,FacetoFace"
    for i in $(seq 30); do echo "v$i,1,${i}x"; done
} >"$work/thirty.csv"
check csv-many-bad-cells 2 "$cv" eval "$work/thirty.csv"
expect csv-many-bad-cells-shown "[ \$(grep -c 'thirty.csv:[0-9]*: FacetoFace' '$work/err') -eq 20 ]"
expect_in csv-many-bad-cells-counted "$work/err" "... and 10 more problem(s) (the first 20 are shown)"

# Every sample catalogue to CSV and back: the same eval reports from all three.
for json in "$src"/data/catalog/*.json; do
    base=$(basename "$json" .json)
    check "convert-$base-to-csv" 0 "$cv" convert "$json" "$work/$base.csv"
    check "convert-$base-back" 0 "$cv" convert "$work/$base.csv" "$work/$base.back.json"
    "$cv" eval "$json" --json >"$work/$base.report" 2>/dev/null
    "$cv" eval "$work/$base.csv" --json >"$work/$base.csv.report" 2>/dev/null
    "$cv" eval "$work/$base.back.json" --json >"$work/$base.back.report" 2>/dev/null
    expect "roundtrip-$base-csv-report" "cmp -s '$work/$base.report' '$work/$base.csv.report'"
    expect "roundtrip-$base-json-report" "cmp -s '$work/$base.report' '$work/$base.back.report'"
    expect "roundtrip-$base-nonempty" "grep -q '\"aspects\"' '$work/$base.report'"
done
expect_in convert-csv-header "$work/default-bodies.csv" "name,description,source,PartDataBasis,FacetoFace"
expect_in convert-csv-length-kept "$work/default-bodies.csv" "default-1-nps4-cl150-swing,"

# A catalogue as a spreadsheet saves it: semicolons, BOM, CRLF, quoted cells with commas and quotes.
printf '\xef\xbb\xbfname;description;PartDataBasis;FacetoFace;InsulationThickness;port1.pipeOD;port1.flangeOD;port1.flangeThickness;port1.length;port2.pipeOD;port2.flangeOD;port2.flangeThickness;port2.length\r\n"swing, 4""";"NPS 4; ""class 150""";1;292mm;50mm;114.3mm;228.6mm;23.9mm;23.9mm;114.3mm;228.6mm;23.9mm;23.9mm\r\n' >"$work/sheet.csv"
check csv-spreadsheet 0 "$cv" eval "$work/sheet.csv" --json
expect_in csv-spreadsheet-name "$work/out" '"part": "swing, 4\""'
check csv-validate 0 "$cv" validate "$work/sheet.csv"

# A bad cell: exit 2, FILE:ROW: COLUMN: in spreadsheet numbering; the same from every command.
printf 'name;PartDataBasis;port2.flangeOD\r\na;1;0.2\r\nb;1;12,5 mm\r\n' >"$work/bad.csv"
for command in eval validate; do
    check "csv-bad-cell-$command" 2 "$cv" $command "$work/bad.csv"
    expect_in "csv-bad-cell-$command-message" "$work/err" "$work/bad.csv:3: port2.flangeOD: \"12,5 mm\" is not a length"
done
printf 'name,PartDataBasis,Facetoface\n' >"$work/header.csv"
check csv-bad-header 2 "$cv" eval "$work/header.csv"
expect_in csv-bad-header-message "$work/err" "$work/header.csv:1: Facetoface: unknown column; did you mean \"FacetoFace\"?"

# The checks before reading hold for CSV too: a file over the size limit or a folder is refused unread.
check csv-too-large 2 "$cv" eval "$work/sheet.csv" --max-catalog-size 100
expect_in csv-too-large-message "$work/err" "more than the limit of 100 bytes"
mkdir "$work/folder.csv"
check csv-folder 2 "$cv" validate "$work/folder.csv"
expect_in csv-folder-message "$work/err" "not a catalogue file but a folder"

# convert never leaves a half or wrong file: a failed conversion keeps what was there.
echo keep >"$work/kept.json"
check convert-bad-input 2 "$cv" convert "$work/bad.csv" "$work/kept.json"
expect convert-bad-input-kept "[ \"\$(cat '$work/kept.json')\" = keep ]"
check convert-no-folder 2 "$cv" convert "$work/sheet.csv" "$work/no/such/out.json"
check convert-missing 2 "$cv" convert "$work/none.json" "$work/x.csv"
expect convert-missing-no-file "[ ! -e '$work/x.csv' ]"
expect convert-no-partials "[ -z \"\$(ls -A '$work' | grep partial)\" ]"

# diff: a catalogue against itself and against its CSV form changes nothing.
cat="$src/data/catalog/default-bodies.json"
check diff-self 0 "$cv" diff "$cat" "$cat"
expect diff-self-silent "[ ! -s '$work/out' ]"
check diff-csv-form 0 "$cv" diff "$cat" "$work/default-bodies.csv"
expect diff-csv-form-silent "[ ! -s '$work/out' ]"

# One flange thickness of one part: exactly that part's data and outputs.
python3 - "$cat" "$work/thicker.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
d["parts"][0]["ports"][0]["flangeThickness"] = "30mm"
json.dump(d, open(sys.argv[2], "w"))
PY
check diff-flange 1 "$cv" diff "$cat" "$work/thicker.json"
expect_in diff-flange-data "$work/out" "changed part default-1-nps4-cl150-swing: data: port1.flangeThickness: 0.0239 -> 0.03"
expect_in diff-flange-body "$work/out" "changed part default-1-nps4-cl150-swing: Physical: output Body: volume"
expect diff-flange-only-that-part "[ -z \"\$(grep -v '^changed part default-1-nps4-cl150-swing: ' '$work/out')\" ]"
cp "$work/out" "$work/flange.txt"
check diff-flange-parallel 1 "$cv" diff "$cat" "$work/thicker.json" --jobs 2
expect diff-flange-stable "cmp -s '$work/out' '$work/flange.txt'"
expect_in diff-flange-summary "$work/err" "0 part(s) added, 0 removed, 1 changed (1 with graphics changes)"
check diff-flange-json 1 "$cv" diff "$cat" "$work/thicker.json" --json
if python3 -c "
import json; d = json.load(open('$work/out'))
assert d['added'] == [] and d['removed'] == [] and d['graphicsChanged'] is True
[c] = d['changed']
assert c['part'] == 'default-1-nps4-cl150-swing'
[f] = c['data']
assert f['field'] == 'port1.flangeThickness' and abs(f['old'] - 0.0239) < 1e-12 and abs(f['new'] - 0.03) < 1e-12
g = c['graphics']
assert g and all(f['aspect'] in ('Physical', 'Insulation') and f['output'] for f in g)
assert any(f['output'] == 'Body' and f['change'] == 'volume' for f in g)
assert all(f['change'] in ('bbox', 'volume', 'moved', 'turned', 'added', 'removed', 'renamed', 'kind', 'valid') for f in g)
"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL diff json shape"; fi

# Parts added and removed, by name; a data change that changes no graphics exits 0.
python3 - "$cat" "$work/renamed.json" "$work/described.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
d["parts"][1]["name"] = "a-new-part"
json.dump(d, open(sys.argv[2], "w"))
d = json.load(open(sys.argv[1]))
d["parts"][2]["description"] = "changed words"
json.dump(d, open(sys.argv[3], "w"))
PY
check diff-added-removed 1 "$cv" diff "$cat" "$work/renamed.json"
expect_in diff-added "$work/out" "added part a-new-part"
expect_in diff-removed "$work/out" "removed part default-0-nps2-plain-end"
expect diff-added-removed-two-lines "[ \$(wc -l <'$work/out') -eq 2 ]"
check diff-description-only 0 "$cv" diff "$cat" "$work/described.json"
expect_in diff-description-data "$work/out" ": data: description: "
expect diff-description-no-graphics "! grep -q 'Physical\\|Insulation' '$work/out'"

# Bad input: exit 2, naming the file.
check diff-missing 2 "$cv" diff "$cat" "$work/none.json"
expect_in diff-missing-message "$work/err" "$work/none.json"
check diff-empty-path 2 "$cv" diff "" "$cat"
check diff-bad-csv 2 "$cv" diff "$work/bad.csv" "$cat"
expect_in diff-bad-csv-message "$work/err" "bad.csv:3: port2.flangeOD:"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
