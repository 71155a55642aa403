#!/usr/bin/env bash
# The command line against hostile or careless use: galleries of different catalogues written into one
# folder at the same time, links planted in output folders, output paths that cannot work, catalogues
# that are not files, and names that hold terminal escapes.
# Usage: hostile_test.sh PATH/TO/checkvalve
set -u
cv="$1"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

check() { # name, expected exit code, command...
    local name="$1" want="$2"
    shift 2
    timeout 60 "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -eq "$want" ]; then pass; else
        fail "$name: exit $got, expected $want"
        sed 's/^/  | /' "$work/err" | head -5
    fi
}
expect_in() { # name, file, text
    if grep -q -- "$3" "$2"; then pass; else fail "$1: '$3' not in $2"; sed 's/^/  | /' "$2" | head -5; fi
}

# Two catalogues whose parts share their names but not their sizes.
catalogue() { # file, face-to-face, pipe OD
    cat >"$1" <<JSON
{"parts": [
 {"name": "swing", "partDataBasis": 1, "inputs": {"FacetoFace": $2},
  "ports": [{"index": 1, "pipeOD": $3, "flangeOD": 0.23, "flangeThickness": 0.024}, {"index": 2, "pipeOD": $3}]},
 {"name": "wafer", "partDataBasis": 2255, "inputs": {"FacetoFace": 0.06},
  "ports": [{"index": 1, "pipeOD": $3, "flangeOD": 0.23}, {"index": 2, "pipeOD": $3}]}]}
JSON
}
catalogue "$work/a.json" 0.292 0.1143
catalogue "$work/b.json" 0.356 0.1683

# What each catalogue gives on its own.
for run in a b; do
    check "gallery-$run" 0 "$cv" gallery "$work/ref-$run" "$work/$run.json"
done

# Both at once into one folder, three times over: every file is one run's whole file.
shared="$work/shared"
for round in 1 2 3; do
    "$cv" gallery "$shared" "$work/a.json" --jobs 2 >"$work/ga.out" 2>&1 &
    pa=$!
    "$cv" gallery "$shared" "$work/b.json" --jobs 2 >"$work/gb.out" 2>&1 &
    pb=$!
    wait $pa && wait $pb && pass || { fail "concurrent galleries, round $round"; sed 's/^/  | /' "$work/ga.out" "$work/gb.out" | head -10; }
    if python3 - "$shared" "$work/ref-a" "$work/ref-b" <<'PY'; then pass; else fail "concurrent gallery files, round $round"; fi
import json, os, struct, sys
shared, refs = sys.argv[1], sys.argv[2:]
def glb_ok(data):
    magic, version, length = struct.unpack_from("<4sII", data)
    assert magic == b"glTF" and version == 2 and length == len(data), "header"
    json_length, json_type = struct.unpack_from("<I4s", data, 12)
    assert json_type == b"JSON"
    gltf = json.loads(data[20:20 + json_length])
    offset = 20 + json_length
    if "buffers" in gltf:
        bin_length, bin_type = struct.unpack_from("<I4s", data, offset)
        assert bin_type == b"BIN\0" and bin_length >= gltf["buffers"][0]["byteLength"], "binary chunk"
        for view in gltf.get("bufferViews", []):
            assert view.get("byteOffset", 0) + view["byteLength"] <= bin_length, "buffer view"
for name in ("swing", "wafer"):
    for ext in (".glb", ".json"):
        data = open(os.path.join(shared, name + ext), "rb").read()
        if ext == ".glb":
            glb_ok(data)
        assert any(data == open(os.path.join(ref, name + ext), "rb").read() for ref in refs), name + ext
index = json.load(open(os.path.join(shared, "index.json")))
assert [p["name"] for p in index["parts"]] == ["swing", "wafer"]
left = [f for f in os.listdir(shared) if f.startswith(".")]
assert not left, left
PY
done

