#!/usr/bin/env bash
# Installs the Debian packages the build and tests need (only those missing),
# then configures and builds into ./build. Quick when everything is there.
set -euo pipefail
cd "$(dirname "$0")/.."

pacotes=(
  g++ cmake ninja-build libgtest-dev libbenchmark-dev libxml2-utils   # the core and its tests
  qt6-base-dev qt6-webengine-dev libxcb1-dev libxkbcommon-x11-0 fonts-dejavu-core  # the desktop program
  python3 openssl libnss3-tools xvfb xdotool xclip imagemagick         # the test portal and the desktop tests
  libcurl4-openssl-dev libssl-dev libxml2-dev libxmlsec1-dev zlib1g-dev pkg-config xmlsec1  # the service client and its tests
  help2man dpkg-dev file                                               # manual pages and the Debian package
  clang libclang-rt-14-dev libxml2-dev clang-format  # Clang build, fuzzing, sanitizers, format check
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

# Configured each time (quick), so an older build tree gets the same options.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSALVEXA_WERROR=ON >/dev/null
cmake --build build
