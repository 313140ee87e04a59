// Converts a saved result page with the installed core: consumidor PAGE DIR.
#include <fstream>
#include <iostream>
#include <sstream>

#include "converter/PaginaSalva.h"
#include "converter/ZoltHTMLtoXML.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream arquivo(argv[1], std::ios::binary);
  std::ostringstream bytes;
  bytes << arquivo.rdbuf();
  const TResultadoConversao r = ConverterPaginaNFe(PaginaTextoDeArquivo(bytes.str()), argv[2]);
  if (!r.Encontrada) return 3;
  std::cout << r.Caminho << "\n";
  return 0;
}
