// Second half of the NF-e writer: items (product, import declarations,
// vehicle, medicine, weapon, fuel), the item taxes, then totals, transport,
// billing, additional information, export, purchase and sugar cane.
// Each group writer is its field table, one EscreverCampo per row.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "util/Win1252.h"
#include "writer/kxnNFeW.h"

namespace {

const std::string_view kConteudoInvalido = "Conteúdo inválido"_cp;
const std::string_view kNenhumValor = "Nenhum valor informado";
const std::string_view kMaiorQueMaximo = "Tamanho maior que o máximo permitido"_cp;

std::string MaximoDeOcorrencias(int maximo) {
  return std::string("Número de ocorrências maior que o máximo permitido - Máximo "_cp) + std::to_string(maximo);
}

bool Positivo(Currency valor) { return valor > Currency(0); }

bool AlgumPositivo(std::initializer_list<Currency> valores) {
  for (Currency v : valores)
    if (Positivo(v)) return true;
  return false;
}

bool Vazio(std::string_view texto) { return Trim(texto).empty(); }

bool IssqnInformado(const TISSQN& ISSQN) {
  return AlgumPositivo({ISSQN.vBC, ISSQN.vAliq, ISSQN.vISSQN}) || ISSQN.cMunFG > 0 || ISSQN.cListServ > 0;
}

// A rate or quantity pair is present when its sum is above zero; compared
// without adding, so values near the Currency limit cannot wrap around.
bool SomaPositiva(Currency a, Currency b) {
  const std::int64_t x = a.Bruto(), y = b.Bruto();
  return y >= 0 ? x > -y : x > 0 && x + y > 0;
}

// Suffix of the ICMS group name by situation ("ICMS" + suffix).
// clang-format off
constexpr LinhaCodigo<TkxnCSTIcms> kCSTIcmsSufixoGrupo[] = {
    {"00", cst00},
    {"10", cst10},
    {"20", cst20},
    {"30", cst30},
    {"40", cst40},
    {"40", cst41},
    {"40", cst50},
    {"51", cst51},
    {"60", cst60},
    {"70", cst70},
    {"80", cst80},
    {"81", cst81},
    {"90", cst90},
    {"Part", cstPart10},
    {"Part", cstPart90},
    {"ST", cstRep41},
};
// clang-format on

bool IpiTributado(TkxnCstIpi cst) { return cst == ipi00 || cst == ipi49 || cst == ipi50 || cst == ipi99; }

// The xCampo attribute of an observation: trimmed (the layout allows no blanks
// around it) and escaped, accents folded, like a field value; inner runs of
// blanks are kept as stored.
std::string AtributoXCampo(std::string_view xCampo, bool retirarAcentos) {
  return PrepararTextoXML(false, xCampo, retirarAcentos);
}

}  // namespace

std::string TNFeW::CSTIcmsParaSufixoGrupo(TkxnCSTIcms CST) {
  return ValorParaCodigo(CST, std::span<const LinhaCodigo<TkxnCSTIcms>>(kCSTIcmsSufixoGrupo));
}

// ---------------------------------------------------------------- items

void TNFeW::MontarItens() {
  for (int i = 0; i < NFe.Det.Count(); ++i) {
    const TDetCollectionItem& det = NFe.Det.Items(i);
    gerador_.EscreverGrupo("det nItem=\"" + std::to_string(det.Prod.nItem) + "\"", "H01", true);
    MontarProduto(i);
    MontarImposto(i);
    gerador_.DefinirIDNivel("H01");
    gerador_.EscreverCampo(fcTexto, "V01", "infAdProd", 1, 500, 0, det.infAdProd,
                           "Informações adicionais do Produto"_cp);
    gerador_.EscreverGrupo("/det", "", true);
  }
  if (NFe.Det.Count() == 0) gerador_.RegistrarAlerta("H02", "nItem", "Numero do item", kNenhumValor);
  if (NFe.Det.Count() > 990) gerador_.RegistrarAlerta("H02", "nItem", "Numero do item", MaximoDeOcorrencias(990));
}

void TNFeW::MontarProduto(int i) {
  const TProd& Prod = NFe.Det.Items(i).Prod;
  const bool v200 = Leiaute200();
  const TkxnFormatoCampo fcUnitario = Selecionar(v200, fcDecimal10, fcDecimal4);
  gerador_.EscreverGrupo("prod", "I01", true);
  gerador_.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, Prod.cProd, "Código do produto ou serviço"_cp);
  gerador_.EscreverCampo(fcTexto, "I03", "cEAN", 0, 14, 1, Prod.cEAN, "Código de Barra do Item"_cp);
  gerador_.EscreverCampo(fcTexto, "I04", "xProd", 1, 120, 1, Prod.xProd, "Descrição do Produto ou Serviço"_cp);
  gerador_.EscreverCampo(fcTexto, "I05", "NCM", 2, 8, Selecionar(v200, 1, 0), Prod.NCM, "Código NCM"_cp);
  gerador_.EscreverCampo(fcTexto, "I06", "EXTIPI", 2, 3, 0, Prod.EXTIPI, "EX_TIPI");
  gerador_.EscreverCampo(fcNumerico, "I08", "CFOP", 4, 4, 1, ExtrairDigitos(Prod.CFOP), "CFOP");
  gerador_.EscreverCampo(fcTexto, "I09", "uCom", 1, 6, 1, Prod.uCom, "Unidade Comercial");
  gerador_.EscreverCampo(fcDecimal4, "I10", "qCom", 0, 15, 1, Prod.qCom, "Quantidade Comercial");
  gerador_.EscreverCampo(fcUnitario, "I10a", "vUnCom", 0, 21, 1, Prod.vUnCom, "Valor Unitário de Comercialização"_cp);
  gerador_.EscreverCampo(fcDecimal2, "I11", "vProd", 0, 15, 1, Prod.vProd,
                         "Valor Total Bruto dos Produtos ou Serviços"_cp);
  gerador_.EscreverCampo(fcTexto, "I12", "cEANTrib", 0, 14, 1, Prod.cEANTrib, "Código de Barra do Item Tributação"_cp);
  gerador_.EscreverCampo(fcTexto, "I13", "uTrib", 1, 6, 1, Prod.uTrib, "Unidade Tributável"_cp);
  gerador_.EscreverCampo(fcDecimal4, "I14", "qTrib", 0, 15, 1, Prod.qTrib, "Quantidade Tributável"_cp);
  gerador_.EscreverCampo(fcUnitario, "I14a", "vUnTrib", 0, 21, 1, Prod.vUnTrib, "Valor unitário de Tributação"_cp);
  gerador_.EscreverCampo(fcDecimal2, "I15", "vFrete", 0, 15, 0, Prod.vFrete, "Valor Total do Frete");
  gerador_.EscreverCampo(fcDecimal2, "I16", "vSeg", 0, 15, 0, Prod.vSeg, "Valor Total do Seguro");
  gerador_.EscreverCampo(fcDecimal2, "I17", "vDesc", 0, 15, 0, Prod.vDesc, "Valor do desconto");
  gerador_.EscreverCampo(fcDecimal2, "I17a", "vOutro", 0, 15, 0, Prod.vOutro, "Outras Despesas Acessórias"_cp);
  if (v200)
    gerador_.EscreverCampo(fcTexto, "I17b", "indTot", 1, 1, 1, IndicadorTotalParaCodigo(Prod.IndTot),
                           "Indicador de soma no total da NFe");
  MontarDI(i);
  gerador_.EscreverCampo(fcTexto, "I30", "xPed", 1, 15, 0, Prod.xPed, "Pedido");
  gerador_.EscreverCampo(fcInteiro, "I31", "nItemPed", 6, 6, 0, Prod.nItemPed,
                         "Item do Pedido de Compra da DI – adição"_cp);
  MontarVeiculo(i);
  MontarMedicamentos(i);
  MontarArmas(i);
  MontarCombustivel(i);
  gerador_.EscreverGrupo("/prod", "", true);
}

void TNFeW::MontarDI(int i) {
  const TDICollection& DI = NFe.Det.Items(i).Prod.DI;
  for (int j = 0; j < DI.Count(); ++j) {
    const TDICollectionItem& di = DI.Items(j);
    gerador_.EscreverGrupo("DI", "I18", true);
    gerador_.EscreverCampo(fcTexto, "I19", "nDI", 1, 10, 1, di.nDi, "Numero do Documento de Importação DI/DSI/DA"_cp);
    gerador_.EscreverCampo(fcData, "I20", "dDI", 10, 10, 1, ValorData(di.dDi), "Data de registro da DI/DSI/DA");
    gerador_.EscreverCampo(fcTexto, "I21", "xLocDesemb", 1, 60, 1, di.xLocDesemb, "Local de Desembaraço"_cp);
    gerador_.EscreverCampo(fcTexto, "I22", "UFDesemb", 2, 2, 1, di.UFDesemb,
                           "Sigla da UF onde ocorreu o Desembaraço Aduaneiro"_cp);
    if (!ConferirSiglaUF(di.UFDesemb))
      gerador_.RegistrarAlerta("I22", "UFDesemb", "Sigla da UF onde ocorreu o Desembaraço Aduaneiro"_cp,
                               kConteudoInvalido);
    gerador_.EscreverCampo(fcData, "I23", "dDesemb", 10, 10, 1, ValorData(di.dDesemb),
                           "Data do Desembaraço Aduaneiro"_cp);
    gerador_.EscreverCampo(fcTexto, "I24", "cExportador", 1, 60, 1, di.cExportador, "Código do exportador"_cp);
    MontarAdicoes(i, j);
    gerador_.EscreverGrupo("/DI", "", true);
  }
}