# Links planted at the names scratch files once had, and at a destination, point at a file that must
# stay as it was; the destination link is replaced by the file.
planted="$work/planted"
mkdir -p "$planted"
echo precious >"$work/victim"
for name in .swing.glb.bin.tmp swing.glb.bin.tmp .index.json.partial-1-0 swing.json index.json; do
    ln -s "$work/victim" "$planted/$name"
done
check gallery-planted 0 "$cv" gallery "$planted" "$work/a.json"
echo precious | cmp -s - "$work/victim" && pass || fail "a planted link was written through"
[ -L "$planted/index.json" ] && fail "index.json is still a link" || pass
cmp -s "$planted/swing.json" "$work/ref-a/swing.json" && pass || fail "swing.json not the report"

# Output paths that cannot work are refused before anything is evaluated.
sample=default-1-nps4-cl150-swing
check eval-empty-glb 2 "$cv" eval --sample $sample --glb ""
expect_in eval-empty-glb-message "$work/err" "empty file name"
[ -s "$work/out" ] && fail "eval-empty-glb printed a report" || pass
check eval-empty-step 2 "$cv" eval --sample $sample --step=
check eval-step-missing-folder 2 "$cv" eval --sample $sample --step "$work/no/such/part.step"
expect_in eval-step-missing-message "$work/err" "does not exist"
[ -s "$work/out" ] && fail "eval-step-missing-folder printed a report" || pass
check eval-stl-under-file 2 "$cv" eval --sample $sample --stl "$work/a.json/part.stl"
expect_in eval-stl-under-file-message "$work/err" "is not a folder"
check gallery-empty-folder 2 "$cv" gallery ""
check gallery-under-file 2 "$cv" gallery "$work/a.json/gallery"

# Outputs that are not regular files: a character device is written into and stays a device; a block
# device, a pipe, a socket, a folder and a link to a folder are refused (exit 2, the path named) and stay
# as they were. Device nodes are made here, in the test's own folder, never in /dev.
special="$work/special"
mkdir -p "$special/folder.json"
mkfifo "$special/pipe.json"
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$special/socket.json"
ln -s "$special/folder.json" "$special/folder-link.json"
write_to() { # how (convert, eval, validate), expected exit, output path
    case $1 in
        convert) check "$1 $3" "$2" "$cv" convert "$work/a.json" "$3" ;;
        eval) check "$1 $3" "$2" "$cv" eval --sample $sample --glb "$3" ;;
        validate) check "$1 $3" "$2" "$cv" validate "$work/a.json" --report "$3" ;;
    esac
}
if [ "$(id -u)" -eq 0 ] && mknod "$special/null.json" c 1 3 2>/dev/null && mknod "$special/block.json" b 7 0 2>/dev/null; then
    for how in convert eval validate; do
        write_to $how 0 "$special/null.json"
        [ -c "$special/null.json" ] && pass || fail "$how replaced the character device"
        write_to $how 2 "$special/block.json"
        expect_in "$how-block-message" "$work/err" "$special/block.json': it is a block device"
        [ -b "$special/block.json" ] && pass || fail "$how replaced the block device"
    done
else
    echo "SKIP device nodes (not root, or mknod refused)"
fi
check stdout-device 0 "$cv" convert "$work/a.json" /dev/stdout
expect_in stdout-device-content "$work/out" '"parts"'
# path | message
while IFS='|' read -r target message; do
    for how in convert eval validate; do
        write_to $how 2 "$target"
        expect_in "$how-$target-message" "$work/err" "$message"
    done
done <<TABLE
$special/pipe.json|$special/pipe.json': it is a named pipe
$special/socket.json|$special/socket.json': it is a socket
$special/folder.json|$special/folder.json': a folder of that name exists
$special/folder-link.json|$special/folder-link.json': it is a symbolic link to a folder
TABLE
[ -p "$special/pipe.json" ] && [ -S "$special/socket.json" ] && [ -L "$special/folder-link.json" ] &&
    [ -z "$(ls -A "$special/folder.json")" ] && pass || fail "a refused output was changed"

