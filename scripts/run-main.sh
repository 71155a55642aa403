#!/usr/bin/env bash
# The main job: installs, builds and runs checkvalve on the built-in sample catalogue.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_TESTS=OFF >/dev/null
cmake --build build/release --target checkvalve
./build/release/src/checkvalve definition
