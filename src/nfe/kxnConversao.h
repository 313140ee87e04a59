#pragma once
// Enumerations of the NF-e document model and their code tables.
// Each coded field of the model is one of these enumerations; the page text
// and the XML carry the same field as a short code text. Every named
// conversion below is a lookup in one constant table (see the .cpp).

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "util/kxnAuxiliar.h"  // TkxnSchema

// Values in ordinal order; the order is part of the model (ordinal 0 is the
// initial value of a field and the fallback of an unknown code).
enum TkxnIndicadorPagamento { ipVista, ipPrazo, ipOutras };
enum TkxnTipoNFe { tnEntrada, tnSaida };
enum TkxnTipoImpressao { tiRetrato, tiPaisagem };
enum TkxnTipoEmissao { teNormal, teContingencia, teSCAN, teDPEC, teFSDA, teSVCRS, teSVCSP };
enum TkxnTipoAmbiente { taProducao, taHomologacao };
enum TkxnFinalidadeNFe { fnNormal, fnComplementar, fnAjuste };
enum TkxnProcessoEmissao {
  peAplicativoContribuinte,
  peAvulsaFisco,
  peAvulsaContribuinte,
  peContribuinteAplicativoFisco
};
enum TkxnECFModRef { ECFModRefVazio, ECFModRef2B, ECFModRef2C, ECFModRef2D };
enum TkxnCRT { crtSimplesNacional, crtSimplesExcessoReceita, crtRegimeNormal };
enum TkxnIndicadorTotal { itSomaTotalNFe, itNaoSomaTotalNFe };
enum TkxnTipoOperacao { toVendaConcessionaria, toFaturamentoDireto, toVendaDireta, toOutros };
enum TkxnCondicaoVeiculo { cvAcabado, cvInacabado, cvSemiAcabado };
enum TkxnTipoArma { taUsoPermitido, taUsoRestrito };
// Origin of the goods, codes 0 to 8. The portal shows the code and its text,
// as in "0 - Nacional" or "6 - Estrangeira - Importação direta, sem similar
// nacional, constante em lista de Resolução CAMEX"; codes 3 to 8 came later
// in layout 2.00 than the first three.
enum TkxnOrigemMercadoria {
  oeNacional,                            // 0 - Nacional
  oeEstrangeiraImportacaoDireta,         // 1 - Estrangeira - Importação direta
  oeEstrangeiraAdquiridaBrasil,          // 2 - Estrangeira - Adquirida no mercado interno
  oeNacionalConteudoImportacaoAcima40,   // 3 - Nacional, conteúdo de importação superior a 40%
  oeNacionalProcessosProdutivosBasicos,  // 4 - Nacional, processos produtivos básicos
  oeNacionalConteudoImportacaoAte40,     // 5 - Nacional, conteúdo de importação inferior ou igual a 40%
  oeEstrangeiraImportacaoDiretaCamex,    // 6 - Estrangeira - Importação direta, sem similar nacional, lista CAMEX
  oeEstrangeiraAdquiridaBrasilCamex,     // 7 - Estrangeira - Adquirida no mercado interno, sem similar nacional, lista
                                         // CAMEX
  oeNacionalConteudoImportacaoAcima70    // 8 - Nacional, conteúdo de importação superior a 70%
};
enum TkxnCSTIcms {
  cst00,
  cst10,
  cst20,
  cst30,
  cst40,
  cst41,
  cst45,
  cst50,
  cst51,
  cst60,
  cst70,
  cst80,
  cst81,
  cst90,
  cstPart10,
  cstPart90,
  cstRep41,
  cstVazio,
  cstICMSOutraUF,
  cstICMSSN
};
enum TkxnCSOSNIcms {
  csosnVazio,
  csosn101,
  csosn102,
  csosn103,
  csosn201,
  csosn202,
  csosn203,
  csosn300,
  csosn400,
  csosn500,
  csosn900
};
enum TkxnDeterminacaoBaseIcms { dbiMargemValorAgregado, dbiPauta, dbiPrecoTabelado, dbiValorOperacao };
enum TkxnDeterminacaoBaseIcmsST {
  dbisPrecoTabelado,
  dbisListaNegativa,
  dbisListaPositiva,
  dbisListaNeutra,
  dbisMargemValorAgregado,
  dbisPauta
};
enum TkxnMotivoDesoneracaoICMS {
  mdiTaxi,
  mdiDeficienteFisico,
  mdiProdutorAgropecuario,
  mdiFrotistaLocadora,
  mdiDiplomaticoConsular,
  mdiAmazoniaLivreComercio,
  mdiSuframa,
  mdiOutros
};
// The taxed situations come first; the ordinal order is not the code order.
enum TkxnCstIpi { ipi00, ipi49, ipi50, ipi99, ipi01, ipi02, ipi03, ipi04, ipi05, ipi51, ipi52, ipi53, ipi54, ipi55 };
enum TkxnCstPis {
  pis01,
  pis02,
  pis03,
  pis04,
  pis06,
  pis07,
  pis08,
  pis09,
  pis49,
  pis50,
  pis51,
  pis52,
  pis53,
  pis54,
  pis55,
  pis56,
  pis60,
  pis61,
  pis62,
  pis63,
  pis64,
  pis65,
  pis66,
  pis67,
  pis70,
  pis71,
  pis72,
  pis73,
  pis74,
  pis75,
  pis98,
  pis99
};
enum TkxnCstCofins {
  cof01,
  cof02,
  cof03,
  cof04,
  cof06,
  cof07,
  cof08,
  cof09,
  cof49,
  cof50,
  cof51,
  cof52,
  cof53,
  cof54,
  cof55,
  cof56,
  cof60,
  cof61,
  cof62,
  cof63,
  cof64,
  cof65,
  cof66,
  cof67,
  cof70,
  cof71,
  cof72,
  cof73,
  cof74,
  cof75,
  cof98,
  cof99
};
enum TkxnISSQNcSitTrib {
  ISSQNcSitTribVazio,
  ISSQNcSitTribNORMAL,
  ISSQNcSitTribRETIDA,
  ISSQNcSitTribSUBSTITUTA,
  ISSQNcSitTribISENTA
};
enum TkxnModalidadeFrete { mfContaEmitente, mfContaDestinatario, mfContaTerceiros, mfSemFrete };
enum TkxnIndicadorProcesso { ipSEFAZ, ipJusticaFederal, ipJusticaEstadual, ipSecexRFB, ipOutros };

