#!/usr/bin/env bash
# End-to-end checks of the IFC commands a BIM user runs: `place` (valves placed by the rows of a CSV file),
# the content library of `eval` and `gallery` (--ifc-library) and --ifc-geometry. Bad rows stop `place`
# with exit 2 and a message naming the row and column, leaving an existing model as it was.
# Usage: place_test.sh PATH/TO/checkvalve
set -u
cv="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
expect_count() { # name, file, pattern, count
    local got
    got=$(grep -c -- "$3" "$2")
    if [ "$got" -eq "$4" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: $got lines with '$3', expected $4"; fi
}

swing=default-1-nps4-cl150-swing
plain=default-0-nps2-plain-end

# Placements of two samples; the header lists the columns in its own order, quoted ids may hold commas.
cat >"$work/plant.csv" <<EOF
part,instance,x,y,z,dirx,diry,dirz,upx,upy,upz
$swing,V-1,0,0,1.5,1,0,0,0,0,1
$swing,"V-2, north",2.5,0,1.5,0,1,0,0,0,1
$plain,V-3,5,1e-1,-2,0,0,1,1,0,0
EOF
check place 0 "$cv" place "$work/plant.csv" --ifc "$work/plant.ifc"
expect_in place-message "$work/err" "wrote $work/plant.ifc (3 valve(s) of 2 part(s))"
expect_count place-valves "$work/plant.ifc" "=IFCVALVE(" 3
expect_count place-types "$work/plant.ifc" "=IFCVALVETYPE(" 2
expect_in place-name "$work/plant.ifc" "=IFCVALVE('[0-3][0-9A-Za-z_\$]\{21\}',#[0-9]*,'V-2, north'"
expect_count place-one-storey "$work/plant.ifc" "=IFCBUILDINGSTOREY(" 1
# The model is named after its placements file unless --project names it, and its valves' GlobalIds are
# derived in that name: the same rows under another name give other GlobalIds, under the same name (and
# SOURCE_DATE_EPOCH) the same file byte for byte.
valve_id() { grep -o "=IFCVALVE('[^']*',#[0-9]*,'$2'" "$1" | cut -d"'" -f2; }
expect_in place-project-default "$work/plant.ifc" "=IFCPROJECT('[^']*',#[0-9]*,'plant',"
for area in north south north; do
    [ -e "$work/north.ifc" ] && cp "$work/north.ifc" "$work/north-first.ifc"
    check "place-project-$area" 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" place "$work/plant.csv" --ifc "$work/$area.ifc" --project "area $area"
done
expect_in place-project-named "$work/south.ifc" "=IFCPROJECT('[^']*',#[0-9]*,'area south',"
expect_in place-project-stamped "$work/south.ifc" "^FILE_NAME('south.ifc','2026-12-07T00:00:00+00:00',"
if cmp -s "$work/north.ifc" "$work/north-first.ifc"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-project-again: the same model differs"; fi
for id in V-1 'V-2, north' V-3; do
    north=$(valve_id "$work/north.ifc" "$id") south=$(valve_id "$work/south.ifc" "$id")
    if [ -n "$north" ] && [ "$north" != "$south" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-project-ids: $id is '$north' and '$south'"; fi
done
check place-project-empty 2 "$cv" place "$work/plant.csv" --ifc "$work/x.ifc" --project ""
expect_in place-project-empty-message "$work/err" "--project: the model's name is empty"
cp "$work/plant.ifc" "$work/before.ifc"

# IFC-ZIP: a name ending in .ifczip gets the model deflated in a zip archive that holds it alone, as
# <name>.ifc, byte for byte the plain file written with the same options and moment; the same archive again.
for round in 1 2; do
    check "place-ifczip-$round" 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" place "$work/plant.csv" --ifc "$work/zipped.ifczip"
    cp "$work/zipped.ifczip" "$work/zipped-$round.ifczip"
done
check place-ifczip-plain 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" place "$work/plant.csv" --ifc "$work/zipped.ifc"
if cmp -s "$work/zipped-1.ifczip" "$work/zipped-2.ifczip"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-ifczip-again: the same archive differs"; fi
ifczip_holds() { # name, archive, plain file: the archive holds exactly the plain file, deflated
    if /usr/bin/python3 - "$2" "$3" <<'PY'; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: $2 does not hold $3 alone"; fi
import os, sys, zipfile
archive, plain = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive) as z:
    entries = z.infolist()
    names = [e.filename for e in entries]
    assert names == [os.path.basename(plain)], names
    assert entries[0].compress_type == zipfile.ZIP_DEFLATED, entries[0].compress_type
    assert z.testzip() is None
    with open(plain, "rb") as f:
        assert z.read(names[0]) == f.read(), "the entry differs from the plain file"
PY
}
ifczip_holds place-ifczip-entry "$work/zipped.ifczip" "$work/zipped.ifc"
check place-ifczip-no-folder 2 "$cv" place "$work/plant.csv" --ifc "$work/no/such/plant.ifczip"
expect_in place-ifczip-no-folder-message "$work/err" "cannot write IFC file '$work/no/such/plant.ifczip'"
mkdir "$work/folder.ifczip"
check place-ifczip-folder 2 "$cv" place "$work/plant.csv" --ifc "$work/folder.ifczip"
printf 'part,instance\n' >"$work/short.csv"
check place-ifczip-bad-rows 2 "$cv" place "$work/short.csv" --ifc "$work/zipped.ifczip"
if cmp -s "$work/zipped.ifczip" "$work/zipped-1.ifczip"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-ifczip-bad-rows: the archive was changed"; fi

# The same rows with semicolons, from a catalogue file, triangulated.
sed 's/,/;/g; s/"V-2; north"/V-2/' "$work/plant.csv" >"$work/semicolons.csv"
check place-mesh 0 "$cv" place "$work/semicolons.csv" --ifc "$work/mesh.ifc" --ifc-geometry mesh
expect_count place-mesh-no-solids "$work/mesh.ifc" "=IFCEXTRUDEDAREASOLID(" 0
# Composite curves: no indexed poly curve left, the same solids.
check place-composite 0 "$cv" place "$work/semicolons.csv" --ifc "$work/composite.ifc" --ifc-curves composite
expect_count place-composite-no-indexed "$work/composite.ifc" "=IFCINDEXEDPOLYCURVE(" 0
expect_count place-composite-curves "$work/composite.ifc" "=IFCCOMPOSITECURVE(" 1
check place-bad-curves 2 "$cv" place "$work/semicolons.csv" --ifc "$work/x.ifc" --ifc-curves nurbs
# Coverings: the insulation less the valve body by default, each type saying so in its Description and
# property set; asked for as envelopes, each says it is one and why.
expect_count place-coverings-cut "$work/mesh.ifc" "insulation less the valve body'" 4
check place-envelopes 0 "$cv" place "$work/semicolons.csv" --ifc "$work/envelopes.ifc" --ifc-coverings envelope
expect_count place-envelopes-said "$work/envelopes.ifc" "'envelope including the valve body: envelopes were asked for'" 2
expect_count place-envelopes-not-cut "$work/envelopes.ifc" "insulation less the valve body'" 0

# Bad placements: exit 2, the row and column named, the model already there left whole.
bad() { # name, expected message, csv text
    printf '%s' "$3" >"$work/bad.csv"
    check "place-$1" 2 "$cv" place "$work/bad.csv" --ifc "$work/plant.ifc"
    expect_in "place-$1-message" "$work/err" "$2"
    if cmp -s "$work/plant.ifc" "$work/before.ifc"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-$1: the model was changed"; fi
}
header='instance,part,x,y,z,dirx,diry,dirz,upx,upy,upz'
bad unknown-column 'bad.csv:1: Instance: unknown column' "Instance,part,x,y,z,dirx,diry,dirz,upx,upy,upz
V-1,$swing,0,0,0,1,0,0,0,0,1
"
bad missing-column "bad.csv:1: the column 'upz' is missing" "instance,part,x,y,z,dirx,diry,dirz,upx,upy
"
bad decimal-comma 'bad.csv:2: y: "1,5" is not a number' "$header
V-1,$swing,0,\"1,5\",0,1,0,0,0,0,1
"
bad unknown-part 'bad.csv:3: part: no part "no-such-valve" in the built-in samples' "$header
V-1,$swing,0,0,0,1,0,0,0,0,1
V-2,no-such-valve,0,0,0,1,0,0,0,0,1
"
bad repeated-instance 'bad.csv:3: instance: "V-1" is given again (first in row 2)' "$header
V-1,$swing,0,0,0,1,0,0,0,0,1
V-1,$swing,1,0,0,1,0,0,0,0,1
"
bad no-direction 'bad.csv:2: dirx: the direction has no length' "$header
V-1,$swing,0,0,0,0,0,0,0,0,1
"
bad parallel-up 'bad.csv:2: upx: the up direction runs along the direction' "$header
V-1,$swing,0,0,0,0,0,2,0,0,-1
"
bad not-finite 'bad.csv:2: z: "inf" is not a number' "$header
V-1,$swing,0,0,inf,1,0,0,0,0,1
"
bad empty 'bad.csv:1: the file holds no rows' ""
# Rows whose cells do not line up with the header, and numbers no plant holds.
bad extra-cell 'bad.csv:3: row has 12 cells, the header names 11' "$header
V-1,$swing,0,0,0,1,0,0,0,0,1
V-2,$swing,0,0,0,1,0,0,0,0,1,7
"
bad unquoted-comma 'bad.csv:2: row has 12 cells, the header names 11' "$header
V-2, north,$swing,0,0,0,1,0,0,0,0,1
"
bad missing-cell 'bad.csv:2: row has 10 cells, the header names 11' "$header
V-1,$swing,0,0,0,1,0,0,0,0
"
bad other-separator "bad.csv:2: row has 1 cell, the header names 11; its cells seem separated otherwise than the header's, which uses ','" "$header
V-1;$swing;0;0;0;1;0;0;0;0;1
"
bad tab-separator "bad.csv:2: row has 1 cell, the header names 11; its cells seem separated otherwise than the header's" "$header
V-1	$swing	0	0	0	1	0	0	0	0	1
"
bad comma-under-semicolons "bad.csv:2: row has 1 cell, the header names 11; its cells seem separated otherwise than the header's, which uses ';'" "${header//,/;}
V-1,$swing,0,0,0,1,0,0,0,0,1
"
long_id=$(printf 'x%.0s' $(seq 257))
bad long-instance 'bad.csv:2: instance: is 257 bytes long; an instance id takes at most 256' "$header
$long_id,$swing,0,0,0,1,0,0,0,0,1
"
bad far-position 'bad.csv:2: x: "1e308" lies beyond 1e6 m (1000 km) from the origin' "$header
V-1,$swing,1e308,0,0,1,0,0,0,0,1
"
bad just-too-far 'bad.csv:2: z: "-1000000.5" lies beyond 1e6 m' "$header
V-1,$swing,0,0,-1000000.5,1,0,0,0,0,1
"
bad huge-direction "bad.csv:2: diry: \"1e308\" is beyond 1e6; a direction's components lie within +-1e6" "$header
V-1,$swing,0,0,0,1,1e308,0,0,0,1
"
bad huge-up 'bad.csv:2: upz: "-2e6" is beyond 1e6' "$header
V-1,$swing,0,0,0,1,0,0,0,0,-2e6
"
# Optional storey and system columns: named storeys at their valves' lowest z, systems grouping valves.
cat >"$work/storeys.csv" <<EOF
$header,storey,system
V-1,$swing,0,0,1.5,1,0,0,0,0,1,Level 1,CW
V-2,$swing,2,0,7.5,1,0,0,0,0,1,Level 2,CW
V-3,$plain,4,0,9,1,0,0,0,0,1,Level 2,
EOF
check place-storeys 0 "$cv" place "$work/storeys.csv" --ifc "$work/storeys.ifc"
expect_count place-storeys-count "$work/storeys.ifc" "=IFCBUILDINGSTOREY(" 2
expect_in place-storeys-elevation "$work/storeys.ifc" "'Level 2',\$,\$,#[0-9]*,\$,\$,.ELEMENT.,7.5);"
expect_count place-storeys-system "$work/storeys.ifc" "=IFCDISTRIBUTIONSYSTEM('[^']*',#[0-9]*,'CW'," 1
bad long-storey 'bad.csv:2: storey: is 257 bytes long; a storey name takes at most 256' "$header,storey
V-1,$swing,0,0,0,1,0,0,0,0,1,$(printf 's%.0s' $(seq 257))
"
# At the limits, and with a spreadsheet's trailing separators, rows are taken.
cat >"$work/limits.csv" <<EOF
$header
$(printf 'y%.0s' $(seq 256)),$swing,1e6,-1e6,0,1e6,0,0,0,0,-1e6,
V-2,$swing,0,0,0,1,0,0,0,0,1,,
EOF
check place-limits 0 "$cv" place "$work/limits.csv" --ifc "$work/limits.ifc"
expect_count place-limits-valves "$work/limits.ifc" "=IFCVALVE(" 2
check place-no-file 2 "$cv" place "$work/none.csv" --ifc "$work/plant.ifc"
expect_in place-no-file-message "$work/err" "$work/none.csv: cannot open the file"
check place-unknown-catalogue-part 2 "$cv" place "$work/plant.csv" --ifc "$work/x.ifc" --catalog "$work/none.json"
check place-bad-geometry 2 "$cv" place "$work/plant.csv" --ifc "$work/x.ifc" --ifc-geometry nurbs

# The content library: one file with every part's type, from eval and from gallery.
printf '{"parts": [{"name": "a", "partDataBasis": 1, "inputs": {"FacetoFace": 0.292}, "ports": [{"index": 1, "pipeOD": 0.1143, "flangeOD": 0.2286, "flangeThickness": 0.0239}, {"index": 2, "pipeOD": 0.1143, "flangeOD": 0.2286, "flangeThickness": 0.0239}]}, {"name": "b", "partDataBasis": 0, "inputs": {"FacetoFace": 0.2}, "ports": [{"index": 1, "pipeOD": 0.06, "terminationClass": 10}, {"index": 2, "pipeOD": 0.06, "terminationClass": 10}]}]}' >"$work/two.json"
check eval-library 0 "$cv" eval "$work/two.json" --ifc-library "$work/two.ifc"
expect_count eval-library-types "$work/two.ifc" "=IFCVALVETYPE(" 2
expect_count eval-library-library "$work/two.ifc" "=IFCPROJECTLIBRARY(" 1
expect_count eval-library-nothing-placed "$work/two.ifc" "=IFCVALVE(" 0
check eval-library-no-folder 2 "$cv" eval "$work/two.json" --ifc-library "$work/no/such/lib.ifc"
check gallery-library 0 "$cv" gallery "$work/gallery" "$work/two.json" --ifc-library "$work/gallery-lib.ifc"
expect_count gallery-library-types "$work/gallery-lib.ifc" "=IFCVALVETYPE(" 2
# The library and a single part's file as IFC-ZIP too.
mkdir -p "$work/two-plain"
check eval-library-ifczip 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" eval "$work/two.json" --ifc-library "$work/two.ifczip"
check eval-library-ifczip-plain 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" eval "$work/two.json" --ifc-library "$work/two-plain/two.ifc"
ifczip_holds eval-library-ifczip-entry "$work/two.ifczip" "$work/two-plain/two.ifc"
check gallery-library-ifczip 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" gallery "$work/gallery" "$work/two.json" --ifc-library "$work/two-plain/gallery-lib.ifczip"
check gallery-library-ifczip-plain 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" gallery "$work/gallery" "$work/two.json" --ifc-library "$work/gallery-lib.ifc"
ifczip_holds gallery-library-ifczip-entry "$work/two-plain/gallery-lib.ifczip" "$work/gallery-lib.ifc"
check eval-ifczip 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" eval --sample "$swing" --ifc "$work/swing.ifczip"
check eval-ifczip-plain 0 env SOURCE_DATE_EPOCH=1796601600 "$cv" eval --sample "$swing" --ifc "$work/swing.ifc"
ifczip_holds eval-ifczip-entry "$work/swing.ifczip" "$work/swing.ifc"

# A part that cannot be meshed (its face-to-face typed in millimetres: a body 2920 m long) is named with its
# reason and left out with its valves; the others are written and the command exits 1.
long_part='{"name": "long", "partDataBasis": 1, "inputs": {"FacetoFace": 2920}, "ports": [{"index": 1, "pipeOD": 0.1143, "flangeOD": 0.2286, "flangeThickness": 0.0239}, {"index": 2, "pipeOD": 0.1143, "flangeOD": 0.2286, "flangeThickness": 0.0239}]}'
sed "s/]}\$/, $long_part]}/" "$work/two.json" >"$work/mixed.json"
printf '%s\n' "$header" "V-1,a,0,0,0,1,0,0,0,0,1" "V-2,long,2,0,0,1,0,0,0,0,1" "V-3,b,4,0,0,1,0,0,0,0,1" \
    "V-4,long,6,0,0,1,0,0,0,0,1" >"$work/mixed.csv"
too_long='meshing would put more than 60000 triangles on one face (output Body is 2919.95 m long and 0.1143 m across)'
check place-part-left-out 1 "$cv" place "$work/mixed.csv" --catalog "$work/mixed.json" --ifc "$work/mixed.ifc"
expect_in place-part-left-out-why "$work/err" "^checkvalve place: part long: $too_long; left out with its 2 valve(s)$"
expect_in place-part-left-out-rest "$work/err" "wrote $work/mixed.ifc (2 valve(s) of 2 part(s); 2 valve(s) of 1 part(s) left out)"
expect_count place-part-left-out-valves "$work/mixed.ifc" "=IFCVALVE(" 2
expect_count place-part-left-out-types "$work/mixed.ifc" "=IFCVALVETYPE(" 2
expect_count place-part-left-out-not-placed "$work/mixed.ifc" "'V-2'" 0
# When no part can be written, nothing is, and the model already there stays.
printf '%s\n' "$header" "V-2,long,2,0,0,1,0,0,0,0,1" >"$work/only-long.csv"
check place-no-part 1 "$cv" place "$work/only-long.csv" --catalog "$work/mixed.json" --ifc "$work/plant.ifc"
expect_in place-no-part-why "$work/err" "^checkvalve place: part long: $too_long; left out with its 1 valve(s)$"
expect_in place-no-part-message "$work/err" "no part could be written; $work/plant.ifc was not written"
if cmp -s "$work/plant.ifc" "$work/before.ifc"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL place-no-part: the model was changed"; fi
# The content library leaves the part out likewise, from eval and from gallery.
check eval-library-left-out 1 "$cv" eval "$work/mixed.json" --ifc-library "$work/mixed-lib.ifc"
expect_in eval-library-left-out-why "$work/err" "^checkvalve eval: part long: $too_long; left out of the library$"
expect_count eval-library-left-out-types "$work/mixed-lib.ifc" "=IFCVALVETYPE(" 2
check gallery-library-left-out 1 "$cv" gallery "$work/gallery-mixed" "$work/mixed.json" --ifc-library "$work/gallery-mixed.ifc"
expect_count gallery-library-left-out-types "$work/gallery-mixed.ifc" "=IFCVALVETYPE(" 2
check eval-library-no-part 1 "$cv" eval "$work/mixed.json" --part long --ifc-library "$work/long-lib.ifc"
expect_in eval-library-no-part-message "$work/err" "no part could be written; $work/long-lib.ifc was not written"
[ ! -e "$work/long-lib.ifc" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL eval-library-no-part: written"; }
check eval-mesh 0 "$cv" eval --sample "$swing" --ifc "$work/mesh1.ifc" --ifc-geometry mesh
expect_count eval-mesh-triangles "$work/mesh1.ifc" "=IFCTRIANGULATEDFACESET(" 4

echo "place: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
