#!/usr/bin/env bash
# How a calling program uses salvexa-nfe: run it with the key and capture the
# saved file's path, the one line it prints on standard output. The output
# ends when the program does; "Fim Salvexa NF-e" is then on the clipboard
# (a caller that does not wait for the process can watch for it instead).
# The same for both routes: with SALVEXA_CERT (and optionally
# SALVEXA_CERT_PASSWORD) in the environment the program gets the original XML
# from the national distribution service with the certificate instead of the
# portal; this script does not change.
# Usage: chamar-salvexa.sh KEY   (prints the XML file's path; exit 1 when none was saved)
set -euo pipefail
chave=$1
export SALVEXA_DIR=${SALVEXA_DIR:-$PWD}   # where the file goes

# A person has 30 seconds per try (a dialog's wait not counted); two minutes bound a run nobody answers
# (the program ends on SIGTERM as if its window were closed).
arquivo=$(timeout 120 salvexa-nfe "$chave") || true
if [ -n "$arquivo" ] && [ -s "$arquivo" ]; then
  echo "$arquivo"
else
  echo "no XML was saved for $chave (not found, time-out or closed)" >&2
  exit 1
fi
