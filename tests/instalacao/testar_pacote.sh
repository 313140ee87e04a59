#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it depends on.
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null)
pacote=$(ls "$tmp"/*.deb)
info=$(dpkg-deb --info "$pacote")
conteudo=$(dpkg-deb --contents "$pacote")
echo "$info" | grep -E '^ (Package|Version|Depends):'
# Dependencies come from the programs' libraries (dpkg-shlibdeps), not a hand-made list.
echo "$info" | grep -q '^ Depends:.*libqt6webenginewidgets6' || { echo "no computed Qt dependency"; exit 1; }
echo "$info" | grep -q '^ Depends:.*libc6' || { echo "no computed libc dependency"; exit 1; }
for biblioteca in libcurl4 libssl3 libxmlsec1-openssl libxml2; do
  echo "$info" | grep -q "^ Depends:.*$biblioteca" || { echo "no computed $biblioteca dependency"; exit 1; }
done
for arquivo in ./usr/bin/salvexa-nfe ./usr/bin/salvexa-convert ./usr/bin/salvexa-dfe \
               ./usr/share/applications/salvexa-nfe.desktop ./usr/share/man/man1/salvexa-nfe.1 \
               ./usr/share/man/man1/salvexa-convert.1 ./usr/share/man/man1/salvexa-dfe.1 \
               ./usr/share/icons/hicolor/scalable/apps/salvexa-nfe.svg ./usr/lib/cmake/SalvexaNFe/SalvexaNFeConfig.cmake; do
  echo "$conteudo" | grep -q " $arquivo\$" || { echo "not in the package: $arquivo"; exit 1; }
done
echo "package $(basename "$pacote") checked"
