#include "nfe/kxnConversao.h"

#include <cstddef>

namespace {

// Lower case of one Windows-1252 byte: ASCII letters and the accented
// capitals À..Þ (their small forms are 0x20 above), except the multiplication
// sign 0xD7, whose partner 0xF7 is the division sign; and the four pairs of
// the 0x80 block, Š Œ Ž (0x10 apart) and Ÿ, whose small form is 0xFF.
unsigned char Minuscula(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
  if (c == 0x9F) return 0xFF;
  return c;
}

// clang-format off
constexpr LinhaCodigo<TkxnIndicadorPagamento> kIndicadorPagamento[] = {
    {"0", ipVista},
    {"1", ipPrazo},
    {"2", ipOutras},
};

constexpr LinhaCodigo<TkxnTipoNFe> kTipoNFe[] = {
    {"0", tnEntrada},
    {"1", tnSaida},
};

constexpr LinhaCodigo<TkxnTipoImpressao> kTipoImpressao[] = {
    {"1", tiRetrato},
    {"2", tiPaisagem},
};

// There is no code "6".
constexpr LinhaCodigo<TkxnTipoEmissao> kTipoEmissao[] = {
    {"1", teNormal},
    {"2", teContingencia},
    {"3", teSCAN},
    {"4", teDPEC},
    {"5", teFSDA},
    {"7", teSVCRS},
    {"8", teSVCSP},
};

constexpr LinhaCodigo<TkxnTipoAmbiente> kTipoAmbiente[] = {
    {"1", taProducao},
    {"2", taHomologacao},
};

constexpr LinhaCodigo<TkxnFinalidadeNFe> kFinalidadeNFe[] = {
    {"1", fnNormal},
    {"2", fnComplementar},
    {"3", fnAjuste},
};

constexpr LinhaCodigo<TkxnProcessoEmissao> kProcessoEmissao[] = {
    {"0", peAplicativoContribuinte},
    {"1", peAvulsaFisco},
    {"2", peAvulsaContribuinte},
    {"3", peContribuinteAplicativoFisco},
};

constexpr LinhaCodigo<TkxnECFModRef> kECFModRef[] = {
    {"", ECFModRefVazio},
    {"2B", ECFModRef2B},
    {"2C", ECFModRef2C},
    {"2D", ECFModRef2D},
};

// The empty first row makes an empty code read as the normal regime; the
// last row wins when writing, so the normal regime is written "3".
constexpr LinhaCodigo<TkxnCRT> kCRT[] = {
    {"", crtRegimeNormal},
    {"1", crtSimplesNacional},
    {"2", crtSimplesExcessoReceita},
    {"3", crtRegimeNormal},
};

// Ordinal 0 (the initial value) is "sums into the total", written "1".
constexpr LinhaCodigo<TkxnIndicadorTotal> kIndicadorTotal[] = {
    {"0", itNaoSomaTotalNFe},
    {"1", itSomaTotalNFe},
};

constexpr LinhaCodigo<TkxnTipoOperacao> kTipoOperacao[] = {
    {"1", toVendaConcessionaria},
    {"2", toFaturamentoDireto},
    {"3", toVendaDireta},
    {"0", toOutros},
};

constexpr LinhaCodigo<TkxnCondicaoVeiculo> kCondicaoVeiculo[] = {
    {"1", cvAcabado},
    {"2", cvInacabado},
    {"3", cvSemiAcabado},
};

constexpr LinhaCodigo<TkxnTipoArma> kTipoArma[] = {
    {"0", taUsoPermitido},
    {"1", taUsoRestrito},
};

constexpr LinhaCodigo<TkxnOrigemMercadoria> kOrigemMercadoria[] = {
    {"0", oeNacional},
    {"1", oeEstrangeiraImportacaoDireta},
    {"2", oeEstrangeiraAdquiridaBrasil},
    {"3", oeNacionalConteudoImportacaoAcima40},
    {"4", oeNacionalProcessosProdutivosBasicos},
    {"5", oeNacionalConteudoImportacaoAte40},
    {"6", oeEstrangeiraImportacaoDiretaCamex},
    {"7", oeEstrangeiraAdquiridaBrasilCamex},
    {"8", oeNacionalConteudoImportacaoAcima70},
};

// ICMS situation as written. cst45 and cstVazio have no row (empty text);
// the partition, replacement and other-state groups share the plain codes.
constexpr LinhaCodigo<TkxnCSTIcms> kCSTIcmsEscrita[] = {
    {"00", cst00},
    {"10", cst10},
    {"20", cst20},
    {"30", cst30},
    {"40", cst40},
    {"41", cst41},
    {"50", cst50},
    {"51", cst51},
    {"60", cst60},
    {"70", cst70},
    {"80", cst80},
    {"81", cst81},
    {"90", cst90},
    {"10", cstPart10},
    {"90", cstPart90},
    {"41", cstRep41},
    {"90", cstICMSOutraUF},
    {"SN", cstICMSSN},
};

// ICMS situation as read: "10" must stay cst10, so the partition and
// replacement values have no row; "91" and "92" are the page's own codes.
constexpr LinhaCodigo<TkxnCSTIcms> kCSTIcmsLeitura[] = {
    {"00", cst00},
    {"10", cst10},
    {"20", cst20},
    {"30", cst30},
    {"40", cst40},
    {"41", cst41},
    {"50", cst50},
    {"51", cst51},
    {"60", cst60},
    {"70", cst70},
    {"80", cst80},
    {"81", cst81},
    {"90", cst90},
    {"91", cstICMSOutraUF},
    {"92", cstICMSSN},
};

// Written, csosnVazio is "0"; read, only the empty code is csosnVazio.
constexpr LinhaCodigo<TkxnCSOSNIcms> kCSOSNIcmsEscrita[] = {
    {"0", csosnVazio},
    {"101", csosn101},
    {"102", csosn102},
    {"103", csosn103},
    {"201", csosn201},
    {"202", csosn202},
    {"203", csosn203},
    {"300", csosn300},
    {"400", csosn400},
    {"500", csosn500},
    {"900", csosn900},
};

constexpr LinhaCodigo<TkxnCSOSNIcms> kCSOSNIcmsLeitura[] = {
    {"", csosnVazio},
    {"101", csosn101},
    {"102", csosn102},
    {"103", csosn103},
    {"201", csosn201},
    {"202", csosn202},
    {"203", csosn203},
    {"300", csosn300},
    {"400", csosn400},
    {"500", csosn500},
    {"900", csosn900},
};

constexpr LinhaCodigo<TkxnDeterminacaoBaseIcms> kDeterminacaoBaseIcms[] = {
    {"0", dbiMargemValorAgregado},
    {"1", dbiPauta},
    {"2", dbiPrecoTabelado},
    {"3", dbiValorOperacao},
};

constexpr LinhaCodigo<TkxnDeterminacaoBaseIcmsST> kDeterminacaoBaseIcmsST[] = {
    {"0", dbisPrecoTabelado},
    {"1", dbisListaNegativa},
    {"2", dbisListaPositiva},
    {"3", dbisListaNeutra},
    {"4", dbisMargemValorAgregado},
    {"5", dbisPauta},
};

// There is no code "8".
constexpr LinhaCodigo<TkxnMotivoDesoneracaoICMS> kMotivoDesoneracaoICMS[] = {
    {"1", mdiTaxi},
    {"2", mdiDeficienteFisico},
    {"3", mdiProdutorAgropecuario},
    {"4", mdiFrotistaLocadora},
    {"5", mdiDiplomaticoConsular},
    {"6", mdiAmazoniaLivreComercio},
    {"7", mdiSuframa},
    {"9", mdiOutros},
};

constexpr LinhaCodigo<TkxnCstIpi> kCstIpi[] = {
    {"00", ipi00},
    {"49", ipi49},
    {"50", ipi50},
    {"99", ipi99},
    {"01", ipi01},
    {"02", ipi02},
    {"03", ipi03},
    {"04", ipi04},
    {"05", ipi05},
    {"51", ipi51},
    {"52", ipi52},
    {"53", ipi53},
    {"54", ipi54},
    {"55", ipi55},
};

// There is no code "05".
constexpr LinhaCodigo<TkxnCstPis> kCstPis[] = {
    {"01", pis01},
    {"02", pis02},
    {"03", pis03},
    {"04", pis04},
    {"06", pis06},
    {"07", pis07},
    {"08", pis08},
    {"09", pis09},
    {"49", pis49},
    {"50", pis50},
    {"51", pis51},
    {"52", pis52},
    {"53", pis53},
    {"54", pis54},
    {"55", pis55},
    {"56", pis56},
    {"60", pis60},
    {"61", pis61},
    {"62", pis62},
    {"63", pis63},
    {"64", pis64},
    {"65", pis65},
    {"66", pis66},
    {"67", pis67},
    {"70", pis70},
    {"71", pis71},
    {"72", pis72},
    {"73", pis73},
    {"74", pis74},
    {"75", pis75},
    {"98", pis98},
    {"99", pis99},
};

constexpr LinhaCodigo<TkxnCstCofins> kCstCofins[] = {
    {"01", cof01},
    {"02", cof02},
    {"03", cof03},
    {"04", cof04},
    {"06", cof06},
    {"07", cof07},
    {"08", cof08},
    {"09", cof09},
    {"49", cof49},
    {"50", cof50},
    {"51", cof51},
    {"52", cof52},
    {"53", cof53},
    {"54", cof54},
    {"55", cof55},
    {"56", cof56},
    {"60", cof60},
    {"61", cof61},
    {"62", cof62},
    {"63", cof63},
    {"64", cof64},
    {"65", cof65},
    {"66", cof66},
    {"67", cof67},
    {"70", cof70},
    {"71", cof71},
    {"72", cof72},
    {"73", cof73},
    {"74", cof74},
    {"75", cof75},
    {"98", cof98},
    {"99", cof99},
};

constexpr LinhaCodigo<TkxnISSQNcSitTrib> kISSQNcSitTrib[] = {
    {"", ISSQNcSitTribVazio},
    {"N", ISSQNcSitTribNORMAL},
    {"R", ISSQNcSitTribRETIDA},
    {"S", ISSQNcSitTribSUBSTITUTA},
    {"I", ISSQNcSitTribISENTA},
};

constexpr LinhaCodigo<TkxnModalidadeFrete> kModalidadeFrete[] = {
    {"0", mfContaEmitente},
    {"1", mfContaDestinatario},
    {"2", mfContaTerceiros},
    {"9", mfSemFrete},
};

constexpr LinhaCodigo<TkxnIndicadorProcesso> kIndicadorProcesso[] = {
    {"0", ipSEFAZ},
    {"1", ipJusticaFederal},
    {"2", ipJusticaEstadual},
    {"3", ipSecexRFB},
    {"9", ipOutros},
};

// Suffix of the simplified-regime ICMS group name ("ICMSSN" + suffix):
// situations without a group of their own share the group of 102 or 202.
constexpr LinhaCodigo<TkxnCSOSNIcms> kCSOSNIcmsSufixoGrupo[] = {
    {"", csosnVazio},
    {"101", csosn101},
    {"102", csosn102},
    {"102", csosn103},
    {"201", csosn201},
    {"202", csosn202},
    {"202", csosn203},
    {"102", csosn300},
    {"102", csosn400},
    {"500", csosn500},
    {"900", csosn900},
};

// Suffix of the same group's element ID ("N" + suffix).
constexpr LinhaCodigo<TkxnCSOSNIcms> kCSOSNIcmsSufixoID[] = {
    {"", csosnVazio},
    {"10c", csosn101},
    {"10d", csosn102},
    {"10d", csosn103},
    {"10e", csosn201},
    {"10f", csosn202},
    {"10f", csosn203},
    {"10d", csosn300},
    {"10d", csosn400},
    {"10g", csosn500},
    {"10h", csosn900},
};

// Element ID suffix of the ICMS group of each situation; 40, 41 and 50 share
// one group, and 90 uses N10 as layout 2.00 does.
constexpr LinhaCodigo<TkxnCSTIcms> kCSTIcmsSufixoID[] = {
    {"02", cst00},
    {"03", cst10},
    {"04", cst20},
    {"05", cst30},
    {"06", cst40},
    {"06", cst41},
    {"06", cst50},
    {"07", cst51},
    {"08", cst60},
    {"09", cst70},
    {"10", cst80},
    {"11", cst81},
    {"10", cst90},
    {"10a", cstPart10},
    {"10a", cstPart90},
    {"10b", cstRep41},
};
// clang-format on

}  // namespace

