#!/usr/bin/env bash
# The installed SDK and the Debian packages, end to end: builds Release in build/sdk (ccache), installs
# into a fresh prefix, builds and runs both examples against that prefix, then builds the .deb files,
# installs them with apt-get, runs `checkvalve gallery` from /usr, builds both examples with the
# documented pkg-config lines against /usr and removes the packages again.
# With --shared it also builds the libraries shared (build/sdk-shared), checks what they export and
# runs both examples and checkvalve against them. Exits non-zero at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
shared=0
case "${1:-}" in
  --shared) shared=1 ;;
  "") ;;
  *) echo "usage: scripts/run-sdk-test.sh [--shared]" >&2; exit 2 ;;
esac
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$repo")}
jobs=${TCV_JOBS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "sdk: $*" >&2; exit 1; }

# Builds both examples against the prefix $1 into $2/<example> and runs them.
run_examples() {
  local prefix=$1 into=$2
  for example in own-host reference-host; do
    cmake -S "examples/$example" -B "$into/$example" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
    cmake --build "$into/$example" -j "$jobs" >/dev/null
  done
  check_own_host "$into/own-host/own-host"
  "$into/reference-host/reference-host" "$prefix/share/tarncheckvalve/data/catalog/default-bodies.json" \
    default-1-nps4-cl150-swing "$into/valve.glb" >/dev/null
  [ "$(head -c 4 "$into/valve.glb")" = glTF ] || fail "reference-host wrote no GLB"
}

# Builds both examples into $1, from a copy of the examples folder, with the documented pkg-config lines
# (the README shows these same lines: keep them in step), and runs them. The default SDK is static
# archives: --static adds what they link privately.
build_examples_with_pkg_config() {
  local into=$1
  mkdir -p "$into" && cp -r examples "$into/"
  # shellcheck disable=SC2046 # pkg-config's flags are split into words
  (cd "$into" && PATH=$ccache_path:$PATH &&
    g++ -o own-host examples/own-host/main.cpp -DTCV_EXAMPLE_DATA_DIR="\"$(pkg-config --variable=pkgdatadir tarncheckvalve)\"" $(pkg-config --cflags --libs --static tarncheckvalve) &&
    g++ -o reference-host examples/reference-host/main.cpp -DTCV_EXAMPLE_DATA_DIR="\"$(pkg-config --variable=pkgdatadir tarncheckvalve)\"" $(pkg-config --cflags --libs --static tarncheckvalve-exports tarncheckvalve-kernel))
  check_own_host "$into/own-host"
  # Without a catalogue path of its own: the sample catalogue in the data folder compiled in.
  "$into/reference-host" "$(pkg-config --variable=pkgdatadir tarncheckvalve)/catalog/default-bodies.json" \
    default-1-nps4-cl150-swing "$into/valve.glb" >/dev/null
  [ "$(head -c 4 "$into/valve.glb")" = glTF ] || fail "reference-host built with pkg-config wrote no GLB"
}
# The compilers through ccache where Debian's ccache package puts them.
ccache_path=/usr/lib/ccache

# The program's man page, bash completion and the documentation folders of every package under the
# prefix $1 (as installed, or as unpacked from the .deb files).
check_program_files() {
  local root=$1
  zcat "$root/share/man/man1/checkvalve.1.gz" >"$work/checkvalve.1"
  grep -q '^\.TH CHECKVALVE "1"' "$work/checkvalve.1" || fail "the man page has no title"
  grep -q 'Exit codes' "$work/checkvalve.1" || fail "the man page lists no exit codes"
  grep -qx 'validate' "$work/checkvalve.1" || fail "the man page lists no commands"
  bash -n "$root/share/bash-completion/completions/checkvalve" || fail "the bash completion is not valid bash"
  grep -q '^complete -F _checkvalve checkvalve$' "$root/share/bash-completion/completions/checkvalve"
  cmp -s LICENSE "$root/share/doc/tarncheckvalve/LICENSE" || fail "LICENSE is not installed"
  test -f "$root/share/doc/tarncheckvalve/NOTICE"
  for package in "${packages[@]}"; do
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
      "$root/share/doc/$package/copyright" || fail "$package has no machine-readable copyright file"
    zcat "$root/share/doc/$package/changelog.Debian.gz" | sed -n 1p | grep -q "^$package (" ||
      fail "$package has no changelog.Debian.gz"
    cmp -s README.md "$root/share/doc/$package/README.md" || fail "$package has no README.md"
  done
}
packages=(tarncheckvalve libtarncheckvalve-dev python3-tarncheckvalve)

