#include "nfe/kxnConversao.h"

#include <gtest/gtest.h>

#include <string>

#include "util/Win1252.h"

namespace {

// Codes of ordinals 0..n-1 joined by blanks, "-" standing for the empty text.
template <typename E>
std::string CodigosPorOrdinal(std::string (*conversao)(E), int n) {
  std::string r;
  for (int i = 0; i < n; ++i) {
    const std::string c = conversao(static_cast<E>(i));
    if (i) r += ' ';
    r += c.empty() ? "-" : c;
  }
  return r;
}

// A code-to-value conversion seen through its ordinal, so one case table
// can hold several enumerations.
template <auto Conversao>
int Ler(bool& ok, std::string_view codigo) {
  return Conversao(ok, codigo);
}

enum TTeste { tA, tB, tC };

// clang-format off
constexpr LinhaCodigo<TTeste> kTeste[] = {
    {"x", tB},
    {"1", tA},
    {"sn", tB},
    {"1", tC},
    {"", tA},
};
// clang-format on

}  // namespace

TEST(Conversao, CodigoParaValorUltimaLinhaVence) {
  struct Caso {
    const char* codigo;
    TTeste valor;
    bool ok;
  };
  const Caso casos[] = {
      {"1", tC, true},                    // later row overrides the earlier "1"
      {"SN", tB, true},                   // case ignored
      {"sN", tB, true},  {"", tA, true},  // a table may hold the empty code
      {"2", tB, false},                   // no match: first row's value, not ordinal 0
      {" 1", tB, false},                  // no trimming
      {"1 ", tB, false},
  };
  for (const auto& c : casos) {
    bool ok = !c.ok;
    EXPECT_EQ(CodigoParaValor(ok, c.codigo, kTeste), c.valor) << '"' << c.codigo << '"';
    EXPECT_EQ(ok, c.ok) << '"' << c.codigo << '"';
  }
}

TEST(Conversao, ValorParaCodigoUltimaLinhaVence) {
  EXPECT_EQ(ValorParaCodigo(tA, kTeste), "");  // "1" then "" : the last row wins
  EXPECT_EQ(ValorParaCodigo(tB, kTeste), "sn");
  EXPECT_EQ(ValorParaCodigo(tC, kTeste), "1");
  constexpr LinhaCodigo<TTeste> parcial[] = {{"a", tA}};
  EXPECT_EQ(ValorParaCodigo(tC, parcial), "");
}

TEST(Conversao, CodigosIguaisWindows1252) {
  struct Caso {
    std::string_view a, b;
    bool iguais;
  };
  const Caso casos[] = {
      {"2b", "2B", true},      {"ÇÃO"_cp, "ção"_cp, true},
      {"Þ"_cp, "þ"_cp, true},  {"ŠŒŽŸ"_cp, "šœžÿ"_cp, true},  // the letter pairs of the 0x80 block
      {"Š"_cp, "Ê"_cp, false}, {"×"_cp, "÷"_cp, false},       // multiplication and division signs are no pair
      {"@", "`", false},                                      // neighbours of the ASCII letters
      {"[", "{", false},       {"1", " 1", false},
      {"", "", true},          {"a", "", false},
  };
  for (const auto& c : casos)
    EXPECT_EQ(CodigosIguais(c.a, c.b), c.iguais) << win1252::ParaUtf8(c.a) << " / " << win1252::ParaUtf8(c.b);
}

