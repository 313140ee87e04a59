// The whole conversion on synthetic pages of 99 and 990 items: page text in,
// the model filled, the XML written and the file saved.
//
//   build/bench/bench_conversao
//
// Peak memory of one conversion, with the program as a user runs it:
//   build/bench/gerar-pagina-sintetica 990 /tmp/p990.txt
//   /usr/bin/time -v build/salvexa-convert -o /tmp /tmp/p990.txt

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "apoio/PaginaSintetica.h"
#include "converter/ZoltHTMLtoXML.h"

namespace {

// Reading the page into the model only.
void LeituraDaPagina(benchmark::State& estado) {
  const std::string pagina = pagina_sintetica::Pagina(static_cast<int>(estado.range(0)));
  for (auto _ : estado) {
    TNFe nfe;
    benchmark::DoNotOptimize(LerPaginaNFe(pagina, nfe));
  }
  estado.SetBytesProcessed(estado.iterations() * static_cast<long>(pagina.size()));
}

// Reading and writing the XML text, nothing saved.
void PaginaParaXml(benchmark::State& estado) {
  const std::string pagina = pagina_sintetica::Pagina(static_cast<int>(estado.range(0)));
  for (auto _ : estado) {
    TNFe nfe;
    LerPaginaNFe(pagina, nfe);
    benchmark::DoNotOptimize(GerarXMLNFe(nfe));
  }
}

// The whole conversion, the saved file included.
void ConversaoCompleta(benchmark::State& estado) {
  const std::string pagina = pagina_sintetica::Pagina(static_cast<int>(estado.range(0)));
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "salvexa-bench";
  std::filesystem::create_directories(dir);
  for (auto _ : estado) benchmark::DoNotOptimize(ConverterPaginaNFe(pagina, dir.string()));
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(LeituraDaPagina)->Arg(99)->Arg(990)->Unit(benchmark::kMillisecond);
BENCHMARK(PaginaParaXml)->Arg(99)->Arg(990)->Unit(benchmark::kMillisecond);
BENCHMARK(ConversaoCompleta)->Arg(99)->Arg(990)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
