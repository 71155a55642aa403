#!/usr/bin/env bash
# The FreeCAD macro headless: installs FreeCAD's command-line program (freecadcmd, Debian's
# freecad-python3) and runs examples/freecad/insert_valve.py under it with the Python module of a build
# tree: three sample parts checked against their reports and saved as an .FCStd (check_macro.py), and the
# macro run as freecadcmd runs a macro file, driven by TCV_CATALOG and TCV_PART.
# Usage: freecad_test.sh [BUILD_DIR]   (default build/sdk; the module is BUILD_DIR/python)
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
build=$(cd "${1:-build/sdk}" && pwd)
bash scripts/install-deps.sh freecad
test -f "$build"/python/tarncheckvalve/__init__.py || { echo "freecad_test: no Python module in $build/python" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No bytecode left beside the macro in the source tree.
export PYTHONDONTWRITEBYTECODE=1 TCV_PYTHON_PATH=$build/python TCV_MACRO_DIR=$repo/examples/freecad TCV_CATALOG_DIR=$repo/data/catalog

# freecadcmd exits 0 whatever its script raised: the check script writes its verdict to a file.
TCV_SAVE_AS=$work/valves.FCStd TCV_RESULT=$work/result.txt freecadcmd tests/freecad/check_macro.py >"$work/log.txt" 2>&1 || true
if [ "$(cat "$work/result.txt" 2>/dev/null)" != ok ]; then
  cat "$work/log.txt" "$work/result.txt" >&2 2>/dev/null || true
  echo "freecad_test: the macro's checks failed" >&2
  exit 1
fi
grep -oE '[a-z0-9-]+: [0-9]+ features.* within 1e-9' "$work/log.txt"
test -s "$work/valves.FCStd"

# The macro file itself, as freecadcmd runs it: it exits 0 when it inserted the part, 1 naming why not.
TCV_CATALOG=$repo/data/catalog/wafer-inline-cone.json TCV_PART=lug-2258-nps6-cl150 TCV_SAVE=$work/lug.FCStd \
  freecadcmd examples/freecad/insert_valve.py >"$work/macro.txt" 2>&1 || { cat "$work/macro.txt" >&2; exit 1; }
grep -q 'inserted lug-2258-nps6-cl150' "$work/macro.txt" || { cat "$work/macro.txt" >&2; exit 1; }
test -s "$work/lug.FCStd"
expect_failure() { # what, expected message; the macro's run from the rest of the line's environment
  local what=$1 message=$2 status=0
  shift 2
  env "$@" freecadcmd examples/freecad/insert_valve.py >"$work/failed.txt" 2>&1 || status=$?
  [ "$status" -eq 1 ] && grep -q "$message" "$work/failed.txt" ||
    { cat "$work/failed.txt" >&2; echo "freecad_test: $what: exit $status" >&2; exit 1; }
}
expect_failure "an unknown part" "holds no part 'no-such-part'" \
  TCV_CATALOG="$repo/data/catalog/wafer-inline-cone.json" TCV_PART=no-such-part
expect_failure "no module" "the tarncheckvalve module cannot be imported" \
  TCV_PYTHON_PATH="$work/empty" TCV_CATALOG="$repo/data/catalog/wafer-inline-cone.json" TCV_PART=lug-2258-nps6-cl150
echo "freecad: macro OK"