void TNFeW::MontarAdicoes(int i, int j) {
  const TAdiCollection& adi = NFe.Det.Items(i).Prod.DI.Items(j).adi;
  for (int k = 0; k < adi.Count(); ++k) {
    const TAdiCollectionItem& a = adi.Items(k);
    gerador_.EscreverGrupo("adi", "I25", true);
    gerador_.EscreverCampo(fcInteiro, "I26", "nAdicao", 1, 3, 1, a.nAdicao, "Numero da Adição"_cp);
    gerador_.EscreverCampo(fcInteiro, "I27", "nSeqAdic", 1, 3, 1, a.nSeqAdic,
                           "Numero seqüencial do item dentro da adição"_cp);
    gerador_.EscreverCampo(fcTexto, "I28", "cFabricante", 1, 60, 1, a.cFabricante, "Fabricante");
    gerador_.EscreverCampo(fcDecimal2, "I29", "vDescDI", 0, 15, 0, a.vDescDI,
                           "Valor do desconto do item da DI – adição"_cp);
    gerador_.EscreverGrupo("/adi", "", true);
  }
}

void TNFeW::MontarVeiculo(int i) {
  const TveicProd& v = NFe.Det.Items(i).Prod.veicProd;
  if (Vazio(v.chassi)) return;
  const bool v200 = Leiaute200();
  gerador_.EscreverGrupo("veicProd", "J01", true);
  gerador_.EscreverCampo(fcTexto, "J02", "tpOp", 1, 1, 1, TipoOperacaoParaCodigo(v.tpOP), "Tipo da operação"_cp);
  gerador_.EscreverCampo(fcTexto, "J03", "chassi", 17, 17, 1, v.chassi, "Número do chassi"_cp);
  gerador_.EscreverCampo(fcTexto, "J04", "cCor", 4, 4, 1, v.cCor, "Cor do Veículo"_cp);
  gerador_.EscreverCampo(fcTexto, "J05", "xCor", 1, 40, 1, v.xCor, "Descrição da Cor"_cp);
  gerador_.EscreverCampo(fcTexto, "J06", "pot", 4, 4, 1, v.pot, "Potência Motor"_cp);
  gerador_.EscreverCampo(fcTexto, "J07", Selecionar(v200, "cilin", "CM3"), 4, 4, 1, v.Cilin, "Cilindradas");
  gerador_.EscreverCampo(fcTexto, "J08", "pesoL", 1, 9, 1, v.pesoL, "Peso Líquido (em kg)"_cp);
  gerador_.EscreverCampo(fcTexto, "J09", "pesoB", 1, 9, 1, v.pesoB, "Peso Bruto (em kg)");
  gerador_.EscreverCampo(fcTexto, "J10", "nSerie", 1, 9, 1, v.nSerie, "Número de série"_cp);
  gerador_.EscreverCampo(fcTexto, "J11", "tpComb", 2, 2, 1, v.tpComb, "Tipo de combustível"_cp);
  gerador_.EscreverCampo(fcTexto, "J12", "nMotor", 1, 21, 1, v.nMotor, "Número de Motor"_cp);
  gerador_.EscreverCampo(fcTexto, "J13", Selecionar(v200, "CMT", "CMKG"), 9, 9, 1, v.CMT,
                         "Capacidade Máxima de Tração"_cp);
  gerador_.EscreverCampo(fcTexto, "J14", "dist", 1, 4, 1, v.dist, "Distância entre os eixos"_cp);
  gerador_.EscreverCampo(fcInteiro, "J16", "anoMod", 0, 4, 1, v.anoMod, "Ano do Modelo de Fabricação"_cp);
  gerador_.EscreverCampo(fcInteiro, "J17", "anoFab", 0, 4, 1, v.anoFab, "Ano de Fabricação"_cp);
  gerador_.EscreverCampo(fcTexto, "J18", "tpPint", 1, 1, 1, v.tpPint, "Tipo de Pintura");
  gerador_.EscreverCampo(fcInteiro, "J19", "tpVeic", 0, 2, 1, v.tpVeic, "Tipo de Veículo"_cp);
  gerador_.EscreverCampo(fcInteiro, "J20", "espVeic", 0, 1, 1, v.espVeic, "Espécie de veículo"_cp);
  gerador_.EscreverCampo(fcTexto, "J21", "VIN", 1, 1, 1, v.VIN, "Condição do VIN"_cp);
  gerador_.EscreverCampo(fcTexto, "J22", "condVeic", 0, 1, 1, CondicaoVeiculoParaCodigo(v.condVeic),
                         "Condições do Veículo"_cp);
  gerador_.EscreverCampo(fcTexto, "J23", "cMod", 1, 6, 1, v.cMod, "Modelo do Veículo"_cp);
  if (v200) {
    gerador_.EscreverCampo(fcTexto, "J24", "cCorDENATRAN", 1, 2, 1, v.cCorDENATRAN, "Código da Cor DENATRAN"_cp);
    gerador_.EscreverCampo(fcInteiro, "J25", "lota", 1, 3, 1, v.lota, "Indicador de lotação"_cp);
    gerador_.EscreverCampo(fcInteiro, "J26", "tpRest", 1, 1, 1, v.tpRest, "Restrição"_cp);
  }
  gerador_.EscreverGrupo("/veicProd", "", true);
}

void TNFeW::MontarMedicamentos(int i) {
  const TmedCollection& med = NFe.Det.Items(i).Prod.med;
  for (int k = 0; k < med.Count(); ++k) {
    const TmedCollectionItem& m = med.Items(k);
    gerador_.EscreverGrupo("med", "K01", true);
    gerador_.EscreverCampo(fcTexto, "K02", "nLote", 1, 20, 1, m.nLote, "Número do Lote do medicamento"_cp);
    gerador_.EscreverCampo(fcDecimal3, "K03", "qLote", 0, 11, 1, m.qLote,
                           "Quantidade de produto no Lote do medicamento");
    gerador_.EscreverCampo(fcData, "K04", "dFab", 10, 10, 1, ValorData(m.dFab), "Data de fabricação"_cp);
    gerador_.EscreverCampo(fcData, "K05", "dVal", 10, 10, 1, ValorData(m.dVal), "Data de validade");
    gerador_.EscreverCampo(fcDecimal2, "K06", "vPMC", 0, 15, 1, m.vPMC, "Preço Máximo ao Consumidor"_cp);
    gerador_.EscreverGrupo("/med", "", true);
  }
}

void TNFeW::MontarArmas(int i) {
  const TarmaCollection& arma = NFe.Det.Items(i).Prod.arma;
  for (int k = 0; k < arma.Count(); ++k) {
    const TarmaCollectionItem& a = arma.Items(k);
    gerador_.EscreverGrupo("arma", "L00", true);
    gerador_.EscreverCampo(fcTexto, "L02", "tpArma", 1, 1, 1, TipoArmaParaCodigo(a.tpArma),
                           "Indicador do tipo de arma de fogo");
    gerador_.EscreverCampo(fcTexto, "L03", "nSerie", 1, 9, 1, a.nSerie, "Número de série"_cp);
    gerador_.EscreverCampo(fcTexto, "L04", "nCano", 1, 9, 1, a.nCano, "Numero de série do cano"_cp);
    gerador_.EscreverCampo(fcTexto, "L05", "descr", 1, 256, 1, a.descr, "Descrição completa"_cp);
    gerador_.EscreverGrupo("/arma", "", true);
  }
}

void TNFeW::MontarCombustivel(int i) {
  const TComb& comb = NFe.Det.Items(i).Prod.comb;
  if (comb.cProdANP <= 0) return;
  gerador_.EscreverGrupo("comb", "L01", true);
  gerador_.EscreverCampo(fcInteiro, "L102", "cProdANP", 9, 9, 1, comb.cProdANP, "Código do produto ANP"_cp);
  if (!Vazio(comb.CODIF))
    gerador_.EscreverCampo(fcNumerico, "L103", "CODIF", 0, 21, 1, comb.CODIF,
                           "Código de autorização / registro do CODIF"_cp);
  if (comb.qTemp != Currency(0))
    gerador_.EscreverCampo(fcDecimal4, "L104", "qTemp", 1, 16, 1, comb.qTemp,
                           "Quantidade de combustível faturada à temperatura ambiente."_cp);
  const bool icmsDoCombustivel =
      !Leiaute200() && AlgumPositivo({comb.ICMS.vBCICMS, comb.ICMS.vICMS, comb.ICMS.vBCICMSST, comb.ICMS.vICMSST,
                                      comb.ICMSInter.vBCICMSSTDest, comb.ICMSInter.vICMSSTDest,
                                      comb.ICMSCons.vBCICMSSTCons, comb.ICMSCons.vICMSSTCons});
  if (icmsDoCombustivel) {
    MontarCIDE(i);
    MontarICMSComb(i);
    MontarICMSInter(i);
    MontarICMSCons(i);
  } else {
    gerador_.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, comb.UFcons, "Sigla da UF de consumo");
    if (!ConferirSiglaUF(comb.UFcons))
      gerador_.RegistrarAlerta("L120", "UFcons", "Sigla da UF de consumo", kConteudoInvalido);
    MontarCIDE(i);
  }
  gerador_.EscreverGrupo("/comb", "", true);
}

