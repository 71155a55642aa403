#!/usr/bin/env bash
# Checks that `checkvalve gallery` puts the browser viewer beside the data: the pages, their scripts and
# the three.js modules they import; and that without the three.js package it still writes the data and
# says how to install it. Uses a stand-in viewer folder, so it needs no npm.
# Usage: viewer_assets_test.sh PATH/TO/checkvalve REPO
set -u
# What is checked here is the copying; the STEP translator that every gallery runs keeps allocations for
# the life of the process, which a leak-checking build would report as this test's failure.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
cv="$1"
repo="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
ok() { # name, condition result ($?)
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1"; fi
}

cat >"$work/parts.json" <<'JSON'
{"name": "plain", "partDataBasis": 1, "inputs": {"FacetoFace": 0.2},
 "ports": [{"index": 1, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02},
           {"index": 2, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02}]}
JSON

# A stand-in viewer: each file holds its own path, so a copy can be traced to its source.
fake="$work/viewer"
three_files=(build/three.module.js build/three.core.js examples/jsm/controls/OrbitControls.js
    examples/jsm/loaders/GLTFLoader.js examples/jsm/utils/BufferGeometryUtils.js examples/jsm/utils/SkeletonUtils.js LICENSE)
for f in index.html part.html configure.html app/part.js app/configure.js app/viewer.css "${three_files[@]/#/node_modules/three/}"; do
    mkdir -p "$(dirname "$fake/$f")"
    echo "$f" >"$fake/$f"
done

TCV_VIEWER_DIR="$fake" "$cv" gallery "$work/full" "$work/parts.json" >"$work/out" 2>"$work/err"
ok "gallery with the viewer exits 0" $?
for f in index.html part.html configure.html app/part.js app/configure.js app/viewer.css; do
    [ "$(cat "$work/full/$f" 2>/dev/null)" = "$f" ]
    ok "page $f copied" $?
done
for f in "${three_files[@]}"; do
    [ "$(cat "$work/full/app/three/$f" 2>/dev/null)" = "node_modules/three/$f" ]
    ok "three.js $f copied" $?
done
[ -f "$work/full/index.json" ] && [ -f "$work/full/plain.glb" ]
ok "data written beside the viewer" $?
grep -q "^viewer: checkvalve serve $work/full" "$work/out"
ok "tells how to see it" $?
! grep -q warning "$work/err"
ok "no warning when complete" $?

# Without the three.js package: data and pages written, and a warning that says how to install.
rm -rf "$fake/node_modules"
TCV_VIEWER_DIR="$fake" "$cv" gallery "$work/bare" "$work/parts.json" >"$work/out" 2>"$work/err"
ok "gallery without three.js exits 0" $?
[ -f "$work/bare/index.json" ] && [ -f "$work/bare/plain.glb" ] && [ -f "$work/bare/index.html" ]
ok "data and pages written without three.js" $?
grep -q "npm ci --prefix $fake" "$work/err"
ok "warning names the install command" $?
grep -q "^viewer:" "$work/out" && { failed=$((failed + 1)); echo "FAIL offers a viewer that cannot work"; } || passed=$((passed + 1))

# No viewer folder at all: the data all the same.
TCV_VIEWER_DIR="$work/none" "$cv" gallery "$work/nothing" "$work/parts.json" >/dev/null 2>"$work/err"
ok "gallery without a viewer folder exits 0" $?
[ -f "$work/nothing/index.json" ] && grep -q "no viewer pages in $work/none" "$work/err"
ok "data written and the missing folder named" $?

# With the project's own viewer (when its packages are installed): every module the copied scripts import
# by a relative path is in the gallery, so the pages load offline.
if [ -d "$repo/viewer/node_modules/three" ]; then
    TCV_VIEWER_DIR="$repo/viewer" "$cv" gallery "$work/real" "$work/parts.json" >/dev/null 2>&1
    missing=0
    while IFS= read -r js; do
        while IFS= read -r target; do
            [ -f "$(dirname "$js")/$target" ] || { echo "  $js imports missing $target"; missing=1; }
        done < <(grep -oE "from '\.{1,2}/[^']+'|import '\.{1,2}/[^']+'" "$js" | sed -E "s/^(from|import) '//; s/'$//")
    done < <(find "$work/real/app" -name '*.js')
    ok "every relative import resolves in the gallery" "$missing"
else
    echo "skipped the import check: viewer/node_modules is not installed (npm ci --prefix viewer)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