# A link planted at the gallery's app/ (or app/three/) is never written through: refused before anything
# is evaluated, the folder it points at left empty.
for planted_at in app app/three; do
    gallery="$work/linked-$(basename "$planted_at")"
    mkdir -p "$gallery/$(dirname "$planted_at")" "$work/elsewhere"
    ln -s "$work/elsewhere" "$gallery/$planted_at"
    check "gallery link at $planted_at" 2 "$cv" gallery "$gallery" "$work/a.json"
    expect_in "gallery link at $planted_at message" "$work/err" "$gallery/$planted_at' is a symbolic link"
    [ -z "$(ls -A "$work/elsewhere")" ] && pass || fail "the gallery wrote through the link at $planted_at"
done

# Option values out of range: exit 2, the option named.
for args in "validate --max-catalog-size -1" "validate --max-catalog-size 99999999999999999999999" \
    "validate --max-catalog-size 0" "validate --jobs 0" "gallery $work/g-jobs --jobs 1000" "diff $work/a.json $work/b.json --jobs -2"; do
    # shellcheck disable=SC2086
    check "option $args" 2 "$cv" $args
    expect_in "option $args message" "$work/err" "$(awk '{ for (i = 1; i <= NF; ++i) if ($i ~ /^--/) print $i }' <<<"$args")"
done

# Stop signals during a gallery or an evaluation: the process ends within seconds with 128 + the signal,
# leaves no staging file or scratch folder, writes no index of a cut-short gallery, and every file it
# left is whole.
python3 - "$work/many.json" "$source_dir" <<'PY'
import glob, json, os, sys
parts = []
for path in sorted(glob.glob(os.path.join(sys.argv[2], "data/catalog/*.json"))):
    parts += json.load(open(path))["parts"]
many = [dict(part, name=f"{part['name']}-{copy}") for copy in range(40) for part in parts]
json.dump({"parts": many}, open(sys.argv[1], "w"))
PY
stop_after() { # seconds, signal, pid: sends the signal and waits up to 5 s for the process to end
    sleep "$1"
    kill -"$2" "$3" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$3" 2>/dev/null || return 0; sleep 0.1; done
    kill -KILL -- -"$3" 2>/dev/null
    return 1
}
declare -A signal_exit=([INT]=130 [TERM]=143 [HUP]=129 [QUIT]=131)
for signal in INT TERM HUP QUIT; do
    gallery="$work/signalled-$signal"
    scratch="$work/tmp-$signal"
    mkdir -p "$scratch"
    TMPDIR="$scratch" setsid "$cv" gallery "$gallery" "$work/many.json" --jobs 2 >/dev/null 2>"$work/signal-err" &
    pid=$!
    stop_after 3 "$signal" "$pid" && pass || fail "gallery still running 5 s after SIG$signal"
    wait "$pid" 2>/dev/null
    status=$?
    [ "$status" -eq "${signal_exit[$signal]}" ] && pass || fail "gallery exit $status after SIG$signal"
    expect_in "gallery message after SIG$signal" "$work/signal-err" "interrupted by SIG$signal"
    [ ! -e "$gallery/index.json" ] && pass || fail "a cut-short gallery wrote its index after SIG$signal"
    leftovers=$(find "$gallery" "$scratch" -mindepth 1 \( -name '.*partial-*' -o -name 'checkvalve-*' \) | head -3)
    [ -z "$leftovers" ] && pass || fail "staging files left after SIG$signal: $leftovers"
    python3 - "$gallery" <<'PY' && pass || fail "gallery files after SIG$signal"
import json, os, struct, sys
folder = sys.argv[1]
for name in os.listdir(folder) if os.path.isdir(folder) else []:
    path = os.path.join(folder, name)
    if name.startswith(".") or not os.path.isfile(path):
        continue
    data = open(path, "rb").read()
    if name.endswith(".glb"):
        magic, version, length = struct.unpack_from("<4sII", data)
        assert magic == b"glTF" and length == len(data), name
    elif name.endswith(".json"):
        json.loads(data)