void TNFeW::MontarCIDE(int i) {
  const TCIDE& CIDE = NFe.Det.Items(i).Prod.comb.CIDE;
  if (!AlgumPositivo({CIDE.qBCProd, CIDE.vAliqProd, CIDE.vCIDE})) return;
  gerador_.EscreverGrupo("CIDE", "L105", true);
  gerador_.EscreverCampo(fcDecimal4, "L106", "qBCProd", 1, 16, 1, CIDE.qBCProd, "BC da CIDE");
  gerador_.EscreverCampo(fcDecimal4, "L107", "vAliqProd", 1, 15, 1, CIDE.vAliqProd, "Valor da alíquota (em reais)"_cp);
  gerador_.EscreverCampo(fcDecimal2, "L108", "vCIDE", 1, 15, 1, CIDE.vCIDE, "Valor da CIDE");
  gerador_.EscreverGrupo("/CIDE", "", true);
}

void TNFeW::MontarICMSComb(int i) {
  const TICMSComb& ICMS = NFe.Det.Items(i).Prod.comb.ICMS;
  gerador_.EscreverGrupo("ICMSComb", "L109", true);
  gerador_.EscreverCampo(fcDecimal2, "L110", "vBCICMS", 1, 15, 1, ICMS.vBCICMS, "BC do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "L111", "vICMS", 1, 15, 1, ICMS.vICMS, "Valor do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "L112", "vBCICMSST", 1, 15, 1, ICMS.vBCICMSST, "BC do ICMS ST retido");
  gerador_.EscreverCampo(fcDecimal2, "L113", "vICMSST", 1, 15, 1, ICMS.vICMSST,
                         "Valor do ICMS Substituição Tributaria"_cp);
  gerador_.EscreverGrupo("/ICMSComb", "", true);
}

void TNFeW::MontarICMSInter(int i) {
  const TICMSInter& ICMSInter = NFe.Det.Items(i).Prod.comb.ICMSInter;
  if (!AlgumPositivo({ICMSInter.vBCICMSSTDest, ICMSInter.vICMSSTDest})) return;
  gerador_.EscreverGrupo("ICMSInter", "L114", true);
  gerador_.EscreverCampo(fcDecimal2, "L115", "vBCICMSSTDest", 1, 15, 1, ICMSInter.vBCICMSSTDest,
                         "BC do ICMS ST da UF de destino");
  gerador_.EscreverCampo(fcDecimal2, "L116", "vICMSSTDest", 1, 15, 1, ICMSInter.vICMSSTDest,
                         "Valor do ICMS Substituição Tributaria da UF de Destino"_cp);
  gerador_.EscreverGrupo("/ICMSInter", "", true);
}

void TNFeW::MontarICMSCons(int i) {
  const TICMSCons& ICMSCons = NFe.Det.Items(i).Prod.comb.ICMSCons;
  if (!AlgumPositivo({ICMSCons.vBCICMSSTCons, ICMSCons.vICMSSTCons}) && Vazio(ICMSCons.UFcons)) return;
  gerador_.EscreverGrupo("ICMSCons", "L117", true);
  gerador_.EscreverCampo(fcDecimal2, "L118", "vBCICMSSTCons", 1, 15, 1, ICMSCons.vBCICMSSTCons,
                         "Valor do ICMS ST da UF de consumo");
  gerador_.EscreverCampo(fcDecimal2, "L119", "vICMSSTCons", 1, 15, 1, ICMSCons.vICMSSTCons,
                         "Valor do ICMS Substituição Tributaria da UF de Consumo"_cp);
  gerador_.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, ICMSCons.UFcons, "Sigla da UF de consumo");
  if (!ConferirSiglaUF(ICMSCons.UFcons))
    gerador_.RegistrarAlerta("L120", "UFcons", "Sigla da UF de consumo", kConteudoInvalido);
  gerador_.EscreverGrupo("/ICMSCons", "", true);
}

// ---------------------------------------------------------------- item taxes

void TNFeW::MontarImposto(int i) {
  const TISSQN& ISSQN = NFe.Det.Items(i).Imposto.ISSQN;
  const bool servico = ISSQN.cSitTrib != ISSQNcSitTribVazio;
  gerador_.EscreverGrupo("imposto", "M01", true);
  if (servico) {
    MontarISSQN(i);
  } else {
    // From 2.00 on the situation makes the service item: without it the
    // item's ISSQN values are not written.
    if (Leiaute200() && IssqnInformado(ISSQN))
      gerador_.RegistrarAlerta("U07", "cSitTrib", "Código de Tributação do ISSQN"_cp, kNenhumValor);
    MontarICMS(i);
    MontarIPI(i);
    MontarII(i);
  }
  MontarPIS(i);
  MontarPISST(i);
  MontarCOFINS(i);
  MontarCOFINSST(i);
  // The older layout puts ISSQN after COFINSST, beside ICMS.
  if (!Leiaute200() && !servico) MontarISSQN(i);
  gerador_.EscreverGrupo("/imposto", "", true);
}

