#!/bin/sh
# One run of salvexa-convert on a directory of 200 synthetic pages (distinct
# keys, ITEMS items each) against 200 runs of one page each; the files of both
# must be the same. Not a test: run it by hand on an otherwise idle machine.
#
#   bench/lote-de-paginas.sh BUILD_DIR [ITEMS]
set -eu
build=$1
itens=${2:-50}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/paginas" "$tmp/lote" "$tmp/sozinhas"
"$build/bench/gerar-pagina-sintetica" "$itens" "$tmp/modelo.txt"
i=0
while [ $i -lt 200 ]; do
  # The key's last four digits (code and check digit) tell the pages apart.
  sed "s/1234 5678/1234 $(printf %04d $i)/" "$tmp/modelo.txt" >"$tmp/paginas/$(printf %03d $i).txt"
  i=$((i + 1))
done
inicio=$(date +%s.%N)
"$build/salvexa-convert" -o "$tmp/lote" "$tmp/paginas" >/dev/null 2>&1
meio=$(date +%s.%N)
for p in "$tmp"/paginas/*.txt; do "$build/salvexa-convert" -o "$tmp/sozinhas" "$p" >/dev/null 2>&1; done
fim=$(date +%s.%N)
diff -r "$tmp/lote" "$tmp/sozinhas" >/dev/null || { echo "the files differ" >&2; exit 1; }
echo "$(ls "$tmp/lote" | wc -l) files, $itens items a page, $(nproc) cores"
echo "one run:      $(echo "$meio - $inicio" | bc) s"
echo "single runs:  $(echo "$fim - $meio" | bc) s"
