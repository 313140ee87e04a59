#!/usr/bin/env bash
# Configures and builds the sanitizer tree: the core without Qt, its tests and
# the fuzz targets, by clang++ with ASan, UBSan and libFuzzer's coverage.
# Exits 77 (skipped) when clang++ or libFuzzer is missing.
# Usage: construir.sh <source dir> <tree>
set -euo pipefail
fonte=$1 arvore=$2
clangxx=${SALVEXA_CLANGXX:-clang++}

rm -f "$arvore/pronta"
if ! command -v "$clangxx" >/dev/null; then
  echo "skipped: no $clangxx (Debian package clang)"
  mkdir -p "$arvore" && echo "no $clangxx" >"$arvore/ausente"
  exit 77
fi
mkdir -p "$arvore"
sonda=$(mktemp -d)
trap 'rm -rf "$sonda"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$sonda/f.cpp"
if ! "$clangxx" -fsanitize=fuzzer,address,undefined "$sonda/f.cpp" -o "$sonda/f" 2>"$sonda/erro"; then
  cat "$sonda/erro"
  echo "skipped: $clangxx cannot link libFuzzer with the sanitizers (Debian package libclang-rt-14-dev)"
  echo "no libFuzzer" >"$arvore/ausente"
  exit 77
fi
rm -f "$arvore/ausente"

bandeiras="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer"
[ -f "$arvore/build.ninja" ] || cmake -S "$fonte" -B "$arvore" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_CXX_FLAGS="$bandeiras" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DSALVEXA_APP=OFF -DBUILD_TESTING=ON -DSALVEXA_SANITIZADO=ON
cmake --build "$arvore" --target salvexa_sanitizado -j2
"$arvore/tests/fuzz/fuzz_sementes" "$arvore/sementes"
touch "$arvore/pronta"
