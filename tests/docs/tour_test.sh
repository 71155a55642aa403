#!/usr/bin/env bash
# The first hour, as a new user has it: clones the repository into a temporary folder, runs the main
# command there, then every command block of the README's tour as written (the server started in the
# background and its pages fetched), the FreeCAD macro as docs/python.md runs it, the Dask runner with
# two workers, `validate --strict` on every shipped catalogue, and the documentation's link check.
# Usage: tour_test.sh   (from any folder; needs the tools scripts/install-deps.sh installs)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
server=""
cleanup() {
    [ -z "$server" ] || kill -- "-$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "tour_test: $*" >&2; exit 1; }

git clone --quiet "$repo" "$work/clone"
cd "$work/clone"
# The clone shares the compiler cache with the checkout it came from.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
bash scripts/run-main.sh >"$work/main.log" 2>&1 || { tail -20 "$work/main.log" >&2; fail "run-main.sh failed"; }
test -s gallery/index.json || fail "run-main.sh wrote no gallery"

# The tour's command blocks: the indented lines between its heading and the next top-level heading, one
# block a script.
python3 - README.md "$work/blocks" <<'PY'
import os, re, sys
text = open(sys.argv[1], encoding="utf-8").read()
tour = text[text.index("## A five-minute tour"):]
tour = tour[:tour.index("\n## ", 3)]
blocks, current = [], []
for line in tour.split("\n"):
    if line.startswith("    "):
        current.append(line[4:])
    elif current and line.strip() == "":
        current.append("")
    elif current:
        blocks.append("\n".join(current).strip() + "\n")
        current = []
if current:
    blocks.append("\n".join(current).strip() + "\n")
os.makedirs(sys.argv[2])
for i, block in enumerate(blocks):
    open(os.path.join(sys.argv[2], f"{i:02d}.sh"), "w").write(block)
print(f"tour_test: {len(blocks)} command blocks")
PY
cv=build/release/src/checkvalve
for block in "$work"/blocks/*.sh; do
    if grep -q ' serve ' "$block"; then
        # The server runs until stopped: started in its own process group, its pages fetched, then stopped.
        command=$(grep ' serve ' "$block" | sed 's/#.*//')
        : >"$work/serve.out" # emptied before the background start, which truncates it only later
        (cv=$cv setsid bash -c "echo \$\$ >'$work/serve.pid'; exec $command --port 0" >"$work/serve.out" 2>&1 &)
        for _ in $(seq 300); do grep -q '^Serving ' "$work/serve.out" && break; sleep 0.1; done
        url=$(sed -n 's/^Serving .* at \(http[^ ]*\)$/\1/p' "$work/serve.out")
        server=$(cat "$work/serve.pid")
        [ -n "$url" ] || fail "the tour's server did not start: $(cat "$work/serve.out")"
        for page in "" configure.html index.json; do
            curl -fsS -o /dev/null "$url$page" || fail "the tour's server does not answer $url$page"
        done
        kill -INT "$server"
        for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
        server=""
        continue
    fi
    cv=$cv bash -euo pipefail "$block" >"$work/block.log" 2>&1 ||
        { cat "$block" "$work/block.log" >&2; fail "a tour command block failed"; }
done
test -s plant.ifc || fail "the tour's place wrote no plant.ifc"
test -s valve.glb || fail "the tour's Python wrote no valve.glb"

# The shipped catalogues pass the strict check; the FreeCAD macro as documented.
for catalogue in data/catalog/*.json examples/catalog/valves.csv; do
    $cv validate "$catalogue" --strict --quiet >/dev/null || fail "validate --strict failed on $catalogue"
done
bash scripts/install-deps.sh freecad
TCV_CATALOG=data/catalog/default-bodies.json TCV_PART=default-1-nps4-cl150-swing \
    TCV_SAVE=valve.FCStd TCV_PYTHON_PATH=build/release/python freecadcmd examples/freecad/insert_valve.py \
    >"$work/freecad.log" 2>&1 || { cat "$work/freecad.log" >&2; fail "the FreeCAD macro failed"; }
test -s valve.FCStd || fail "the FreeCAD macro saved nothing"

python3 tests/docs/links_test.py .
echo "tour_test: the main command, the tour, strict validation, the FreeCAD macro and the links all work"
