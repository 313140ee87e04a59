#include <gtest/gtest.h>

#include "converter/Lote.h"

// Several big pages at once must fit in memory: fewer workers than cores when
// they would not.
TEST(Lote, WorkersFitTheCoresThePagesAndTheMemory) {
  constexpr std::uintmax_t MiB = std::uintmax_t{1} << 20;
  const std::uintmax_t porPagina64 = 64 * MiB * kMemoriaPorBytePagina + kMemoriaPorConversao;
  struct Caso {
    const char* nome;
    std::size_t nucleos, paginas;
    std::uintmax_t maiorPagina, memoria;
    std::size_t trabalhadores;
  };
  const Caso casos[] = {
      {"small pages: one per core", 8, 100, 1 * MiB, 16384 * MiB, 8},
      {"fewer pages than cores", 8, 3, 1 * MiB, 16384 * MiB, 3},
      {"64 MiB pages: what the memory holds", 16, 100, 64 * MiB, 3 * porPagina64 + 1, 3},
      {"not even one fits: still one", 8, 100, 64 * MiB, 100 * MiB, 1},
      {"no core reported: one", 0, 100, 1 * MiB, 16384 * MiB, 1},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(TrabalhadoresDoLote(c.nucleos, c.paginas, c.maiorPagina, c.memoria), c.trabalhadores) << c.nome;
}