TEST(Conversao, CodigosEscritosPorOrdinal) {
  struct Caso {
    const char* nome;
    std::string obtido;
    const char* esperado;
  };
  const Caso casos[] = {
      {"IndicadorPagamento", CodigosPorOrdinal(IndicadorPagamentoParaCodigo, 3), "0 1 2"},
      {"TipoNFe", CodigosPorOrdinal(TipoNFeParaCodigo, 2), "0 1"},
      {"TipoImpressao", CodigosPorOrdinal(TipoImpressaoParaCodigo, 2), "1 2"},
      {"TipoEmissao", CodigosPorOrdinal(TipoEmissaoParaCodigo, 7), "1 2 3 4 5 7 8"},
      {"TipoAmbiente", CodigosPorOrdinal(TipoAmbienteParaCodigo, 2), "1 2"},
      {"FinalidadeNFe", CodigosPorOrdinal(FinalidadeNFeParaCodigo, 3), "1 2 3"},
      {"ProcessoEmissao", CodigosPorOrdinal(ProcessoEmissaoParaCodigo, 4), "0 1 2 3"},
      {"ECFModRef", CodigosPorOrdinal(ECFModRefParaCodigo, 4), "- 2B 2C 2D"},
      {"CRT", CodigosPorOrdinal(CRTParaCodigo, 3), "1 2 3"},
      {"IndicadorTotal", CodigosPorOrdinal(IndicadorTotalParaCodigo, 2), "1 0"},
      {"TipoOperacao", CodigosPorOrdinal(TipoOperacaoParaCodigo, 4), "1 2 3 0"},
      {"CondicaoVeiculo", CodigosPorOrdinal(CondicaoVeiculoParaCodigo, 3), "1 2 3"},
      {"TipoArma", CodigosPorOrdinal(TipoArmaParaCodigo, 2), "0 1"},
      {"OrigemMercadoria", CodigosPorOrdinal(OrigemMercadoriaParaCodigo, 9), "0 1 2 3 4 5 6 7 8"},
      {"CSTIcms", CodigosPorOrdinal(CSTIcmsParaCodigo, 20),
       "00 10 20 30 40 41 - 50 51 60 70 80 81 90 10 90 41 - 90 SN"},
      {"CSOSNIcms", CodigosPorOrdinal(CSOSNIcmsParaCodigo, 11), "0 101 102 103 201 202 203 300 400 500 900"},
      {"DeterminacaoBaseIcms", CodigosPorOrdinal(DeterminacaoBaseIcmsParaCodigo, 4), "0 1 2 3"},
      {"DeterminacaoBaseIcmsST", CodigosPorOrdinal(DeterminacaoBaseIcmsSTParaCodigo, 6), "0 1 2 3 4 5"},
      {"MotivoDesoneracaoICMS", CodigosPorOrdinal(MotivoDesoneracaoICMSParaCodigo, 8), "1 2 3 4 5 6 7 9"},
      {"CstIpi", CodigosPorOrdinal(CstIpiParaCodigo, 14), "00 49 50 99 01 02 03 04 05 51 52 53 54 55"},
      {"CstPis", CodigosPorOrdinal(CstPisParaCodigo, 32),
       "01 02 03 04 06 07 08 09 49 50 51 52 53 54 55 56 "
       "60 61 62 63 64 65 66 67 70 71 72 73 74 75 98 99"},
      {"CstCofins", CodigosPorOrdinal(CstCofinsParaCodigo, 32),
       "01 02 03 04 06 07 08 09 49 50 51 52 53 54 55 56 "
       "60 61 62 63 64 65 66 67 70 71 72 73 74 75 98 99"},
      {"ISSQNcSitTrib", CodigosPorOrdinal(ISSQNcSitTribParaCodigo, 5), "- N R S I"},
      {"ModalidadeFrete", CodigosPorOrdinal(ModalidadeFreteParaCodigo, 4), "0 1 2 9"},
      {"IndicadorProcesso", CodigosPorOrdinal(IndicadorProcessoParaCodigo, 5), "0 1 2 3 9"},
      {"CSOSNIcmsParaSufixoGrupo", CodigosPorOrdinal(CSOSNIcmsParaSufixoGrupo, 11),
       "- 101 102 102 201 202 202 102 102 500 900"},
      {"CSOSNIcmsParaSufixoID", CodigosPorOrdinal(CSOSNIcmsParaSufixoID, 11),
       "- 10c 10d 10d 10e 10f 10f 10d 10d 10g 10h"},
      {"CSTIcmsParaSufixoID", CodigosPorOrdinal(CSTIcmsParaSufixoID, 20),
       "02 03 04 05 06 06 - 06 07 08 09 10 11 10 10a 10a 10b - - -"},
  };
  for (const auto& c : casos) EXPECT_EQ(c.obtido, c.esperado) << c.nome;
}

