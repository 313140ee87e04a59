// gerar-pagina-sintetica N FILE: writes the page text of a synthetic invoice
// with N items (1 to 990), as the desktop program captures it.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "apoio/PaginaSintetica.h"

int main(int argc, char** argv) {
  const int itens = argc == 3 ? std::atoi(argv[1]) : 0;
  if (itens < 1 || itens > 990) {
    std::cerr << "usage: gerar-pagina-sintetica N FILE   (N from 1 to 990)\n";
    return 2;
  }
  std::ofstream arquivo(argv[2], std::ios::binary);
  arquivo << pagina_sintetica::Pagina(itens);
  if (!arquivo.flush()) {
    std::cerr << "cannot write " << argv[2] << "\n";
    return 5;
  }
  return 0;
}