# The own-host example's bill of primitives, and its refusals.
check_own_host() {
  local own_host=$1
  "$own_host" 1 FacetoFace=0.292 >"$work/own-host.txt"
  grep -q '^definition TarnCheckValve.CCheckValve: 34 inputs$' "$work/own-host.txt"
  grep -q 'output "Body"' "$work/own-host.txt"
  grep -q '^3 outputs$' "$work/own-host.txt"
  # A part the symbol cannot draw fails with the host's error, and a misspelt input is refused.
  if "$own_host" 9999 >/dev/null 2>&1; then fail "own-host: PartDataBasis 9999 succeeded"; fi
  if "$own_host" 1 Bogus=1 >/dev/null 2>&1; then fail "own-host: input Bogus accepted"; fi
}

# The viewer's three.js files go into the install with the pages.
[ -f viewer/node_modules/three/build/three.module.js ] ||
  npm ci --prefix viewer --no-audit --no-fund --loglevel=error

# The packages carry the man page: a build without help2man fails here rather than leave it out.
cmake -S . -B build/sdk -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_TESTS=OFF -DTCV_REQUIRE_MAN_PAGE=ON >/dev/null
cmake --build build/sdk -j "$jobs"

echo "== install into a fresh prefix"
prefix=$work/prefix
cmake --install build/sdk --prefix "$prefix" >/dev/null
test -x "$prefix/bin/checkvalve"
test -f "$prefix/include/tarncheckvalve/host/Version.h"
test -f "$prefix/lib/cmake/TarnCheckValve/TarnCheckValveConfigVersion.cmake"
test -f "$prefix/lib/pkgconfig/tarncheckvalve.pc"
check_program_files "$prefix"
# The installed program reads the installed data, not the source tree's: run it from elsewhere.
(cd "$work" && "$prefix/bin/checkvalve" eval --sample default-1-nps4-cl150-swing --json >/dev/null)

