// Writes the seed corpora of the fuzz targets from the test fixtures: the
// converter's page texts and the registrations the validator tests know.
// Usage: fuzz_sementes <directory>; makes <directory>/conversao and
// <directory>/validadores.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "apoio/PaginaTeste.h"

namespace fs = std::filesystem;
using namespace pagina_teste;

namespace {

void Gravar(const fs::path& arquivo, std::string_view conteudo) {
  std::ofstream(arquivo, std::ios::binary) << conteudo;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path conversao = fs::path(argv[1]) / "conversao";
  const fs::path validadores = fs::path(argv[1]) / "validadores";
  fs::create_directories(conversao);
  fs::create_directories(validadores);

  const std::string paginas[] = {
      PaginaCom(Item(1, "TECIDO", kICMS00)),
      PaginaCom(Item(1, "CARRO", std::string(kVeiculo) + std::string(kICMS00)) + Item(2, "TECIDO", kIPI)),
      PaginaCom(Item(1, "TECIDO", kICMS00), kTotais),
      Pagina("NF-e INEXISTENTE\nDados da NF-e\n"),
      Pagina(kInicio),
  };
  int n = 0;
  for (const std::string& p : paginas) Gravar(conversao / ("pagina" + std::to_string(n++)), p);

  // Flag byte, UF, registration: the layout FuzzValidadores reads.
  constexpr std::string_view kInscricoes[] = {
      "0AC0100482300112",
      "0AL240000048",
      "0AP030123459",
      "0AP030200008",
      "0BA612345-57",
      "0DF0730000100109",
      "0GO10.987.654-7",
      "0MT0013000001-9",
      "0MG062.307.904/0081",
      "0PR123.45678-50",
      "0PE18.1.001.0000004-9",
      "0PE0321418-40",
      "0RJ99.999.99-3",
      "0RN20.0.040.040-0",
      "0RS224/3658792",
      "0RO0000000062521-3",
      "0RR24006628-1",
      "0SP110.042.490.114",
      "0SPP-01100424.3/002",
      "0T029000000009",
      "1TO290227836",
      "0EXISENTO",
      "0EX00000000000000",
      "0SP58.716.523/0001-19",
      "0SP1058",
      "0SP3550308",
  };
  n = 0;
  for (const std::string_view s : kInscricoes) Gravar(validadores / ("ie" + std::to_string(n++)), s);
  Gravar(validadores / "chave", "0SPNFe" + std::string(kChave));
  return 0;
}