bool CodigosIguais(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Minuscula(static_cast<unsigned char>(a[i])) != Minuscula(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Each conversion only names its table.
std::string IndicadorPagamentoParaCodigo(TkxnIndicadorPagamento valor) {
  return ValorParaCodigo(valor, kIndicadorPagamento);
}

TkxnIndicadorPagamento CodigoParaIndicadorPagamento(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kIndicadorPagamento);
}

std::string TipoNFeParaCodigo(TkxnTipoNFe valor) { return ValorParaCodigo(valor, kTipoNFe); }

TkxnTipoNFe CodigoParaTipoNFe(bool& ok, std::string_view codigo) { return CodigoParaValor(ok, codigo, kTipoNFe); }

std::string TipoImpressaoParaCodigo(TkxnTipoImpressao valor) { return ValorParaCodigo(valor, kTipoImpressao); }

std::string TipoEmissaoParaCodigo(TkxnTipoEmissao valor) { return ValorParaCodigo(valor, kTipoEmissao); }

TkxnTipoEmissao CodigoParaTipoEmissao(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kTipoEmissao);
}

std::string TipoAmbienteParaCodigo(TkxnTipoAmbiente valor) { return ValorParaCodigo(valor, kTipoAmbiente); }

std::string FinalidadeNFeParaCodigo(TkxnFinalidadeNFe valor) { return ValorParaCodigo(valor, kFinalidadeNFe); }

