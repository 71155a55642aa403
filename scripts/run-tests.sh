#!/usr/bin/env bash
# The whole test suite: installs, builds with the address and undefined-behaviour sanitizers, and runs
# every test. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Compiler results are shared between checkouts in other folders (a CI clone and a developer's tree):
# paths are hashed relative to the checkout, and the build folder's own path is left out.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
# The sanitizer settings hold for the build's test discovery too. LeakSanitizer skips only what
# scripts/lsan.supp names: allocations the geometry kernel keeps for the life of the process.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTCV_SANITIZE=ON >/dev/null
cmake --build build/asan
ctest --test-dir build/asan --output-on-failure -j "$(nproc)" -LE "^exports$"
# The export tests write STEP (the IFC read-back by a second reader, labelled 'ifc-readback', writes none
# and ran above). Telling the STEP translator's one-time allocations from the project's
# needs whole allocation stacks, which the kernel's libraries (built without frame pointers) only give
# to the slower unwinder.
ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0 ctest --test-dir build/asan --output-on-failure -j "$(nproc)" -L "^exports$"

# The SDK: install into a fresh prefix, both examples built and run against it, the Debian packages
# built, installed, used from /usr and removed (a Release build in build/sdk; scripts/run-sdk-test.sh).
bash scripts/run-sdk-test.sh
# The Python module against the command line (pytest), on that Release build: a module built with the
# sanitizers cannot be loaded by Debian's interpreter, which is built without them.
TCV_PYTHON_PATH=build/sdk/python CHECKVALVE=build/sdk/src/checkvalve /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python

# The gallery viewer in a real browser: Debian's Chromium, driven through playwright-core, opens the pages
# of a rendered gallery served by `checkvalve serve` on loopback. Screenshots: build/viewer-artifacts/.
bash scripts/install-deps.sh browser
npm ci --prefix viewer --no-audit --no-fund --loglevel=error
CHECKVALVE=build/asan/src/checkvalve TCV_VIEWER_ARTIFACTS=build/viewer-artifacts node viewer/test/e2e.mjs
# Every sample part's IFC file read back with web-ifc (from the viewer's dev dependencies) and checked
# against the part's report: the valve, its type, ports, property sets, body meshes and covering.
CHECKVALVE=build/asan/src/checkvalve node viewer/test/ifc.mjs

# The FreeCAD macro headless: Debian's freecadcmd (installed by the test) runs examples/freecad/insert_valve.py
# with the Release build's module on sample parts and checks every shape and volume against the report.
bash tests/freecad/freecad_test.sh build/sdk

# Fuzzing: the fuzz targets built with clang and libFuzzer, each run for a bounded time from its seed
# corpus after replaying the inputs that once broke the host (scripts/run-fuzz.sh).
bash scripts/run-fuzz.sh 40

# The first hour: a fresh clone, the main command, then the README's tour as written (tests/docs/tour_test.sh).
bash tests/docs/tour_test.sh
