#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses what was installed: the
# files are there, salvexa-convert and a program built against the installed
# core (find_package) convert the bundled page as the build tree does, and the
# installed desktop program runs against the test portal.
set -euo pipefail
build=$(cd "$1" && pwd)
fonte=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefixo=$tmp/prefixo

cmake --install "$build" --prefix "$prefixo" >/dev/null
for arquivo in bin/salvexa-nfe bin/salvexa-convert bin/salvexa-dfe share/applications/salvexa-nfe.desktop \
               share/icons/hicolor/scalable/apps/salvexa-nfe.svg share/man/man1/salvexa-nfe.1 \
               share/man/man1/salvexa-convert.1 share/man/man1/salvexa-dfe.1 include/salvexa/converter/ZoltHTMLtoXML.h \
               include/salvexa/util/Win1252.h lib/cmake/SalvexaNFe/SalvexaNFeConfig.cmake; do
  [ -e "$prefixo/$arquivo" ] || { echo "not installed: $arquivo"; exit 1; }
done
grep -q '^Exec=salvexa-nfe$' "$prefixo/share/applications/salvexa-nfe.desktop"
grep -q 'SALVEXA_DIR' "$prefixo/share/man/man1/salvexa-nfe.1"
grep -q 'SALVEXA_CERT_PASSWORD' "$prefixo/share/man/man1/salvexa-dfe.1"

exemplo=$fonte/examples/consulta-completa.html
mkdir "$tmp/arvore" "$tmp/instalado" "$tmp/consumidor"
"$build/salvexa-convert" -o "$tmp/arvore" "$exemplo" >/dev/null
"$prefixo/bin/salvexa-convert" -o "$tmp/instalado" "$exemplo" >/dev/null
cmp "$tmp/arvore"/*-nfe.xml "$tmp/instalado"/*-nfe.xml

cmake -S "$fonte/tests/instalacao/consumidor" -B "$tmp/consumidor-build" -G Ninja \
      -DCMAKE_PREFIX_PATH="$prefixo" >/dev/null
cmake --build "$tmp/consumidor-build" >/dev/null
"$tmp/consumidor-build/consumidor" "$exemplo" "$tmp/consumidor" >/dev/null
cmp "$tmp/arvore"/*-nfe.xml "$tmp/consumidor"/*-nfe.xml

# The installed desktop program, where its files go without SALVEXA_DIR included. As
# installed for real, its directory cannot be written: root ignores file modes, so
# the directory is mounted read-only in a mount namespace of the test's own.
casos=(Consulta.test_caminho_feliz Consulta.test_arquivos_sem_salvexa_dir)
if unshare -m true 2>/dev/null; then
  unshare -m sh -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && shift && exec "$@"' sh     "$prefixo/bin" python3 "$fonte/tests/gui/e2e.py" "$prefixo/bin" "${casos[@]}"
else
  echo "no mount namespace here: the installed directory stays writable"
  python3 "$fonte/tests/gui/e2e.py" "$prefixo/bin" "${casos[@]}"
fi
echo "installed and used from $prefixo"