// One row of a code table. Rows are kept in order: a later row overrides an
// earlier one, a value may appear in several rows, a code may be empty.
template <typename E>
struct LinhaCodigo {
  std::string_view codigo;
  E valor;
};

// Windows-1252 comparison ignoring the case of letters (ASCII and the
// accented letters); no trimming, so " 1" differs from "1".
bool CodigosIguais(std::string_view a, std::string_view b);

// Code to value: every row is tried, the last match wins. Without a match
// `ok` is false and the first row's value is returned.
template <typename E>
E CodigoParaValor(bool& ok, std::string_view codigo, std::span<const LinhaCodigo<E>> tabela) {
  ok = false;
  E resultado = tabela.empty() ? E{} : tabela.front().valor;
  for (const auto& linha : tabela) {
    if (CodigosIguais(codigo, linha.codigo)) {
      resultado = linha.valor;
      ok = true;
    }
  }
  return resultado;
}

// Value to code: every row is tried, the last match wins; a value without a
// row gives the empty text.
template <typename E>
std::string ValorParaCodigo(E valor, std::span<const LinhaCodigo<E>> tabela) {
  std::string_view resultado;
  for (const auto& linha : tabela) {
    if (linha.valor == valor) resultado = linha.codigo;
  }
  return std::string(resultado);
}

// The same lookups straight over a constant table array.
template <typename E, std::size_t N>
E CodigoParaValor(bool& ok, std::string_view codigo, const LinhaCodigo<E> (&tabela)[N]) {
  return CodigoParaValor<E>(ok, codigo, std::span<const LinhaCodigo<E>>(tabela));
}

