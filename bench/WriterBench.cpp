// The NF-e writer on documents of 99 and 990 items, each item with product,
// ICMS, IPI, PIS and COFINS: the model is built once, the XML text written
// on every iteration (nothing saved). The second argument 1 writes the TXT
// form alongside; it should cost well under twice the XML alone.
//
//   build/bench/bench_writer

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "apoio/ModeloNFe.h"  // the head of a real invoice
#include "util/Win1252.h"
#include "writer/kxnNFeW.h"

namespace {

TNFe Documento(int itens) {
  TNFe n = modelo::NFeRegimeNormal();
  for (int k = 1; k <= itens; ++k) {
    TDetCollectionItem& det = n.Det.Add();
    TProd& p = det.Prod;
    p.nItem = k;
    p.cProd = std::to_string(220000 + k);
    p.cEAN = "7896036096697";
    p.xProd = "EXTRATO DE TOMATE ELEFANTE TP 1,1KG - Embalagem econômica nº " + std::to_string(k);
    p.NCM = "20029090";
    p.CFOP = "5405";
    p.uCom = p.uTrib = "UN";
    p.qCom = p.qTrib = Currency::DeDecimal("10");
    p.vUnCom = p.vUnTrib = 8.1234;
    p.vProd = Currency::DeDecimal("81.23");
    p.cEANTrib = p.cEAN;
    TImposto& imp = det.Imposto;
    imp.ICMS.CST = cst00;
    imp.ICMS.modBC = dbiValorOperacao;
    imp.ICMS.vBC = p.vProd;
    imp.ICMS.pICMS = Currency::DeDecimal("18");
    imp.ICMS.vICMS = Currency::DeDecimal("14.62");
    imp.IPI.CST = ipi50;
    imp.IPI.vBC = p.vProd;
    imp.IPI.pIPI = Currency::DeDecimal("5");
    imp.IPI.vIPI = Currency::DeDecimal("4.06");
    imp.PIS.CST = pis01;
    imp.PIS.vBC = p.vProd;
    imp.PIS.pPIS = Currency::DeDecimal("1.65");
    imp.PIS.vPIS = Currency::DeDecimal("1.34");
    imp.COFINS.CST = cof01;
    imp.COFINS.vBC = p.vProd;
    imp.COFINS.pCOFINS = Currency::DeDecimal("7.6");
    imp.COFINS.vCOFINS = Currency::DeDecimal("6.17");
  }
  return n;
}

void EscritaDoDocumento(benchmark::State& estado) {
  TNFe nfe = Documento(static_cast<int>(estado.range(0)));
  const bool txt = estado.range(1) != 0;
  std::size_t bytes = 0;
  for (auto _ : estado) {
    TNFeW w(nfe);
    w.Opcoes().GerarTXTSimultaneamente = txt;
    w.GerarDocumento();
    bytes = w.Gerador().ArquivoFormatoXML().size() + w.Gerador().ArquivoFormatoTXT().size();
    benchmark::DoNotOptimize(bytes);
  }
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations() * bytes));
}

// The written document's text made ready for its file: Windows-1252 to UTF-8.
void Utf8DoDocumento(benchmark::State& estado) {
  TNFe nfe = Documento(static_cast<int>(estado.range(0)));
  TNFeW w(nfe);
  w.GerarDocumento();
  const std::string& xml = w.Gerador().ArquivoFormatoXML();
  for (auto _ : estado) benchmark::DoNotOptimize(win1252::ParaUtf8(xml));
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations() * xml.size()));
}

// The save of the written document (UTF-8, forbidden controls replaced), into
// memory-backed /dev/shm where there is one, so that the disk's flush does not
// hide the text's preparation.
void SalvarDocumento(benchmark::State& estado) {
  TNFe nfe = Documento(static_cast<int>(estado.range(0)));
  TNFeW w(nfe);
  w.GerarDocumento();
  std::error_code ec;
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
  const std::filesystem::path arquivo = base / "salvexa-bench-nfe.xml";
  for (auto _ : estado) benchmark::DoNotOptimize(w.Gerador().SalvarArquivo(arquivo.string()));
  std::filesystem::remove(arquivo, ec);
}

}  // namespace

BENCHMARK(Utf8DoDocumento)->Arg(990)->Unit(benchmark::kMicrosecond);
BENCHMARK(SalvarDocumento)->Arg(990)->Unit(benchmark::kMicrosecond);
BENCHMARK(EscritaDoDocumento)
    ->ArgNames({"itens", "txt"})
    ->ArgsProduct({{99, 990}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
