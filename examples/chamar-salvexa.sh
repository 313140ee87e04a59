#!/usr/bin/env bash
# How a calling program uses salvexa-nfe: start it with the key, wait for
# "Fim Salvexa NF-e" on the clipboard, then read the XML file.
# Usage: chamar-salvexa.sh KEY   (prints the XML file's path; exit 1 when none was saved)
set -euo pipefail
chave=$1
export SALVEXA_DIR=${SALVEXA_DIR:-$PWD}   # where the file goes
marcador="Fim Salvexa NF-e"

printf '' | xclip -selection clipboard    # no marker of an earlier run
inicio=$(mktemp)                           # a file of an earlier run must not pass for this one's
trap 'rm -f "$inicio"' EXIT
salvexa-nfe "$chave" >/dev/null &
until [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$marcador" ]; do sleep 1; done
wait || true                               # the program has ended by now

arquivo=$SALVEXA_DIR/$chave-nfe.xml
if [ -s "$arquivo" ] && [ "$arquivo" -nt "$inicio" ]; then
  echo "$arquivo"
else
  echo "no XML was saved for $chave (not found, time-out or closed)" >&2
  exit 1
fi
