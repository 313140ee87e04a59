#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a copy of its seed corpus, so
# the source tree is never written. A finding is kept in <tree>/achados.
# Usage: rodar.sh <tree> <target> <source dir>
set -euo pipefail
arvore=$1 alvo=$2 fonte=$3
if [ -f "$arvore/ausente" ]; then echo "skipped: $(cat "$arvore/ausente")"; exit 77; fi
[ -f "$arvore/pronta" ] || { echo "the sanitizer tree was not built"; exit 1; }

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
case $alvo in
  conversao) cp "$arvore/sementes/conversao/"* "$fonte"/examples/*.html "$corpus"/ ;;
  validadores) cp "$arvore/sementes/validadores/"* "$corpus"/ ;;
  gerador) cp "$arvore/sementes/validadores/"* "$arvore/sementes/conversao/"* "$corpus"/ ;;
esac
# Real NF-e files, when this machine has them (not part of the repository).
if [ "$alvo" = conversao ] && [ -d "${SALVEXA_AMOSTRAS:-}" ]; then
  find "$SALVEXA_AMOSTRAS" -maxdepth 1 -type f -size -64k -exec cp {} "$corpus"/ \;
fi

mkdir -p "$arvore/achados"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$arvore/tests/fuzz/fuzz_$alvo" -seed=1 -max_total_time="${SALVEXA_FUZZ_SEGUNDOS:-60}" -rss_limit_mb=2048 \
  -timeout=30 -error_exitcode=1 -timeout_exitcode=1 -max_len=65536 -print_final_stats=1 -artifact_prefix="$arvore/achados/$alvo-" "$corpus"
