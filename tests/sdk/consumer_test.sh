#!/usr/bin/env bash
# The SDK as an integrator uses it, in two ways (tests/sdk/consumer/):
#   consumer_test.sh package BUILD SOURCE       installs BUILD into a fresh prefix; a project asking only
#       for the symbol component builds and runs the own-host example with Open CASCADE and nlohmann_json
#       hidden from find_package, and compiles every installed header of host/, contract/ and symbol/ on
#       its own; a
#       second project asking for exports builds both examples, compiles every installed header and runs
#       the reference host.
#   consumer_test.sh subdirectory BUILD SOURCE  a project taking SOURCE in with add_subdirectory builds
#       the own-host example (the symbol's layers only, in a Debug build to keep it short) and runs it.
# Extra arguments for the consumers' cmake (the sanitizer flags of the build under test) come from
# $TCV_CONSUMER_CMAKE_ARGS. Exits non-zero at the first failure.
set -euo pipefail
mode=$1 build=$(cd "$2" && pwd) source=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "consumer ($mode): $*" >&2; exit 1; }
read -r -a extra <<<"${TCV_CONSUMER_CMAKE_ARGS:-}"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

configure() { # into, build type, then cmake arguments
  local into=$1 type=$2
  shift 2
  cmake -S "$source/tests/sdk/consumer" -B "$into" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" \
    "${extra[@]}" "$@" >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configure failed"; }
  cmake --build "$into" -j "${TCV_JOBS:-2}" >"$work/build.log" 2>&1 || { tail -50 "$work/build.log" >&2; fail "build failed"; }
}

# The own-host example's bill of primitives, and its refusals.
check_own_host() {
  "$1" 1 FacetoFace=0.292 >"$work/own-host.txt"
  grep -q '^definition TarnCheckValve.CCheckValve: 34 inputs$' "$work/own-host.txt" || fail "own-host: no definition"
  grep -q 'output "Body"' "$work/own-host.txt" || fail "own-host: no Body"
  grep -q '^3 outputs$' "$work/own-host.txt" || fail "own-host: not 3 outputs"
  if "$1" 9999 >/dev/null 2>&1; then fail "own-host: PartDataBasis 9999 succeeded"; fi
  if "$1" 1 Bogus=1 >/dev/null 2>&1; then fail "own-host: input Bogus accepted"; fi
}

check_reference_host() { # program, data folder
  "$1" "$2/catalog/default-bodies.json" default-1-nps4-cl150-swing "$work/valve.glb" >/dev/null ||
    fail "reference-host failed"
  [ "$(head -c 4 "$work/valve.glb")" = glTF ] || fail "reference-host wrote no GLB"
}

case "$mode" in
package)
  prefix=$work/prefix
  for component in runtime development; do
    cmake --install "$build" --prefix "$prefix" --component "$component" >/dev/null
  done
  headers=$(cd "$prefix/include" && find . -name '*.h' | sed 's|^\./||' | sort)
  # Every installed header lies under the project's one root, and no two share a file name.
  ! grep -v '^tarncheckvalve/' <<<"$headers" || fail "headers installed outside include/tarncheckvalve/"
  duplicates=$(sed 's|.*/||' <<<"$headers" | sort | uniq -d)
  [ -z "$duplicates" ] || fail "installed headers share a file name: $duplicates"
  # Nothing of the internal layers is installed.
  for layer in base geometry ports shapes variants; do
    [ ! -e "$prefix/include/tarncheckvalve/$layer" ] || fail "the internal layer $layer installs headers"
  done
  symbol_headers=$(grep -E '^tarncheckvalve/(host|contract|symbol)/' <<<"$headers" | paste -sd ';')
  configure "$work/symbol" Release -DCMAKE_PREFIX_PATH="$prefix" -DTCV_CONSUMER_COMPONENTS=symbol \
    -DCMAKE_DISABLE_FIND_PACKAGE_OpenCASCADE=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON \
    "-DTCV_CONSUMER_HEADERS=$symbol_headers"
  check_own_host "$work/symbol/own-host"
  configure "$work/exports" Release -DCMAKE_PREFIX_PATH="$prefix" -DTCV_CONSUMER_COMPONENTS=exports \
    "-DTCV_CONSUMER_HEADERS=$(paste -sd ';' <<<"$headers")"
  check_own_host "$work/exports/own-host"
  check_reference_host "$work/exports/reference-host" "$prefix/share/tarncheckvalve/data"
  ;;
subdirectory)
  configure "$work/sub" Debug -DTCV_CONSUMER_MODE=subdirectory -DTCV_SOURCE_DIR="$source"
  check_own_host "$work/sub/own-host"
  ;;
*)
  echo "usage: consumer_test.sh package|subdirectory BUILD SOURCE" >&2
  exit 2
  ;;
esac
echo "consumer ($mode): OK"