template <typename E, std::size_t N>
std::string ValorParaCodigo(E valor, const LinhaCodigo<E> (&tabela)[N]) {
  return ValorParaCodigo<E>(valor, std::span<const LinhaCodigo<E>>(tabela));
}

// Named conversions, only in the directions the system uses.
std::string IndicadorPagamentoParaCodigo(TkxnIndicadorPagamento valor);
TkxnIndicadorPagamento CodigoParaIndicadorPagamento(bool& ok, std::string_view codigo);

std::string TipoNFeParaCodigo(TkxnTipoNFe valor);
TkxnTipoNFe CodigoParaTipoNFe(bool& ok, std::string_view codigo);

std::string TipoImpressaoParaCodigo(TkxnTipoImpressao valor);

std::string TipoEmissaoParaCodigo(TkxnTipoEmissao valor);
TkxnTipoEmissao CodigoParaTipoEmissao(bool& ok, std::string_view codigo);

std::string TipoAmbienteParaCodigo(TkxnTipoAmbiente valor);

std::string FinalidadeNFeParaCodigo(TkxnFinalidadeNFe valor);
TkxnFinalidadeNFe CodigoParaFinalidadeNFe(bool& ok, std::string_view codigo);

std::string ProcessoEmissaoParaCodigo(TkxnProcessoEmissao valor);
TkxnProcessoEmissao CodigoParaProcessoEmissao(bool& ok, std::string_view codigo);

std::string ECFModRefParaCodigo(TkxnECFModRef valor);

std::string CRTParaCodigo(TkxnCRT valor);

std::string IndicadorTotalParaCodigo(TkxnIndicadorTotal valor);

std::string TipoOperacaoParaCodigo(TkxnTipoOperacao valor);

std::string CondicaoVeiculoParaCodigo(TkxnCondicaoVeiculo valor);

std::string TipoArmaParaCodigo(TkxnTipoArma valor);

std::string OrigemMercadoriaParaCodigo(TkxnOrigemMercadoria valor);
TkxnOrigemMercadoria CodigoParaOrigemMercadoria(bool& ok, std::string_view codigo);

std::string CSTIcmsParaCodigo(TkxnCSTIcms valor);
TkxnCSTIcms CodigoParaCSTIcms(bool& ok, std::string_view codigo);

std::string CSOSNIcmsParaCodigo(TkxnCSOSNIcms valor);
TkxnCSOSNIcms CodigoParaCSOSNIcms(bool& ok, std::string_view codigo);

std::string DeterminacaoBaseIcmsParaCodigo(TkxnDeterminacaoBaseIcms valor);
TkxnDeterminacaoBaseIcms CodigoParaDeterminacaoBaseIcms(bool& ok, std::string_view codigo);

std::string DeterminacaoBaseIcmsSTParaCodigo(TkxnDeterminacaoBaseIcmsST valor);
TkxnDeterminacaoBaseIcmsST CodigoParaDeterminacaoBaseIcmsST(bool& ok, std::string_view codigo);

std::string MotivoDesoneracaoICMSParaCodigo(TkxnMotivoDesoneracaoICMS valor);

std::string CstIpiParaCodigo(TkxnCstIpi valor);
TkxnCstIpi CodigoParaCstIpi(bool& ok, std::string_view codigo);

std::string CstPisParaCodigo(TkxnCstPis valor);

std::string CstCofinsParaCodigo(TkxnCstCofins valor);

std::string ISSQNcSitTribParaCodigo(TkxnISSQNcSitTrib valor);

std::string ModalidadeFreteParaCodigo(TkxnModalidadeFrete valor);
TkxnModalidadeFrete CodigoParaModalidadeFrete(bool& ok, std::string_view codigo);

std::string IndicadorProcessoParaCodigo(TkxnIndicadorProcesso valor);

// Suffixes of the writer's ICMS group: "ICMSSN" + group suffix is the group
// name, "N" + ID suffix its element ID.
std::string CSOSNIcmsParaSufixoGrupo(TkxnCSOSNIcms valor);
std::string CSOSNIcmsParaSufixoID(TkxnCSOSNIcms valor);
std::string CSTIcmsParaSufixoID(TkxnCSTIcms valor);