// Every value written and read back comes home, for the conversions that have
// both directions with one table.
TEST(Conversao, IdaEVoltaSimetricas) {
  auto confere = [](const char* nome, auto escrever, auto ler, int n) {
    for (int i = 0; i < n; ++i) {
      bool ok = false;
      const int lido = ler(ok, escrever(static_cast<decltype(ler(ok, ""))>(i)));
      EXPECT_TRUE(ok) << nome << ' ' << i;
      EXPECT_EQ(lido, i) << nome;
    }
  };
  confere("IndicadorPagamento", IndicadorPagamentoParaCodigo, CodigoParaIndicadorPagamento, 3);
  confere("TipoNFe", TipoNFeParaCodigo, CodigoParaTipoNFe, 2);
  confere("TipoEmissao", TipoEmissaoParaCodigo, CodigoParaTipoEmissao, 7);
  confere("FinalidadeNFe", FinalidadeNFeParaCodigo, CodigoParaFinalidadeNFe, 3);
  confere("ProcessoEmissao", ProcessoEmissaoParaCodigo, CodigoParaProcessoEmissao, 4);
  confere("OrigemMercadoria", OrigemMercadoriaParaCodigo, CodigoParaOrigemMercadoria, 9);
  confere("DeterminacaoBaseIcms", DeterminacaoBaseIcmsParaCodigo, CodigoParaDeterminacaoBaseIcms, 4);
  confere("DeterminacaoBaseIcmsST", DeterminacaoBaseIcmsSTParaCodigo, CodigoParaDeterminacaoBaseIcmsST, 6);
  confere("CstIpi", CstIpiParaCodigo, CodigoParaCstIpi, 14);
  confere("ModalidadeFrete", ModalidadeFreteParaCodigo, CodigoParaModalidadeFrete, 4);
}

TEST(Conversao, LeituraDeCodigos) {
  struct Caso {
    const char* nome;
    int (*ler)(bool&, std::string_view);
    const char* codigo;
    int valor;
    bool ok;
  };
  const Caso casos[] = {
      {"TipoEmissao", Ler<CodigoParaTipoEmissao>, "6", teNormal, false},
      {"TipoEmissao", Ler<CodigoParaTipoEmissao>, "7", teSVCRS, true},
      {"TipoEmissao", Ler<CodigoParaTipoEmissao>, "", teNormal, false},
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "10", cst10, true},  // never cstPart10
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "41", cst41, true},  // never cstRep41
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "90", cst90, true},
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "91", cstICMSOutraUF, true},
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "92", cstICMSSN, true},
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "45", cst00, false},
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "SN", cst00, false},  // written but never read
      {"CSTIcms", Ler<CodigoParaCSTIcms>, "", cst00, false},
      {"CSOSNIcms", Ler<CodigoParaCSOSNIcms>, "", csosnVazio, true},
      {"CSOSNIcms", Ler<CodigoParaCSOSNIcms>, "0", csosnVazio, false},  // written, not read back
      {"CSOSNIcms", Ler<CodigoParaCSOSNIcms>, "103", csosn103, true},
      {"CSOSNIcms", Ler<CodigoParaCSOSNIcms>, "999", csosnVazio, false},
      {"ModalidadeFrete", Ler<CodigoParaModalidadeFrete>, "9", mfSemFrete, true},
      {"ModalidadeFrete", Ler<CodigoParaModalidadeFrete>, "3", mfContaEmitente, false},
      {"TipoNFe", Ler<CodigoParaTipoNFe>, " 1", tnEntrada, false},
      {"TipoNFe", Ler<CodigoParaTipoNFe>, "1 ", tnEntrada, false},
      {"TipoNFe", Ler<CodigoParaTipoNFe>, "1", tnSaida, true},
      {"CstIpi", Ler<CodigoParaCstIpi>, "5", ipi00, false},
      {"CstIpi", Ler<CodigoParaCstIpi>, "05", ipi05, true},
      {"OrigemMercadoria", Ler<CodigoParaOrigemMercadoria>, "3", oeNacionalConteudoImportacaoAcima40, true},
      {"OrigemMercadoria", Ler<CodigoParaOrigemMercadoria>, "8", oeNacionalConteudoImportacaoAcima70, true},
      {"OrigemMercadoria", Ler<CodigoParaOrigemMercadoria>, "9", oeNacional, false},
  };
  for (const auto& c : casos) {
    bool ok = !c.ok;
    EXPECT_EQ(c.ler(ok, c.codigo), c.valor) << c.nome << " \"" << c.codigo << '"';
    EXPECT_EQ(ok, c.ok) << c.nome << " \"" << c.codigo << '"';
  }
}