void TNFeW::MontarICMS(int i) {
  TICMS& ICMS = NFe.Det.Items(i).Imposto.ICMS;
  const auto orig = [&] {
    gerador_.EscreverCampo(fcTexto, "N11", "orig", 1, 1, 1, OrigemMercadoriaParaCodigo(ICMS.orig),
                           "Origem da mercadoria");
  };
  const auto modBC = [&] {
    gerador_.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, DeterminacaoBaseIcmsParaCodigo(ICMS.modBC),
                           "Modalidade de determinação da BC do ICMS"_cp);
  };
  const auto pRedBC = [&](int ocorrencia) {
    gerador_.EscreverCampo(fcDecimal2, "N14", "pRedBC", 1, 5, ocorrencia, ICMS.pRedBC,
                           "Percentual da Redução de BC"_cp);
  };
  const auto vBC = [&] { gerador_.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, ICMS.vBC, "Valor da BC do ICMS"); };
  const auto pICMS = [&] {
    gerador_.EscreverCampo(fcDecimal2, "N16", "pICMS", 1, 5, 1, ICMS.pICMS, "Alíquota do imposto"_cp);
  };
  const auto vICMS = [&] { gerador_.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, ICMS.vICMS, "Valor do ICMS"); };
  const auto vBCST = [&] {
    gerador_.EscreverCampo(fcDecimal2, "N21", "vBCST", 1, 15, 1, ICMS.vBCST, "Valor da BC do ICMS ST");
  };
  const auto vICMSST = [&] {
    gerador_.EscreverCampo(fcDecimal2, "N23", "vICMSST", 1, 15, 1, ICMS.vICMSST,
                           "Valor do ICMS Substituição Tributaria"_cp);
  };
  const auto blocoST = [&] {
    gerador_.EscreverCampo(fcTexto, "N18", "modBCST", 1, 1, 1, DeterminacaoBaseIcmsSTParaCodigo(ICMS.modBCST),
                           "Modalidade de determinação da BC do ICMS ST"_cp);
    gerador_.EscreverCampo(fcDecimal2, "N19", "pMVAST", 1, 5, 0, ICMS.pMVAST,
                           "Percentual da margem de valor Adicionado do ICMS ST");
    gerador_.EscreverCampo(fcDecimal2, "N20", "pRedBCST", 1, 5, 0, ICMS.pRedBCST,
                           "Percentual da Redução de BC do ICMS ST"_cp);
    vBCST();
    gerador_.EscreverCampo(fcDecimal2, "N22", "pICMSST", 1, 5, 1, ICMS.pICMSST, "Alíquota do imposto do ICMS ST"_cp);
    vICMSST();
  };
  const auto operacaoPropria = [&] {
    gerador_.EscreverCampo(fcDecimal2, "N25", "pBCOp", 1, 5, 1, ICMS.pBCOp, "Percentual da BC operação própria"_cp);
    gerador_.EscreverCampo(fcTexto, "N24", "UFST", 2, 2, 1, ICMS.UFST, "UF para qual é devido o ICMS ST"_cp);
  };
  const auto retido = [&](std::string_view descricaoBC) {
    gerador_.EscreverCampo(fcDecimal2, "N26", "vBCSTRet", 1, 15, 1, ICMS.vBCSTRet, descricaoBC);
    gerador_.EscreverCampo(fcDecimal2, "N27", "vICMSSTRet", 1, 15, 1, ICMS.vICMSSTRet,
                           "Valor do ICMS Substituição Tributaria Retido"_cp);
  };
  const auto creditoSN = [&] {
    gerador_.EscreverCampo(fcDecimal2, "N29", "pCredSN", 1, 5, 1, ICMS.pCredSN,
                           "Alíquota aplicável de cálculo do crédito (Simples Nacional)."_cp);
    gerador_.EscreverCampo(
        fcDecimal2, "N30", "vCredICMSSN", 1, 15, 1, ICMS.vCredICMSSN,
        "Valor crédito do ICMS que pode ser aproveitado nos termos do art. 23 da LC 123 (Simples Nacional)"_cp);
  };
  const std::string_view descricaoBCSTRet = "Valor da BC do ICMS ST Retido";

  gerador_.EscreverGrupo("ICMS", "N01", true);
  if (NFe.Emit.CRT == crtSimplesNacional) {
    const std::string grupo = "ICMSSN" + CSOSNIcmsParaSufixoGrupo(ICMS.CSOSN);
    gerador_.EscreverGrupo(grupo, "N" + CSOSNIcmsParaSufixoID(ICMS.CSOSN), true);
    orig();
    gerador_.EscreverCampo(fcTexto, "N12a", "CSOSN", 3, 3, 1, CSOSNIcmsParaCodigo(ICMS.CSOSN),
                           "Código de Situação da Operação – Simples Nacional"_cp);
    // Without a CSOSN there is no group of the layout to write.
    if (ICMS.CSOSN == csosnVazio)
      gerador_.RegistrarAlerta("N12a", "CSOSN", "Código de Situação da Operação – Simples Nacional"_cp,
                               kConteudoInvalido);
    switch (ICMS.CSOSN) {
      case csosn101:
        creditoSN();
        break;
      case csosn201:
        blocoST();
        creditoSN();
        break;
      case csosn202:
      case csosn203:
        blocoST();
        break;
      case csosn500:
        retido(descricaoBCSTRet);
        break;
      case csosn900:
        modBC();
        vBC();
        pRedBC(0);
        pICMS();
        vICMS();
        blocoST();
        creditoSN();
        break;
      default:  // 102, 103, 300, 400 and the empty situation: origin and CSOSN only
        break;
    }
    gerador_.EscreverGrupo("/" + grupo, "", true);
  } else {
    // The situation the values call for is stored back, so the model matches the XML.
    const bool operacaoPropriaInformada = !ICMS.UFST.empty() || ICMS.pBCOp != Currency(0);
    if (ICMS.CST == cst41 && (ICMS.vBCSTRet != Currency(0) || ICMS.vICMSSTRet != Currency(0) ||
                              ICMS.vBCSTDest != Currency(0) || ICMS.vICMSSTDest != Currency(0)))
      ICMS.CST = cstRep41;
    if (ICMS.CST == cst10 && operacaoPropriaInformada) ICMS.CST = cstPart10;
    if (ICMS.CST == cst90 && operacaoPropriaInformada) ICMS.CST = cstPart90;

    const std::string grupo = "ICMS" + CSTIcmsParaSufixoGrupo(ICMS.CST);
    gerador_.EscreverGrupo(grupo, "N" + CSTIcmsParaSufixoID(ICMS.CST), true);
    orig();
    gerador_.EscreverCampo(fcTexto, "N12", "CST", 2, 2, 1, CSTIcmsParaCodigo(ICMS.CST),
                           "Código da situação tributária"_cp);
    // Situations of other documents, which have no ICMS group in the NF-e
    // (45 and the empty situation already miss their code).
    if (ICMS.CST == cst80 || ICMS.CST == cst81 || ICMS.CST == cstICMSOutraUF || ICMS.CST == cstICMSSN)
      gerador_.RegistrarAlerta("N12", "CST", "Código da situação tributária"_cp, kConteudoInvalido);
    switch (ICMS.CST) {
      case cst00:
        modBC();
        vBC();
        pICMS();
        vICMS();
        break;
      case cst10:
      case cstPart10: {
        const bool partilha = operacaoPropriaInformada || ICMS.CST == cstPart10;
        modBC();
        vBC();
        if (partilha) pRedBC(0);
        pICMS();
        vICMS();
        blocoST();
        if (partilha) operacaoPropria();
        break;
      }
      case cst20:
        modBC();
        pRedBC(1);
        vBC();
        pICMS();
        vICMS();
        break;
      case cst30:
        blocoST();
        break;
      case cst40:
      case cst41:
      case cst50:
        gerador_.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 0, ICMS.vICMS, "Valor do ICMS");
        if (Positivo(ICMS.vICMS))
          gerador_.EscreverCampo(fcTexto, "N28", "motDesICMS", 1, 1, 0,
                                 MotivoDesoneracaoICMSParaCodigo(ICMS.motDesICMS), "Motivo da desoneração do ICMS"_cp);
        break;
      case cst51:
        gerador_.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 0, DeterminacaoBaseIcmsParaCodigo(ICMS.modBC),
                               "Modalidade de determinação da BC do ICMS"_cp);
        pRedBC(0);
        gerador_.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 0, ICMS.vBC, "Valor da BC do ICMS");
        gerador_.EscreverCampo(fcDecimal2, "N16", "pICMS", 1, 5, 0, ICMS.pICMS, "Alíquota do imposto"_cp);
        gerador_.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 0, ICMS.vICMS, "Valor do ICMS");
        break;
      case cst60:
        if (Leiaute200()) {
          retido(descricaoBCSTRet);
        } else {
          vBCST();
          vICMSST();
        }
        break;
      case cst70:
        modBC();
        pRedBC(1);
        vBC();
        pICMS();
        vICMS();
        blocoST();
        break;
      case cst90:
      case cstPart90: {
        const bool partilha = operacaoPropriaInformada || ICMS.CST == cstPart90;
        modBC();
        vBC();
        pRedBC(0);
        pICMS();
        vICMS();
        blocoST();
        if (partilha) operacaoPropria();
        break;
      }
      case cstRep41:
        retido("BC do ICMS ST retido");
        gerador_.EscreverCampo(fcDecimal2, "N31", "vBCSTDest", 1, 15, 1, ICMS.vBCSTDest,
                               "BC do ICMS ST da UF de destino");
        gerador_.EscreverCampo(fcDecimal2, "N32", "vICMSSTDest", 1, 15, 1, ICMS.vICMSSTDest,
                               "BC do ICMS ST da UF de destino");
        break;
      default:  // 45, 80, 81, 91, SN and the empty situation: origin and CST only
        break;
    }
    gerador_.EscreverGrupo("/" + grupo, "", true);
  }
  gerador_.EscreverGrupo("/ICMS", "", true);
}

void TNFeW::MontarIPI(int i) {
  TIPI& IPI = NFe.Det.Items(i).Imposto.IPI;
  const bool tributado = IpiTributado(IPI.CST);
  if (!tributado && !opcoes_.GerarTagIPIparaNaoTributado) return;
  if (IPI.cEnq.empty() && IPI.CST == ipi00 && IPI.vBC == Currency(0) && IPI.qUnid == Currency(0) &&
      IPI.vUnid == Currency(0) && IPI.pIPI == Currency(0) && IPI.vIPI == Currency(0))
    return;  // an item without IPI data

  gerador_.EscreverGrupo("IPI", "O01", true);
  gerador_.EscreverCampo(fcTexto, "O02", "clEnq", 5, 5, 0, IPI.clEnq,
                         "Classe de enquadramento do IPI para Cigarros e Bebidas");
  gerador_.EscreverCampo(fcTexto, "O03", "CNPJProd", 14, 14, 0, IPI.CNPJProd,
                         "CNPJ do produtor da mercadoria, quando diferente do emitente");
  gerador_.EscreverCampo(fcTexto, "O04", "cSelo", 1, 60, 0, IPI.cSelo, "Código do selo"_cp);
  gerador_.EscreverCampo(fcInteiro, "O05", "qSelo", 1, 12, 0, IPI.qSelo, "Quantidade de selo de controle");
  if (IPI.cEnq.empty()) IPI.cEnq = "999";
  gerador_.EscreverCampo(fcTexto, "O06", "cEnq", 3, 3, 1, IPI.cEnq, "Código de Enquadramento Legal do IPI"_cp);
  const auto cst = [&] {
    gerador_.EscreverCampo(fcTexto, "O09", "CST", 2, 2, 1, CstIpiParaCodigo(IPI.CST),
                           "Código da situação tributária"_cp);
  };
  if (!tributado) {
    gerador_.EscreverGrupo("IPINT", "O08", true);
    cst();
    gerador_.EscreverGrupo("/IPINT", "", true);
  } else {
    const bool aliquota = SomaPositiva(IPI.vBC, IPI.pIPI);
    const bool quantidade = SomaPositiva(IPI.qUnid, IPI.vUnid);
    if (aliquota && quantidade)
      gerador_.RegistrarAlerta(
          "O07", "IPITrib", "IPI Tributável"_cp,
          "As TAG <vBC> e <pIPI> não podem ser informadas em conjunto com as TAG <qUnid> e <vUnid>"_cp);
    gerador_.EscreverGrupo("IPITrib", "O07", true);
    cst();
    if (quantidade) {
      gerador_.EscreverCampo(
          fcDecimal4, "O11", "qUnid", 1, 16, 1, IPI.qUnid,
          "Quantidade total na unidade padrão para tributação (somente para os produtos tributados por unidade)"_cp);
      gerador_.EscreverCampo(fcDecimal4, "O12", "vUnid", 1, 15, 1, IPI.vUnid, "Valor por Unidade Tributável"_cp);
    } else {
      gerador_.EscreverCampo(fcDecimal2, "O10", "vBC", 1, 15, 1, IPI.vBC, "Valor da BC do ICMS");
      gerador_.EscreverCampo(fcDecimal2, "O13", "pIPI", 1, 5, 1, IPI.pIPI, "Alíquota do IPI"_cp);
    }
    gerador_.EscreverCampo(fcDecimal2, "O14", "vIPI", 1, 15, 1, IPI.vIPI,
                           "Valor do Imposto sobre Produtos Industrializados");
    gerador_.EscreverGrupo("/IPITrib", "", true);
  }
  gerador_.EscreverGrupo("/IPI", "", true);
}

