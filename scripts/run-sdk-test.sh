#!/usr/bin/env bash
# The installed SDK and the Debian packages, end to end: builds Release in build/sdk (ccache), installs
# into a fresh prefix, builds and runs both examples against that prefix, then builds the .deb files,
# installs them with apt-get, runs `checkvalve gallery` from /usr and removes the packages again.
# Exits non-zero at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$repo")}
jobs=${TCV_JOBS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The viewer's three.js files go into the install with the pages.
[ -f viewer/node_modules/three/build/three.module.js ] ||
  npm ci --prefix viewer --no-audit --no-fund --loglevel=error

cmake -S . -B build/sdk -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_TESTS=OFF >/dev/null
cmake --build build/sdk -j "$jobs"

echo "== install into a fresh prefix"
prefix=$work/prefix
cmake --install build/sdk --prefix "$prefix" >/dev/null
test -x "$prefix/bin/checkvalve"
test -f "$prefix/include/tarncheckvalve/host/Version.h"
test -f "$prefix/lib/cmake/TarnCheckValve/TarnCheckValveConfigVersion.cmake"
test -f "$prefix/lib/pkgconfig/tarncheckvalve.pc"
# The installed program reads the installed data, not the source tree's: run it from elsewhere.
(cd "$work" && "$prefix/bin/checkvalve" eval --sample default-1-nps4-cl150-swing --json >/dev/null)

# The Python module from the prefix, reading the prefix's data.
python=${TCV_PYTHON:-/usr/bin/python3}
platlib=$(sed -n 's/^TCV_PYTHON_INSTALL_DIR:STRING=//p' build/sdk/CMakeCache.txt)
test -f "$prefix/$platlib/tarncheckvalve.pyi"
(cd "$work" && PYTHONPATH="$prefix/$platlib" "$python" -c "import tarncheckvalve as t
assert t.evaluate(t.samples()[0]).ok")

echo "== examples against the prefix"
for example in own-host reference-host; do
  cmake -S "examples/$example" -B "$work/$example" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build "$work/$example" -j "$jobs" >/dev/null
done
"$work/own-host/own-host" 1 FacetoFace=0.292 >"$work/own-host.txt"
grep -q '^definition TarnCheckValve.CCheckValve: 34 inputs$' "$work/own-host.txt"
grep -q 'output "Body"' "$work/own-host.txt"
grep -q '^3 outputs$' "$work/own-host.txt"
# A part the symbol cannot draw fails with the host's error, and a misspelt input is refused.
if "$work/own-host/own-host" 9999 >/dev/null 2>&1; then echo "own-host: PartDataBasis 9999 succeeded" >&2; exit 1; fi
if "$work/own-host/own-host" 1 Bogus=1 >/dev/null 2>&1; then echo "own-host: input Bogus accepted" >&2; exit 1; fi
"$work/reference-host/reference-host" "$prefix/share/tarncheckvalve/data/catalog/default-bodies.json" \
  default-1-nps4-cl150-swing "$work/valve.glb"
[ "$(head -c 4 "$work/valve.glb")" = glTF ]

echo "== Debian packages"
(cd build/sdk && cpack -G DEB >/dev/null)
runtime_deb=$(ls "$repo"/build/sdk/tarncheckvalve_*.deb)
dev_deb=$(ls "$repo"/build/sdk/libtarncheckvalve-dev_*.deb)
python_deb=$(ls "$repo"/build/sdk/python3-tarncheckvalve_*.deb)
dpkg-deb -f "$runtime_deb" Depends | grep -q libc6
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$runtime_deb" "$dev_deb" "$python_deb" >/dev/null
test -f /usr/lib/x86_64-linux-gnu/cmake/TarnCheckValve/TarnCheckValveConfig.cmake ||
  test -f /usr/lib/cmake/TarnCheckValve/TarnCheckValveConfig.cmake
(cd "$work" && /usr/bin/checkvalve gallery "$work/gallery" >/dev/null)
test -f "$work/gallery/index.json"
test -f "$work/gallery/index.html"
test -f "$work/gallery/app/three/build/three.module.js"
(cd "$work" && /usr/bin/python3 -c "import tarncheckvalve as t; assert len(t.samples()) > 10")
apt-get remove -y -qq python3-tarncheckvalve tarncheckvalve libtarncheckvalve-dev >/dev/null
if command -v checkvalve >/dev/null; then echo "checkvalve still installed after removal" >&2; exit 1; fi
echo "sdk: install, examples and packages OK"
