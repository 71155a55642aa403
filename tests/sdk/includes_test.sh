#!/usr/bin/env bash
# Where Open CASCADE and JSON are included, read from Ninja's record of every header each object of a
# build included (also through other headers): Open CASCADE's headers only in the sources of
# src/kernel/ and src/exports/, and no source file of src/ with both them and nlohmann-json.
# Usage: includes_test.sh NINJA BUILD_DIR OPENCASCADE_INCLUDE_DIR
set -euo pipefail
ninja=$1 build=$2 occ=$3
"$ninja" -C "$build" -t deps 2>/dev/null | awk -v occ="$occ/" '
  /^[^ ].*: #deps/ { object = $1; objects++; next }
  index($0, occ) { kernel[object] = 1 }
  /nlohmann\// { json[object] = 1 }
  END {
    bad = 0
    for (o in kernel) {
      if (o !~ /^src\//) continue # the tests may use both
      if (o !~ /tcv_(kernel|exports)\.dir/) { print o " includes Open CASCADE outside the kernel and the exports"; bad++ }
      if (o in json) { print o " includes both Open CASCADE and nlohmann-json"; bad++ }
    }
    if (objects < 50) { print "only " objects " objects recorded: build first"; exit 2 }
    print objects " objects checked, " bad " misplaced includes"
    exit bad > 0
  }'