PY
    setsid "$cv" eval "$work/many.json" --json >"$work/signal-out" 2>"$work/signal-err" &
    pid=$!
    stop_after 1 "$signal" "$pid" && pass || fail "eval still running 5 s after SIG$signal"
    wait "$pid" 2>/dev/null
    status=$?
    [ "$status" -eq "${signal_exit[$signal]}" ] && pass || fail "eval exit $status after SIG$signal"
    [ ! -s "$work/signal-out" ] && pass || fail "eval printed a report of cut-short parts after SIG$signal"
done

# A part typed in the wrong unit fails alone: the gallery renders the others, and its index says why.
python3 - "$work/mixed.json" "$source_dir" <<'PY'
import json, sys
swing = next(part for part in json.load(open(sys.argv[2] + "/data/catalog/default-bodies.json"))["parts"]
             if part["name"] == "default-1-nps4-cl150-swing")
long_body = dict(swing, name="typed-in-metres", inputs=dict(swing["inputs"], FacetoFace=2920))
json.dump({"parts": [swing, long_body]}, open(sys.argv[1], "w"))
PY
check gallery-with-a-part-too-long 1 "$cv" gallery "$work/g-mixed" "$work/mixed.json" --time-limit 20
python3 - "$work/g-mixed/index.json" <<'PY' && pass || fail "gallery index of a part too long to mesh"
import json, sys
parts = {part["name"]: part for part in json.load(open(sys.argv[1]))["parts"]}
assert parts["default-1-nps4-cl150-swing"]["status"] == "ok"
bad = parts["typed-in-metres"]
assert bad["status"] == "failed" and "triangles on one face (output Body is 2919.95 m long" in bad["error"], bad
PY
expect_in gallery-with-a-part-too-long-says-why "$work/out" "FAILED  typed-in-metres"

# Catalogues that are not regular files, or too large, are refused unread (a pipe must not hang).
mkfifo "$work/pipe.json"
check catalogue-device 2 "$cv" validate /dev/zero
expect_in catalogue-device-message "$work/err" "/dev/zero: not a catalogue file but a device"
check catalogue-folder 2 "$cv" eval "$work"
expect_in catalogue-folder-message "$work/err" "but a folder"
check catalogue-pipe 2 "$cv" gallery "$work/g-pipe" "$work/pipe.json"
expect_in catalogue-pipe-message "$work/err" "but a pipe"
check catalogue-over-limit 2 "$cv" validate "$work/a.json" --max-catalog-size 100
expect_in catalogue-over-limit-message "$work/err" "more than the limit of 100 bytes"
check catalogue-raised-limit 0 "$cv" validate "$work/a.json" --max-catalog-size 1KiB
check catalogue-bad-limit 2 "$cv" validate "$work/a.json" --max-catalog-size lots

# Terminal escapes in names and values are printed escaped.
printf '{"parts": [{"name": "ok\\u001b[31mred", "partDataBasis": 1, "inputs": {"FacetoFace": 0.2},
  "ports": [{"index": 1, "pipeOD": 0.1}, {"index": 2, "pipeOD": 0.1}]}]}' >"$work/escape.json"
printf '{"name": "t\\u001b]0;title\\u0007", "partDataBasis": 1, "inputs": {"Height": "1\\u001b[2J"}}' >"$work/escape-bad.json"
check escape-validate 0 "$cv" validate "$work/escape.json"
expect_in escape-validate-name "$work/out" 'ok\\x1B\[31mred'
check escape-eval 0 "$cv" eval "$work/escape.json"
expect_in escape-eval-name "$work/out" 'ok\\x1B\[31mred'
check escape-message 2 "$cv" eval "$work/escape-bad.json"
expect_in escape-message-text "$work/err" "part 't\\\\x1B]0;title\\\\x07'"
if cat "$work/out" "$work/err" | grep -q $'\x1b'; then fail "a raw escape reached the terminal"; else pass; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
