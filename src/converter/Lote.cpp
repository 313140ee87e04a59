#include "converter/Lote.h"

#include <algorithm>

std::size_t TrabalhadoresDoLote(std::size_t nucleos, std::size_t paginas, std::uintmax_t maiorPagina,
                                std::uintmax_t memoria) {
  const std::uintmax_t porPagina = maiorPagina * kMemoriaPorBytePagina + kMemoriaPorConversao;
  const std::uintmax_t cabem = memoria / porPagina;
  const std::uintmax_t n = std::min<std::uintmax_t>({nucleos, paginas, cabem});
  return static_cast<std::size_t>(std::max<std::uintmax_t>(n, 1));
}
