#!/usr/bin/env bash
# Installs what Velmora needs on Debian 12, builds it, then either starts the
# program ("run") or runs the tests ("test").
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

packages=(cmake ninja-build g++ googletest libgtest-dev
          qt6-base-dev qt6-multimedia-dev qt6-svg-dev
          wine64 wine xvfb xauth xdotool imagemagick x11-apps attr xdg-utils
          dbus at-spi2-core libnet-dbus-perl)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y "${packages[@]}"

# VELMORA_WERROR=ON in the environment (as CI sets it) turns warnings into
# errors.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR="${VELMORA_WERROR:-OFF}"
cmake --build build -j "$(nproc)"

if [ "$mode" = test ]; then
  export WINEDEBUG=-all
  ctest --test-dir build --output-on-failure -j 4
else
  # Without a prefix of your own, a demo prefix with a few stale entries.
  if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$PWD/build/demo-prefix"
    ./app/make-demo-prefix.sh "$WINEPREFIX"
  fi
  exec ./build/app/velmora "${@:2}"
fi
