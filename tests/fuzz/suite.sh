#!/usr/bin/env bash
# The whole core test suite once under ASan and UBSan: each test program of
# the sanitizer tree run as a whole.
# Usage: suite.sh <tree>
set -uo pipefail
arvore=$1
if [ -f "$arvore/ausente" ]; then echo "skipped: $(cat "$arvore/ausente")"; exit 77; fi
[ -f "$arvore/pronta" ] || { echo "the sanitizer tree was not built"; exit 1; }

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
falhas=0
for area in util nfe writer converter cli; do
  programa="$arvore/tests/test_$area"
  [ -x "$programa" ] || continue
  echo "== test_$area"
  (cd "$arvore" && "$programa" --gtest_brief=1) || { echo "test_$area FAILED"; falhas=$((falhas + 1)); }
done
exit $((falhas > 0))
