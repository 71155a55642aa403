#!/usr/bin/env bash
# Installs everything the project needs on Debian 12 with apt-get. Idempotent: quiet when all is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache clang clang-format libclang-rt-14-dev
  libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
  libocct-ocaf-dev libocct-data-exchange-dev libocct-visualization-dev libtbb-dev
  libpugixml-dev libxxhash-dev libcsv-dev libzip-dev nlohmann-json3-dev libcli11-dev libboost-dev pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  pybind11-dev python3-dev python3-pytest python3-distributed python3-psutil
  libifcplusplus-dev locales help2man
)
# Extra groups: "browser" for the viewer's end-to-end test, "plot" for the benchmark chart, "freecad" for
# the FreeCAD macro's headless test (freecadcmd).
for group in "$@"; do
  case "$group" in
    browser)
      packages+=(chromium)
      # A Node.js installed from elsewhere brings its own npm, which Debian's npm package conflicts with.
      command -v node >/dev/null || packages+=(nodejs)
      command -v npm >/dev/null || packages+=(npm)
      ;;
    plot) packages+=(gnuplot-nox jq) ;;
    freecad) packages+=(freecad-python3) ;;
    *) echo "install-deps: unknown group '$group' (known: browser, plot, freecad)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ ${#missing[@]} -ne 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# IfcPlusPlus's file reader switches to the en_US.UTF-8 locale while it reads and refuses to read without
# it; Debian's base image has only C and POSIX.
if ! locale -a 2>/dev/null | grep -qix 'en_US\.utf-\?8'; then
  echo "install-deps: making the en_US.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i en_US -f UTF-8 en_US.UTF-8
fi
