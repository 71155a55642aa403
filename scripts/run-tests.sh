#!/usr/bin/env bash
# The whole test suite: installs, builds with the address and undefined-behaviour sanitizers, and runs
# every test. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTCV_SANITIZE=ON >/dev/null
cmake --build build/asan
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build/asan --output-on-failure -j "$(nproc)"

# The gallery viewer in a real browser: Debian's Chromium, driven through playwright-core, opens the pages
# of a rendered gallery served by `checkvalve serve` on loopback. Screenshots: build/viewer-artifacts/.
bash scripts/install-deps.sh browser
npm ci --prefix viewer --no-audit --no-fund --loglevel=error
CHECKVALVE=build/asan/src/checkvalve TCV_VIEWER_ARTIFACTS=build/viewer-artifacts node viewer/test/e2e.mjs