void TNFeW::MontarII(int i) {
  const TII& II = NFe.Det.Items(i).Imposto.II;
  if (!Positivo(II.vII)) return;
  gerador_.EscreverGrupo("II", "P01", true);
  gerador_.EscreverCampo(fcDecimal2, "P02", "vBC", 1, 15, 1, II.vBc, "Valor da BC do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "P03", "vDespAdu", 1, 15, 1, II.vDespAdu, "Valor das despesas aduaneiras");
  gerador_.EscreverCampo(fcDecimal2, "P04", "vII", 1, 15, 1, II.vII, "Valor do Imposto de Importação"_cp);
  gerador_.EscreverCampo(fcDecimal2, "P05", "vIOF", 1, 15, 1, II.vIOF,
                         "Valor do Imposto sobre operações Financeiras"_cp);
  gerador_.EscreverGrupo("/II", "", true);
}

namespace {

// ---- PIS and COFINS: one writer, one row per tax ----

// How a PIS or COFINS situation is written: by rate, by quantity, not taxed,
// or any other (by quantity when it has one, else by rate).
enum class FormaContribuicao { Aliquota, Quantidade, NaoTributada, Outras };

// The values of a PIS or COFINS group (or of its ST group), as the model holds them.
struct ValoresContribuicao {
  Currency vBC, aliquota, qBCProd, vAliqProd, valor;
};

// A tax's rows of the layout: its group IDs, tag names and descriptions.
struct LeiauteContribuicao {
  std::string_view nome;                          // the group's tag ("PIS")
  std::string_view tagAliquota;                   // "pPIS"
  std::string_view descAliquota;                  // its description
  std::string_view tagValor;                      // "vPIS"
  std::string_view descValor;                     // its description
  std::string_view idGrupo;                       // the tax's group
  std::string_view idAliq, idQtde, idNT, idOutr;  // the groups of each form
  std::string_view idCST, idVBC, idAliquota, idValor, idQBCProd, idVAliqProd;
  std::string_view idST;  // the ST group
  std::string_view idVBCST, idAliquotaST, idQBCProdST, idVAliqProdST, idValorST;
};

// clang-format off
constexpr LeiauteContribuicao kPIS = {
    "PIS", "pPIS", "Alíquota do PIS (em percentual)"_cp, "vPIS", "Valor do PIS",
    "Q01", "Q02", "Q03", "Q04", "Q05",
    "Q06", "Q07", "Q08", "Q09", "Q10", "Q11",
    "R01", "R02", "R03", "R04", "R05", "R06",
};
constexpr LeiauteContribuicao kCOFINS = {
    "COFINS", "pCOFINS", "Alíquota da COFINS (em percentual)"_cp, "vCOFINS", "Valor do COFINS",
    "S01", "S02", "S03", "S04", "S05",
    "S06", "S07", "S08", "S11", "S09", "S10",
    "T01", "T02", "T03", "T04", "T05", "T06",
};
// clang-format on

// Both taxes share this description of their "other operations" and ST groups.
constexpr std::string_view kGrupoOutras = "Grupo PIS outras operações"_cp;

std::string Juntas(const LeiauteContribuicao& t) {
  return "As TAG <vBC> e <" + std::string(t.tagAliquota) +
         std::string("> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>"_cp);
}

void EscreverContribuicao(TGerador& g, const LeiauteContribuicao& t, FormaContribuicao forma, std::string_view cst,
                          const ValoresContribuicao& v) {
  const auto aliquota = [&] {
    g.EscreverCampo(fcDecimal2, t.idVBC, "vBC", 1, 15, 1, v.vBC, "Valor da BC do ICMS");
    g.EscreverCampo(fcDecimal2, t.idAliquota, t.tagAliquota, 1, 5, 1, v.aliquota, t.descAliquota);
  };
  const auto quantidade = [&] {
    g.EscreverCampo(fcDecimal4, t.idQBCProd, "qBCProd", 1, 16, 1, v.qBCProd, "BC da CIDE");
    g.EscreverCampo(fcDecimal4, t.idVAliqProd, "vAliqProd", 1, 15, 1, v.vAliqProd, "Valor da alíquota (em reais)"_cp);
  };
  const std::string nome(t.nome);
  const auto grupo = [&](std::string_view sufixo, std::string_view id, auto&& campos) {
    g.EscreverGrupo(nome + std::string(sufixo), id, true);
    g.EscreverCampo(fcTexto, t.idCST, "CST", 2, 2, 1, cst, "Código da situação tributária"_cp);
    campos();
    g.EscreverGrupo("/" + nome + std::string(sufixo), "", true);
  };
  const auto valor = [&] { g.EscreverCampo(fcDecimal2, t.idValor, t.tagValor, 1, 15, 1, v.valor, t.descValor); };

  g.EscreverGrupo(nome, t.idGrupo, true);
  switch (forma) {
    case FormaContribuicao::Aliquota:
      grupo("Aliq", t.idAliq, [&] {
        aliquota();
        valor();
      });
      break;
    case FormaContribuicao::Quantidade:
      grupo("Qtde", t.idQtde, [&] {
        quantidade();
        valor();
      });
      break;
    case FormaContribuicao::NaoTributada:
      grupo("NT", t.idNT, [] {});
      break;
    case FormaContribuicao::Outras: {
      const bool porQuantidade = SomaPositiva(v.qBCProd, v.vAliqProd);
      if (SomaPositiva(v.vBC, v.aliquota) && porQuantidade)
        g.RegistrarAlerta(t.idOutr, nome + "Outr", kGrupoOutras, Juntas(t));
      grupo("Outr", t.idOutr, [&] {
        if (porQuantidade)
          quantidade();
        else
          aliquota();
        valor();
      });
    }
  }
  g.EscreverGrupo("/" + nome, "", true);
}

// The ST group: written by rate and by quantity when both are given (with an
// alert), and only with an alert when neither is.
void EscreverContribuicaoST(TGerador& g, const LeiauteContribuicao& t, const ValoresContribuicao& v) {
  if (!AlgumPositivo({v.vBC, v.aliquota, v.qBCProd, v.vAliqProd, v.valor})) return;
  const bool aliquota = SomaPositiva(v.vBC, v.aliquota);
  const bool quantidade = SomaPositiva(v.qBCProd, v.vAliqProd);
  const std::string nome = std::string(t.nome) + "ST";
  // Without either form the values given have no group to go in.
  if (!aliquota && !quantidade)
    g.RegistrarAlerta(
        t.idST, nome, kGrupoOutras,
        "As TAG <vBC> e <" + std::string(t.tagAliquota) + "> ou as TAG <qBCProd> e <vAliqProd> devem ser informadas");
  if (aliquota && quantidade) g.RegistrarAlerta(t.idST, nome, kGrupoOutras, Juntas(t));
  const auto grupo = [&](auto&& campos) {
    g.EscreverGrupo(nome, t.idST, true);
    campos();
    g.EscreverCampo(fcDecimal2, t.idValorST, t.tagValor, 1, 15, 1, v.valor, t.descValor);
    g.EscreverGrupo("/" + nome, "", true);
  };
  if (aliquota)
    grupo([&] {
      g.EscreverCampo(fcDecimal2, t.idVBCST, "vBC", 1, 15, 1, v.vBC, "Valor da BC do ICMS");
      g.EscreverCampo(fcDecimal2, t.idAliquotaST, t.tagAliquota, 1, 5, 1, v.aliquota, t.descAliquota);
    });
  if (quantidade)
    grupo([&] {
      g.EscreverCampo(fcDecimal4, t.idQBCProdST, "qBCProd", 1, 16, 1, v.qBCProd, "BC da CIDE");
      g.EscreverCampo(fcDecimal4, t.idVAliqProdST, "vAliqProd", 1, 15, 1, v.vAliqProd,
                      "Valor da alíquota (em reais)"_cp);
    });
}

}  // namespace

template <class CST>
FormaContribuicao FormaDaContribuicao(CST cst, CST aliq1, CST aliq2, CST qtde,
                                      std::initializer_list<CST> naoTributadas) {
  if (cst == aliq1 || cst == aliq2) return FormaContribuicao::Aliquota;
  if (cst == qtde) return FormaContribuicao::Quantidade;
  for (const CST n : naoTributadas)
    if (cst == n) return FormaContribuicao::NaoTributada;
  return FormaContribuicao::Outras;
}

void TNFeW::MontarPIS(int i) {
  const TPIS& p = NFe.Det.Items(i).Imposto.PIS;
  EscreverContribuicao(gerador_, kPIS,
                       FormaDaContribuicao(p.CST, pis01, pis02, pis03, {pis04, pis06, pis07, pis08, pis09}),
                       CstPisParaCodigo(p.CST), {p.vBC, p.pPIS, p.qBCProd, p.vAliqProd, p.vPIS});
}

void TNFeW::MontarPISST(int i) {
  const TPISST& p = NFe.Det.Items(i).Imposto.PISST;
  EscreverContribuicaoST(gerador_, kPIS, {p.vBc, p.pPis, p.qBCProd, p.vAliqProd, p.vPIS});
}

void TNFeW::MontarCOFINS(int i) {
  const TCOFINS& c = NFe.Det.Items(i).Imposto.COFINS;
  EscreverContribuicao(gerador_, kCOFINS,
                       FormaDaContribuicao(c.CST, cof01, cof02, cof03, {cof04, cof06, cof07, cof08, cof09}),
                       CstCofinsParaCodigo(c.CST), {c.vBC, c.pCOFINS, c.qBCProd, c.vAliqProd, c.vCOFINS});
}

void TNFeW::MontarCOFINSST(int i) {
  const TCOFINSST& c = NFe.Det.Items(i).Imposto.COFINSST;
  EscreverContribuicaoST(gerador_, kCOFINS, {c.vBC, c.pCOFINS, c.qBCProd, c.vAliqProd, c.vCOFINS});
}

void TNFeW::MontarISSQN(int i) {
  const TISSQN& ISSQN = NFe.Det.Items(i).Imposto.ISSQN;
  // A service item has no other place for its tax, even with zero values.
  if (ISSQN.cSitTrib == ISSQNcSitTribVazio && !IssqnInformado(ISSQN)) return;
  gerador_.EscreverGrupo("ISSQN", "U01", true);
  gerador_.EscreverCampo(fcDecimal2, "U02", "vBC", 1, 15, 1, ISSQN.vBC, "Valor da BC do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "U03", "vAliq", 1, 5, 1, ISSQN.vAliq, "Alíuota"_cp);
  gerador_.EscreverCampo(fcDecimal2, "U04", "vISSQN", 1, 15, 1, ISSQN.vISSQN,
                         "Valor do Imposto sobre Serviço de Qualquer Natureza"_cp);
  gerador_.EscreverCampo(fcInteiro, "U05", "cMunFG", 7, 7, 1, ISSQN.cMunFG, "Código do Município FG"_cp);
  if (!ConferirCodigoMunicipio(ISSQN.cMunFG))
    gerador_.RegistrarAlerta("U05", "cMunFG", "Código do Município FG"_cp, kConteudoInvalido);
  gerador_.EscreverCampo(fcInteiro, "U06", "cListServ", 3, 4, 1, ISSQN.cListServ, "Lista Prestação de Serviços"_cp);
  // A required integer is written even when 0, but 0 is no service of the list.
  if (ISSQN.cListServ == 0)
    gerador_.RegistrarAlerta("U06", "cListServ", "Lista Prestação de Serviços"_cp, kNenhumValor);
  else if (opcoes_.ValidarListaServicos && !ConferirItemServico(ISSQN.cListServ))
    gerador_.RegistrarAlerta("U06", "cListServ", "Lista Prestação de Serviços"_cp, kConteudoInvalido);
  if (Leiaute200())
    gerador_.EscreverCampo(fcTexto, "U07", "cSitTrib", 1, 1, 1, ISSQNcSitTribParaCodigo(ISSQN.cSitTrib),
                           "Código de Tributação do ISSQN"_cp);
  gerador_.EscreverGrupo("/ISSQN", "", true);
}

// ---------------------------------------------------------------- totals

void TNFeW::MontarTotal() {
  gerador_.EscreverGrupo("total", "W01", true);
  MontarICMSTot();
  MontarISSQNtot();
  MontarRetTrib();
  gerador_.EscreverGrupo("/total", "", true);
}

void TNFeW::MontarICMSTot() {
  const TICMSTot& t = NFe.Total.ICMSTot;
  gerador_.EscreverGrupo("ICMSTot", "W02", true);
  gerador_.EscreverCampo(fcDecimal2, "W03", "vBC", 1, 15, 1, t.vBC, "Valor da BC do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "W04", "vICMS", 1, 15, 1, t.vICMS, "Valor do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "W05", "vBCST", 1, 15, 1, t.vBCST, "Valor da BC do ICMS ST");
  gerador_.EscreverCampo(fcDecimal2, "W06", "vST", 1, 15, 1, t.vST, "Valor TOTAL Icms substituição Tributária"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W07", "vProd", 1, 15, 1, t.vProd,
                         "Valor Total Bruto dos Produtos ou Serviços"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W08", "vFrete", 1, 15, 1, t.vFrete, "Valor Total do Frete");
  gerador_.EscreverCampo(fcDecimal2, "W09", "vSeg", 1, 15, 1, t.vSeg, "Valor Total do Seguro");
  gerador_.EscreverCampo(fcDecimal2, "W10", "vDesc", 1, 15, 1, t.vDesc, "Valor do desconto");
  gerador_.EscreverCampo(fcDecimal2, "W11", "vII", 1, 15, 1, t.vII, "Valor do Imposto de Importação"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W12", "vIPI", 1, 15, 1, t.vIPI,
                         "Valor do Imposto sobre Produtos Industrializados");
  gerador_.EscreverCampo(fcDecimal2, "W13", "vPIS", 1, 15, 1, t.vPIS, "Valor do PIS");
  gerador_.EscreverCampo(fcDecimal2, "W14", "vCOFINS", 1, 15, 1, t.vCOFINS, "Valor do COFINS");
  gerador_.EscreverCampo(fcDecimal2, "W15", "vOutro", 1, 15, 1, t.vOutro, "Outras Despesas Acessórias"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W16", "vNF", 1, 15, 1, t.vNF, "Valor Total da NF-e");
  gerador_.EscreverGrupo("/ICMSTot", "", true);
}

void TNFeW::MontarISSQNtot() {
  const TISSQNtot& t = NFe.Total.ISSQNtot;
  if (!AlgumPositivo({t.vServ, t.vBC, t.vISS, t.vPIS, t.vCOFINS})) return;
  gerador_.EscreverGrupo("ISSQNtot", "W17", true);
  gerador_.EscreverCampo(
      fcDecimal2, "W18", "vServ", 1, 15, 0, t.vServ,
      "Valor total dos Serviços sob não incidência ou não Tributados pelo ICMS  / Valor do Serviço"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W19", "vBC", 1, 15, 0, t.vBC, "Valor da BC do ICMS");
  gerador_.EscreverCampo(fcDecimal2, "W20", "vISS", 1, 15, 0, t.vISS, "Valor do Imposto sobre Serviço"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W21", "vPIS", 1, 15, 0, t.vPIS, "Valor do PIS");
  gerador_.EscreverCampo(fcDecimal2, "W22", "vCOFINS", 1, 15, 0, t.vCOFINS, "Valor do COFINS");
  gerador_.EscreverGrupo("/ISSQNtot", "", true);
}

void TNFeW::MontarRetTrib() {
  const TretTrib& t = NFe.Total.retTrib;
  if (!AlgumPositivo({t.vRetPIS, t.vRetCOFINS, t.vRetCSLL, t.vBCIRRF, t.vIRRF, t.vBCRetPrev, t.vRetPrev})) return;
  gerador_.EscreverGrupo("retTrib", "W23", true);
  gerador_.EscreverCampo(fcDecimal2, "W24", "vRetPIS", 1, 15, 0, t.vRetPIS, "Valor Retido do PIS");
  gerador_.EscreverCampo(fcDecimal2, "W25", "vRetCOFINS", 1, 15, 0, t.vRetCOFINS, "Valor Retido do COFINS");
  gerador_.EscreverCampo(fcDecimal2, "W26", "vRetCSLL", 1, 15, 0, t.vRetCSLL,
                         "Valor Retido da CONTRIBUIÇÃO SOCIAL SOBRE O LUCRO LÍQUIDO"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W27", "vBCIRRF", 1, 15, 0, t.vBCIRRF, "Base de Cálculo do IRRF"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W28", "vIRRF", 1, 15, 0, t.vIRRF, "Valor do Imposto de Renda Retido na Fonte");
  gerador_.EscreverCampo(fcDecimal2, "W29", "vBCRetPrev", 1, 15, 0, t.vBCRetPrev,
                         "Base de Cálculo da Retenção da Previdência Social"_cp);
  gerador_.EscreverCampo(fcDecimal2, "W30", "vRetPrev", 1, 15, 0, t.vRetPrev,
                         "Valor da Retenção da Previdência Social"_cp);
  gerador_.EscreverGrupo("/retTrib", "", true);
}

// ---------------------------------------------------------------- transport

void TNFeW::MontarTransp() {
  const TTransp& Transp = NFe.Transp;
  gerador_.EscreverGrupo("transp", "X01", true);
  gerador_.EscreverCampo(fcTexto, "X02", "modFrete", 1, 1, 1, ModalidadeFreteParaCodigo(Transp.modFrete),
                         "Modalidade do Frete");
  MontarTransporta();
  MontarRetTransp();
  MontarVeicTransp();
  MontarReboque();
  gerador_.EscreverCampo(fcTexto, "X25a", "vagao", 1, 20, 0, Transp.vagao, "Identificação do vagão"_cp);
  gerador_.EscreverCampo(fcTexto, "X25b", "balsa", 1, 20, 0, Transp.balsa, "Identificação da balsa"_cp);
  MontarVol();
  gerador_.EscreverGrupo("/transp", "", true);
}

void TNFeW::MontarTransporta() {
  const TTransporta& t = NFe.Transp.Transporta;
  if (Vazio(t.CNPJCPF) && Vazio(t.xNome) && Vazio(t.IE) && Vazio(t.xEnder) && Vazio(t.xMun) && Vazio(t.UF)) return;
  gerador_.EscreverGrupo("transporta", "X03", true);
  if (!Vazio(t.CNPJCPF)) gerador_.EscreverCNPJCPF("X04", "X05", t.CNPJCPF, 1058);
  gerador_.EscreverCampo(fcTexto, "X06", "xNome", 1, 60, 0, t.xNome, "Razão Social ou Nome"_cp);
  if (Trim(t.IE) != "ISENTO") {
    gerador_.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, ExtrairDigitos(t.IE), "Inscrição Estadual"_cp);
    if (opcoes_.ValidarInscricoes && !t.IE.empty() && !ConferirInscricaoEstadual(t.IE, t.UF, true))
      gerador_.RegistrarAlerta("X07", "IE", "Inscrição Estadual"_cp, kConteudoInvalido);
  } else {
    gerador_.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, t.IE, "Inscrição Estadual"_cp);
  }
  gerador_.EscreverCampo(fcTexto, "X08", "xEnder", 1, 60, 0, t.xEnder, "Endereço Completo"_cp);
  gerador_.EscreverCampo(fcTexto, "X09", "xMun", 1, 60, 0, t.xMun, "Nome do Município"_cp);
  if (!Vazio(t.UF)) {
    gerador_.EscreverCampo(fcTexto, "X10", "UF", 1, 2, 0, t.UF, "Sigla da UF");
    if (!ConferirSiglaUF(t.UF)) gerador_.RegistrarAlerta("X10", "UF", "Sigla da UF", kConteudoInvalido);
  }
  gerador_.EscreverGrupo("/transporta", "", true);
}

void TNFeW::MontarRetTransp() {
  const TretTransp& r = NFe.Transp.retTransp;
  if (!AlgumPositivo({r.vServ, r.vBCRet, r.pICMSRet, r.vICMSRet}) && Vazio(r.CFOP) && r.cMunFG <= 0) return;
  gerador_.EscreverGrupo("retTransp", "X11", true);
  gerador_.EscreverCampo(
      fcDecimal2, "X12", "vServ", 1, 15, 1, r.vServ,
      "Valor total dos Serviços sob não incidência ou não Tributados pelo ICMS  / Valor do Serviço"_cp);
  gerador_.EscreverCampo(fcDecimal2, "X13", "vBCRet", 1, 15, 1, r.vBCRet, "BC da Retenção do ICMS"_cp);
  gerador_.EscreverCampo(fcDecimal2, "X14", "pICMSRet", 1, 5, 1, r.pICMSRet, "Alíquota da Retenção"_cp);
  gerador_.EscreverCampo(fcDecimal2, "X15", "vICMSRet", 1, 15, 1, r.vICMSRet, "Valor do ICMS Retido");
  gerador_.EscreverCampo(fcNumerico, "X16", "CFOP", 4, 4, 1, ExtrairDigitos(r.CFOP), "CFOP");
  gerador_.EscreverCampo(fcTexto, "X17", "cMunFG", 7, 7, 1, std::to_string(r.cMunFG), "Código do Município FG"_cp);
  if (!ConferirCodigoMunicipio(r.cMunFG))
    gerador_.RegistrarAlerta("X17", "cMunFG", "Código do Município FG"_cp, kConteudoInvalido);
  gerador_.EscreverGrupo("/retTransp", "", true);
}

void TNFeW::MontarVeicTransp() {
  const TveicTransp& v = NFe.Transp.veicTransp;
  if (Vazio(v.placa) && Vazio(v.UF) && Vazio(v.RNTC)) return;
  gerador_.EscreverGrupo("veicTransp", "X18", true);
  gerador_.EscreverCampo(fcTexto, "X19", "placa", 1, 8, 1, v.placa, "Placa do Veículo"_cp);
  gerador_.EscreverCampo(fcTexto, "X20", "UF", 2, 2, 1, v.UF, "Sigla da UF");
  if (!ConferirSiglaUF(v.UF)) gerador_.RegistrarAlerta("X20", "UF", "Sigla da UF", kConteudoInvalido);
  gerador_.EscreverCampo(fcTexto, "X21", "RNTC", 1, 20, 0, v.RNTC,
                         "Registro Nacional de Transportador de Carga (ANTT)");
  gerador_.EscreverGrupo("/veicTransp", "", true);
}

void TNFeW::MontarReboque() {
  const TreboqueCollection& Reboque = NFe.Transp.Reboque;
  if (Reboque.Count() > 5) gerador_.RegistrarAlerta("X22", "reboque", "Reboque", MaximoDeOcorrencias(5));
  for (int k = 0; k < Reboque.Count(); ++k) {
    const TreboqueCollectionItem& r = Reboque.Items(k);
    gerador_.EscreverGrupo("reboque", "X22", true);
    gerador_.EscreverCampo(fcTexto, "X23", "placa", 1, 8, 1, r.placa, "Placa do Veículo"_cp);
    gerador_.EscreverCampo(fcTexto, "X24", "UF", 2, 2, 1, r.UF, "Sigla da UF");
    if (!ConferirSiglaUF(r.UF)) gerador_.RegistrarAlerta("X24", "UF", "Sigla da UF", kConteudoInvalido);
    gerador_.EscreverCampo(fcTexto, "X25", "RNTC", 1, 20, 0, r.RNTC,
                           "Registro Nacional de Transportador de Carga (ANTT)");
    gerador_.EscreverGrupo("/reboque", "", true);
  }
}

void TNFeW::MontarVol() {
  const TVolCollection& Vol = NFe.Transp.Vol;
  for (int v = 0; v < Vol.Count(); ++v) {
    const TVolCollectionItem& vol = Vol.Items(v);
    gerador_.EscreverGrupo("vol", "X26", true);
    gerador_.EscreverCampo(fcInteiro, "X27", "qVol", 1, 15, 0, vol.qVol, "Quantidade de volumes transportados");
    gerador_.EscreverCampo(fcTexto, "X28", "esp", 1, 60, 0, vol.esp, "Espécie dos volumes transportados"_cp);
    gerador_.EscreverCampo(fcTexto, "X29", "marca", 1, 60, 0, vol.marca, "Marca dos volumes transportados");
    gerador_.EscreverCampo(fcTexto, "X30", "nVol", 1, 60, 0, vol.nVol, "Numeração dos volumes transportados"_cp);
    gerador_.EscreverCampo(fcDecimal3, "X31", "pesoL", 1, 15, 0, vol.pesoL, "Peso Líquido (em kg)"_cp);
    gerador_.EscreverCampo(fcDecimal3, "X32", "pesoB", 1, 15, 0, vol.pesoB, "Peso Bruto (em kg)");
    MontarLacres(v);
    gerador_.EscreverGrupo("/vol", "", true);
  }
}

void TNFeW::MontarLacres(int v) {
  const TLacresCollection& Lacres = NFe.Transp.Vol.Items(v).Lacres;
  for (int k = 0; k < Lacres.Count(); ++k) {
    gerador_.EscreverGrupo("lacres", "X33", true);
    gerador_.EscreverCampo(fcTexto, "X34", "nLacre", 1, 60, 1, Lacres.Items(k).nLacre, "Número dos Lacres"_cp);
    gerador_.EscreverGrupo("/lacres", "", true);
  }
}

// ---------------------------------------------------------------- billing

void TNFeW::MontarCobr() {
  const TFat& Fat = NFe.Cobr.Fat;
  if (Vazio(Fat.nFat) && !AlgumPositivo({Fat.vOrig, Fat.vDesc, Fat.vLiq}) && NFe.Cobr.Dup.Count() == 0) return;
  gerador_.EscreverGrupo("cobr", "Y01", true);
  MontarFat();
  MontarDup();
  gerador_.EscreverGrupo("/cobr", "", true);
}

void TNFeW::MontarFat() {
  const TFat& Fat = NFe.Cobr.Fat;
  if (Vazio(Fat.nFat) && !AlgumPositivo({Fat.vOrig, Fat.vDesc, Fat.vLiq})) return;
  gerador_.EscreverGrupo("fat", "Y02", true);
  gerador_.EscreverCampo(fcTexto, "Y03", "nFat", 1, 60, 0, Fat.nFat, "Número da fatura"_cp);
  gerador_.EscreverCampo(fcDecimal2, "Y04", "vOrig", 1, 15, 0, Fat.vOrig, "Valor Original da Fatura");
  gerador_.EscreverCampo(fcDecimal2, "Y05", "vDesc", 1, 15, 0, Fat.vDesc, "Valor do desconto");
  gerador_.EscreverCampo(fcDecimal2, "Y06", "vLiq", 1, 15, 0, Fat.vLiq, "Valor Líquido da Fatura"_cp);
  gerador_.EscreverGrupo("/fat", "", true);
}

void TNFeW::MontarDup() {
  const TDupCollection& Dup = NFe.Cobr.Dup;
  for (int k = 0; k < Dup.Count(); ++k) {
    const TDupCollectionItem& d = Dup.Items(k);
    gerador_.EscreverGrupo("dup", "Y07", true);
    gerador_.EscreverCampo(fcTexto, "Y08", "nDup", 1, 60, 0, d.nDup, "Número da duplicata"_cp);
    gerador_.EscreverCampo(fcData, "Y09", "dVenc", 10, 10, 0, ValorData(d.dVenc), "Data de vencimento");
    gerador_.EscreverCampo(fcDecimal2, "Y10", "vDup", 1, 15, 0, d.vDup, "Valor da duplicata");
    // Optional for the field writer, so a zero value is left out; the layout requires it.
    if (d.vDup == Currency(0)) gerador_.RegistrarAlerta("Y10", "vDup", "Valor da duplicata", kNenhumValor);
    gerador_.EscreverGrupo("/dup", "", true);
  }
}

// ---------------------------------------------------------------- additional information

void TNFeW::MontarInfAdic() {
  const TInfAdic& InfAdic = NFe.InfAdic;
  if (Vazio(InfAdic.infAdFisco) && Vazio(InfAdic.infCpl) && InfAdic.obsCont.Count() == 0 &&
      InfAdic.obsFisco.Count() == 0 && InfAdic.procRef.Count() == 0)
    return;
  gerador_.EscreverGrupo("infAdic", "Z01", true);
  gerador_.EscreverCampo(fcTexto, "Z02", "infAdFisco", 1, 2000, 0, InfAdic.infAdFisco,
                         "Informações adicionais de interesse do Fisco"_cp);
  gerador_.EscreverCampo(fcTexto, "Z03", "infCpl", 1, 5000, 0, InfAdic.infCpl,
                         "Informações complementares de interesse do contribuinte"_cp);
  MontarObsCont();
  MontarObsFisco();
  MontarProcRef();
  gerador_.EscreverGrupo("/infAdic", "", true);
}

void TNFeW::MontarObsCont() {
  const TobsContCollection& obsCont = NFe.InfAdic.obsCont;
  if (obsCont.Count() > 10)
    gerador_.RegistrarAlerta("Z04", "obsCont", "Observações de interesse do contribuite"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < obsCont.Count(); ++k) {
    const TobsContCollectionItem& o = obsCont.Items(k);
    const std::string xCampo = Trim(o.xCampo);
    gerador_.EscreverGrupo("obsCont xCampo=\"" + AtributoXCampo(xCampo, gerador_.Opcoes().RetirarAcentos) + "\"", "Z04",
                           true);
    if (xCampo.size() > 20)
      gerador_.RegistrarAlerta("Z05", "xCampo", "Identificação do Campo"_cp, kMaiorQueMaximo);
    else if (xCampo.empty())
      gerador_.RegistrarAlerta("Z05", "xCampo", "Identificação do Campo"_cp, kNenhumValor);
    gerador_.EscreverCampo(fcTexto, "Z06", "xTexto", 1, 60, 1, o.xTexto, "Conteúdo do Campo"_cp);
    gerador_.EscreverGrupo("/obsCont", "", true);
  }
}

void TNFeW::MontarObsFisco() {
  const TobsFiscoCollection& obsFisco = NFe.InfAdic.obsFisco;
  if (obsFisco.Count() > 10)
    gerador_.RegistrarAlerta("Z07", "obsFisco", "Observações de interesse do fisco"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < obsFisco.Count(); ++k) {
    const TobsFiscoCollectionItem& o = obsFisco.Items(k);
    const std::string xCampo = Trim(o.xCampo);
    gerador_.EscreverGrupo("obsFisco xCampo=\"" + AtributoXCampo(xCampo, gerador_.Opcoes().RetirarAcentos) + "\"",
                           "Z07", true);
    if (xCampo.size() > 20)
      gerador_.RegistrarAlerta("Z08", "xCampo", "Identificação do Campo"_cp, kMaiorQueMaximo);
    else if (xCampo.empty())
      gerador_.RegistrarAlerta("Z08", "xCampo", "Identificação do Campo"_cp, kNenhumValor);
    gerador_.EscreverCampo(fcTexto, "Z09", "xTexto", 1, 60, 1, o.xTexto, "Conteúdo do Campo"_cp);
    gerador_.EscreverGrupo("/obsFisco", "", true);
  }
}

void TNFeW::MontarProcRef() {
  const TprocRefCollection& procRef = NFe.InfAdic.procRef;
  for (int k = 0; k < procRef.Count(); ++k) {
    const TprocRefCollectionItem& p = procRef.Items(k);
    gerador_.EscreverGrupo("procRef", "Z10", true);
    gerador_.EscreverCampo(fcTexto, "Z11", "nProc", 1, 60, 1, p.nProc,
                           "Identificador do processo ou ato concessório"_cp);
    gerador_.EscreverCampo(fcTexto, "Z12", "indProc", 1, 1, 1, IndicadorProcessoParaCodigo(p.indProc),
                           "Indicador da origem do processo");
    gerador_.EscreverGrupo("/procRef", "", true);
  }
}

// ---------------------------------------------------------------- export, purchase, sugar cane

void TNFeW::MontarExporta() {
  const TExporta& e = NFe.exporta;
  if (Vazio(e.UFembarq) && Vazio(e.xLocEmbarq)) return;
  gerador_.EscreverGrupo("exporta", "ZA01", true);
  gerador_.EscreverCampo(fcTexto, "ZA02", "UFEmbarq", 2, 2, 1, e.UFembarq,
                         "Sigla da UF onde ocorrerá o embarque dos produtos"_cp);
  if (!ConferirSiglaUF(e.UFembarq))
    gerador_.RegistrarAlerta("ZA02", "UFEmbarq", "Sigla da UF onde ocorrerá o embarque dos produtos"_cp,
                             kConteudoInvalido);
  gerador_.EscreverCampo(fcTexto, "ZA03", "xLocEmbarq", 1, 60, 1, e.xLocEmbarq,
                         "Local onde ocorrerá o embarque dos produtos"_cp);
  gerador_.EscreverGrupo("/exporta", "", true);
}

void TNFeW::MontarCompra() {
  const TCompra& c = NFe.compra;
  if (Vazio(c.xNEmp) && Vazio(c.xPed) && Vazio(c.xCont)) return;
  gerador_.EscreverGrupo("compra", "ZB01", true);
  gerador_.EscreverCampo(fcTexto, "ZB02", "xNEmp", 1, 17, 0, c.xNEmp, "Nota de Empenho");
  gerador_.EscreverCampo(fcTexto, "ZB03", "xPed", 1, 60, 0, c.xPed, "Pedido");
  gerador_.EscreverCampo(fcTexto, "ZB04", "xCont", 1, 60, 0, c.xCont, "Contrato");
  gerador_.EscreverGrupo("/compra", "", true);
}

void TNFeW::MontarCana() {
  const TCana& cana = NFe.cana;
  if (Vazio(cana.safra) && Vazio(cana.ref) && cana.fordia.Count() == 0 && cana.deduc.Count() == 0) return;
  gerador_.EscreverGrupo("cana", "ZC01", true);
  gerador_.EscreverCampo(fcTexto, "ZC02", "safra", 4, 9, 0, cana.safra, "Identificação da safra"_cp);
  gerador_.EscreverCampo(fcTexto, "ZC03", "ref", 4, 9, 0, cana.ref, "Mês e ano de referência"_cp);
  MontarForDia();
  gerador_.EscreverCampo(fcDecimal10, "ZC07", "qTotMes", 1, 21, 1, cana.qTotMes, "Quantidade Total do Mês"_cp);
  gerador_.EscreverCampo(fcDecimal10, "ZC08", "qTotAnt", 1, 21, 1, cana.qTotAnt, "Quantidade Total Anterior");
  gerador_.EscreverCampo(fcDecimal10, "ZC09", "qTotGer", 1, 21, 1, cana.qTotGer, "Quantidade Total Geral");
  MontarDeduc();
  gerador_.EscreverCampo(fcDecimal2, "ZC13", "vFor", 1, 15, 1, cana.vFor, "Valor dos Fornecimentos");
  gerador_.EscreverCampo(fcDecimal2, "ZC14", "vTotDed", 1, 15, 1, cana.vTotDed, "Valor Total da Dedução"_cp);
  gerador_.EscreverCampo(fcDecimal2, "ZC15", "vLiqFor", 1, 15, 1, cana.vLiqFor, "Valor Líquido dos Fornecimentos"_cp);
  gerador_.EscreverGrupo("/cana", "", true);
}

void TNFeW::MontarForDia() {
  const TForDiaCollection& fordia = NFe.cana.fordia;
  if (fordia.Count() >= 32)
    gerador_.RegistrarAlerta("ZC04", "forDia", "Grupo de Fornecimento diário de cana"_cp, MaximoDeOcorrencias(31));
  for (int k = 0; k < fordia.Count(); ++k) {
    const TForDiaCollectionItem& f = fordia.Items(k);
    gerador_.EscreverGrupo("forDia dia=\"" + std::to_string(f.dia) + "\"", "ZC04", true);
    gerador_.EscreverCampo(fcDecimal10, "ZC06", "qtde", 11, 21, 1, f.qtde, "Quantidade");
    gerador_.EscreverGrupo("/forDia", "", true);
  }
}

void TNFeW::MontarDeduc() {
  const TDeducCollection& deduc = NFe.cana.deduc;
  if (deduc.Count() > 10)
    gerador_.RegistrarAlerta("ZC10", "deduc", "Grupo de Deduções – Taxas e Contribuições"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < deduc.Count(); ++k) {
    const TDeducCollectionItem& d = deduc.Items(k);
    gerador_.EscreverGrupo("deduc", "ZC10", true);
    gerador_.EscreverCampo(fcTexto, "ZC11", "xDed", 1, 60, 1, d.xDed, "Descrição da Dedução"_cp);
    gerador_.EscreverCampo(fcDecimal2, "ZC12", "vDed", 1, 15, 1, d.vDed, "Valor da Dedução"_cp);
    gerador_.EscreverGrupo("/deduc", "", true);
  }
}