TkxnFinalidadeNFe CodigoParaFinalidadeNFe(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kFinalidadeNFe);
}

std::string ProcessoEmissaoParaCodigo(TkxnProcessoEmissao valor) { return ValorParaCodigo(valor, kProcessoEmissao); }

TkxnProcessoEmissao CodigoParaProcessoEmissao(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kProcessoEmissao);
}

std::string ECFModRefParaCodigo(TkxnECFModRef valor) { return ValorParaCodigo(valor, kECFModRef); }

std::string CRTParaCodigo(TkxnCRT valor) { return ValorParaCodigo(valor, kCRT); }

std::string IndicadorTotalParaCodigo(TkxnIndicadorTotal valor) { return ValorParaCodigo(valor, kIndicadorTotal); }

std::string TipoOperacaoParaCodigo(TkxnTipoOperacao valor) { return ValorParaCodigo(valor, kTipoOperacao); }

std::string CondicaoVeiculoParaCodigo(TkxnCondicaoVeiculo valor) { return ValorParaCodigo(valor, kCondicaoVeiculo); }

std::string TipoArmaParaCodigo(TkxnTipoArma valor) { return ValorParaCodigo(valor, kTipoArma); }

std::string OrigemMercadoriaParaCodigo(TkxnOrigemMercadoria valor) { return ValorParaCodigo(valor, kOrigemMercadoria); }

