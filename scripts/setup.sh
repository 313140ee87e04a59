#!/usr/bin/env bash
# Installs the Debian packages the build and tests need (only those missing),
# then configures and builds into ./build. Quick when everything is there.
set -euo pipefail
cd "$(dirname "$0")/.."

pacotes=(
  g++ cmake ninja-build libgtest-dev libbenchmark-dev libxml2-utils   # the core and its tests
  qt6-base-dev qt6-webengine-dev libxkbcommon-x11-0 fonts-dejavu-core  # the desktop program
  python3 openssl libnss3-tools xvfb xdotool xclip imagemagick         # the test portal and the desktop tests
  help2man dpkg-dev file                                               # manual pages and the Debian package
  clang libclang-rt-14-dev libxml2-dev                                 # Clang build, fuzzing and sanitizers
)
faltando=()
for p in "${pacotes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || faltando+=("$p")
done
if ((${#faltando[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${faltando[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${faltando[@]}"
fi

[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
