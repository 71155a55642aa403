#!/usr/bin/env bash
# The main job: installs, builds checkvalve and the Python module (build/release/python, which the Python,
# FreeCAD and Dask examples use), and renders the gallery of every built-in sample part into gallery/ (per
# part a GLB, a STEP file and the JSON report, and gallery/index.json listing them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_TESTS=OFF >/dev/null
cmake --build build/release --target checkvalve tcv_python
# The browser viewer's three.js modules, which the gallery copies beside its data.
if command -v npm >/dev/null; then
  npm ci --prefix viewer --no-audit --no-fund --loglevel=error >/dev/null ||
    echo "run-main: npm ci failed; the gallery is written without its viewer" >&2
fi
status=0
./build/release/src/checkvalve gallery gallery/ --jobs "$(nproc)" || status=$?
cat <<TEXT

Gallery written to $(pwd)/gallery/:
  gallery/index.json     every part with its PartDataBasis, files, output counts and status
  gallery/<part>.glb     the Physical and Insulation aspects for any glTF viewer (nozzle port data in node extras)
  gallery/<part>.step    the same assemblies as STEP AP214 for CAD programs (metres)
  gallery/<part>.json    the full report: every output with kind, bounding box, volume and creation values
  gallery/index.html     the browser viewer: run ./build/release/src/checkvalve serve gallery/ and open
                         the address it prints
The Python module: PYTHONPATH=build/release/python python3 -c 'import tarncheckvalve'
TEXT
exit "$status"