TkxnOrigemMercadoria CodigoParaOrigemMercadoria(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kOrigemMercadoria);
}

std::string CSTIcmsParaCodigo(TkxnCSTIcms valor) { return ValorParaCodigo(valor, kCSTIcmsEscrita); }

TkxnCSTIcms CodigoParaCSTIcms(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kCSTIcmsLeitura);
}

std::string CSOSNIcmsParaCodigo(TkxnCSOSNIcms valor) { return ValorParaCodigo(valor, kCSOSNIcmsEscrita); }

TkxnCSOSNIcms CodigoParaCSOSNIcms(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kCSOSNIcmsLeitura);
}

std::string DeterminacaoBaseIcmsParaCodigo(TkxnDeterminacaoBaseIcms valor) {
  return ValorParaCodigo(valor, kDeterminacaoBaseIcms);
}

TkxnDeterminacaoBaseIcms CodigoParaDeterminacaoBaseIcms(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kDeterminacaoBaseIcms);
}

std::string DeterminacaoBaseIcmsSTParaCodigo(TkxnDeterminacaoBaseIcmsST valor) {
  return ValorParaCodigo(valor, kDeterminacaoBaseIcmsST);
}

TkxnDeterminacaoBaseIcmsST CodigoParaDeterminacaoBaseIcmsST(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kDeterminacaoBaseIcmsST);
}

std::string MotivoDesoneracaoICMSParaCodigo(TkxnMotivoDesoneracaoICMS valor) {
  return ValorParaCodigo(valor, kMotivoDesoneracaoICMS);
}

std::string CstIpiParaCodigo(TkxnCstIpi valor) { return ValorParaCodigo(valor, kCstIpi); }

TkxnCstIpi CodigoParaCstIpi(bool& ok, std::string_view codigo) { return CodigoParaValor(ok, codigo, kCstIpi); }

std::string CstPisParaCodigo(TkxnCstPis valor) { return ValorParaCodigo(valor, kCstPis); }

std::string CstCofinsParaCodigo(TkxnCstCofins valor) { return ValorParaCodigo(valor, kCstCofins); }

std::string ISSQNcSitTribParaCodigo(TkxnISSQNcSitTrib valor) { return ValorParaCodigo(valor, kISSQNcSitTrib); }

std::string ModalidadeFreteParaCodigo(TkxnModalidadeFrete valor) { return ValorParaCodigo(valor, kModalidadeFrete); }

TkxnModalidadeFrete CodigoParaModalidadeFrete(bool& ok, std::string_view codigo) {
  return CodigoParaValor(ok, codigo, kModalidadeFrete);
}

std::string IndicadorProcessoParaCodigo(TkxnIndicadorProcesso valor) {
  return ValorParaCodigo(valor, kIndicadorProcesso);
}

std::string CSOSNIcmsParaSufixoGrupo(TkxnCSOSNIcms valor) { return ValorParaCodigo(valor, kCSOSNIcmsSufixoGrupo); }

std::string CSOSNIcmsParaSufixoID(TkxnCSOSNIcms valor) { return ValorParaCodigo(valor, kCSOSNIcmsSufixoID); }

std::string CSTIcmsParaSufixoID(TkxnCSTIcms valor) { return ValorParaCodigo(valor, kCSTIcmsSufixoID); }