# The Python module from the prefix, reading the prefix's data.
python=${TCV_PYTHON:-/usr/bin/python3}
platlib=$(sed -n 's/^TCV_PYTHON_INSTALL_DIR:STRING=//p' build/sdk/CMakeCache.txt)
test -f "$prefix/$platlib/tarncheckvalve/__init__.pyi"
(cd "$work" && PYTHONPATH="$prefix/$platlib" "$python" -c "import tarncheckvalve as t, tarncheckvalve.distributed
assert t.evaluate(t.samples()[0]).ok")

echo "== the installed program without the source tree"
# No path of the source tree is compiled into the program; a copy of the prefix, run with the source
# tree hidden behind an empty folder, writes the gallery with its viewer.
if strings "$prefix/bin/checkvalve" | grep -F "$repo"; then fail "checkvalve names the source tree"; fi
cp -a "$prefix" "$work/moved"
# shellcheck disable=SC2016 # the inner shell expands its own arguments
if unshare --mount sh -c 'mount -t tmpfs tmpfs "$1"' -- "$work" 2>/dev/null; then
  # shellcheck disable=SC2016
  without_source() { unshare --mount sh -c 'mount -t tmpfs tmpfs "$1" && shift && exec "$@"' -- "$repo" "$@"; }
else
  echo "(no mount namespace here: the source tree stays visible to the copy)"
  without_source() { "$@"; }
fi
(cd "$work" && unset TCV_DATA_DIR TCV_VIEWER_DIR &&
  without_source "$work/moved/bin/checkvalve" gallery "$work/moved-gallery" >/dev/null)
test -f "$work/moved-gallery/index.json"
test -f "$work/moved-gallery/index.html"
test -f "$work/moved-gallery/app/three/build/three.module.js"

echo "== examples against the prefix"
run_examples "$prefix" "$work"

echo "== pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
for layer in host contract base geometry ports shapes variants symbol refhost kernel catalog exports; do
  pkg-config --exists --print-errors "tarncheckvalve-$layer = $(pkg-config --modversion tarncheckvalve)"
done
# The data folder the examples are compiled with.
[ "$(cd "$(pkg-config --variable=pkgdatadir tarncheckvalve)" && pwd -P)" = "$(cd "$prefix/share/tarncheckvalve/data" && pwd -P)" ] ||
  fail "pkgdatadir is not the installed data folder"
test -d "$(pkg-config --variable=pkgdatadir tarncheckvalve-ports)/xml"
# The same examples built by hand from the pkg-config files.
build_examples_with_pkg_config "$work/pkg-config"
unset PKG_CONFIG_PATH

if [ "$shared" = 1 ]; then
  echo "== shared libraries"
  # The libraries, the program and the examples; the Python module is the static build's (above).
  cmake -S . -B build/sdk-shared -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_TESTS=OFF -DTCV_PYTHON=OFF \
    -DBUILD_SHARED_LIBS=ON >/dev/null
  cmake --build build/sdk-shared -j "$jobs" --target checkvalve
  shared_prefix=$work/shared-prefix
  cmake --install build/sdk-shared --prefix "$shared_prefix" >/dev/null
  lib=$shared_prefix/lib
  major=$(awk '/define TCV_VERSION_MAJOR/ { print $3 }' "$shared_prefix/include/tarncheckvalve/host/Version.h")
  test -L "$lib/libtarncheckvalve-symbol.so.$major"
  # What the libraries export, and what they keep hidden.
  bash tests/sdk/exports_test.sh "$lib"
  # The installed program runs on the installed libraries, found beside it.
  ldd "$shared_prefix/bin/checkvalve" | grep "libtarncheckvalve-exports.so.$major => $shared_prefix/" >/dev/null ||
    fail "checkvalve does not link the installed libraries"
  if ldd "$shared_prefix/bin/checkvalve" | grep libtarncheckvalve | grep -v "=> $shared_prefix/"; then
    fail "checkvalve does not run on the installed libraries"
  fi
  # The same results as the static program.
  (cd "$work" && "$shared_prefix/bin/checkvalve" eval --sample default-1-nps4-cl150-swing --json >"$work/shared.json")
  (cd "$work" && "$prefix/bin/checkvalve" eval --sample default-1-nps4-cl150-swing --json >"$work/static.json")
  cmp -s "$work/shared.json" "$work/static.json" || fail "the shared and the static program disagree"
  mkdir -p "$work/shared-examples"
  run_examples "$shared_prefix" "$work/shared-examples"
fi

echo "== Debian packages"
(cd build/sdk && cpack -G DEB >/dev/null)
runtime_deb=$(ls "$repo"/build/sdk/tarncheckvalve_*.deb)
dev_deb=$(ls "$repo"/build/sdk/libtarncheckvalve-dev_*.deb)
python_deb=$(ls "$repo"/build/sdk/python3-tarncheckvalve_*.deb)
dpkg-deb -f "$runtime_deb" Depends | grep -q libc6
# What each package holds, as unpacked: the program's files and every package's documentation folder.
for deb in "$runtime_deb" "$dev_deb" "$python_deb"; do
  package=$(dpkg-deb -f "$deb" Package)
  dpkg-deb -c "$deb" >"$work/contents"
  grep -q " \./usr/share/doc/$package/copyright\$" "$work/contents" || fail "$package has no copyright file"
  dpkg-deb -x "$deb" "$work/unpacked"
done
check_program_files "$work/unpacked/usr"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$runtime_deb" "$dev_deb" "$python_deb" >/dev/null
test -f /usr/lib/x86_64-linux-gnu/cmake/TarnCheckValve/TarnCheckValveConfig.cmake ||
  test -f /usr/lib/cmake/TarnCheckValve/TarnCheckValveConfig.cmake
(cd "$work" && /usr/bin/checkvalve gallery "$work/gallery" >/dev/null)
test -f "$work/gallery/index.json"
test -f "$work/gallery/index.html"
test -f "$work/gallery/app/three/build/three.module.js"
(cd "$work" && /usr/bin/python3 -c "import tarncheckvalve as t; assert len(t.samples()) > 10")
# The examples built against the installed development package with the same lines.
build_examples_with_pkg_config "$work/pkg-config-usr"
apt-get remove -y -qq python3-tarncheckvalve tarncheckvalve libtarncheckvalve-dev >/dev/null
if command -v checkvalve >/dev/null; then echo "checkvalve still installed after removal" >&2; exit 1; fi
echo "sdk: install, examples and packages OK"
