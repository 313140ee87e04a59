// The NF-e writer on documents of 99 and 990 items, each item with product,
// ICMS, IPI, PIS and COFINS: the model is built once, the XML text written
// on every iteration (nothing saved). The second argument 1 writes the TXT
// form alongside; it should cost well under twice the XML alone.
//
//   build/bench/bench_writer

#include <benchmark/benchmark.h>

#include <string>

#include "apoio/ModeloNFe.h"  // the head of a real invoice
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

}  // namespace

BENCHMARK(EscritaDoDocumento)
    ->ArgNames({"itens", "txt"})
    ->ArgsProduct({{99, 990}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
