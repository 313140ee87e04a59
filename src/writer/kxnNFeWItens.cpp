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
    Gerador.EscreverGrupo("det nItem=\"" + std::to_string(det.Prod.nItem) + "\"", "H01", true);
    MontarProduto(i);
    MontarImposto(i);
    Gerador.IDNivel = "H01";
    Gerador.EscreverCampo(fcTexto, "V01", "infAdProd", 1, 500, 0, det.infAdProd,
                          "Informações adicionais do Produto"_cp);
    Gerador.EscreverGrupo("/det", "", true);
  }
  if (NFe.Det.Count() == 0) Gerador.RegistrarAlerta("H02", "nItem", "Numero do item", kNenhumValor);
  if (NFe.Det.Count() > 990) Gerador.RegistrarAlerta("H02", "nItem", "Numero do item", MaximoDeOcorrencias(990));
}

void TNFeW::MontarProduto(int i) {
  const TProd& Prod = NFe.Det.Items(i).Prod;
  const bool v200 = Leiaute200();
  const TkxnFormatoCampo fcUnitario = Selecionar(v200, fcDecimal10, fcDecimal4);
  Gerador.EscreverGrupo("prod", "I01", true);
  Gerador.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, Prod.cProd, "Código do produto ou serviço"_cp);
  Gerador.EscreverCampo(fcTexto, "I03", "cEAN", 0, 14, 1, Prod.cEAN, "Código de Barra do Item"_cp);
  Gerador.EscreverCampo(fcTexto, "I04", "xProd", 1, 120, 1, Prod.xProd, "Descrição do Produto ou Serviço"_cp);
  Gerador.EscreverCampo(fcTexto, "I05", "NCM", 2, 8, Selecionar(v200, 1, 0), Prod.NCM, "Código NCM"_cp);
  Gerador.EscreverCampo(fcTexto, "I06", "EXTIPI", 2, 3, 0, Prod.EXTIPI, "EX_TIPI");
  Gerador.EscreverCampo(fcNumerico, "I08", "CFOP", 4, 4, 1, ExtrairDigitos(Prod.CFOP), "CFOP");
  Gerador.EscreverCampo(fcTexto, "I09", "uCom", 1, 6, 1, Prod.uCom, "Unidade Comercial");
  Gerador.EscreverCampo(fcDecimal4, "I10", "qCom", 0, 15, 1, Prod.qCom, "Quantidade Comercial");
  Gerador.EscreverCampo(fcUnitario, "I10a", "vUnCom", 0, 21, 1, Prod.vUnCom, "Valor Unitário de Comercialização"_cp);
  Gerador.EscreverCampo(fcDecimal2, "I11", "vProd", 0, 15, 1, Prod.vProd,
                        "Valor Total Bruto dos Produtos ou Serviços"_cp);
  Gerador.EscreverCampo(fcTexto, "I12", "cEANTrib", 0, 14, 1, Prod.cEANTrib, "Código de Barra do Item Tributação"_cp);
  Gerador.EscreverCampo(fcTexto, "I13", "uTrib", 1, 6, 1, Prod.uTrib, "Unidade Tributável"_cp);
  Gerador.EscreverCampo(fcDecimal4, "I14", "qTrib", 0, 15, 1, Prod.qTrib, "Quantidade Tributável"_cp);
  Gerador.EscreverCampo(fcUnitario, "I14a", "vUnTrib", 0, 21, 1, Prod.vUnTrib, "Valor unitário de Tributação"_cp);
  Gerador.EscreverCampo(fcDecimal2, "I15", "vFrete", 0, 15, 0, Prod.vFrete, "Valor Total do Frete");
  Gerador.EscreverCampo(fcDecimal2, "I16", "vSeg", 0, 15, 0, Prod.vSeg, "Valor Total do Seguro");
  Gerador.EscreverCampo(fcDecimal2, "I17", "vDesc", 0, 15, 0, Prod.vDesc, "Valor do desconto");
  Gerador.EscreverCampo(fcDecimal2, "I17a", "vOutro", 0, 15, 0, Prod.vOutro, "Outras Despesas Acessórias"_cp);
  if (v200)
    Gerador.EscreverCampo(fcTexto, "I17b", "indTot", 1, 1, 1, IndicadorTotalParaCodigo(Prod.IndTot),
                          "Indicador de soma no total da NFe");
  MontarDI(i);
  Gerador.EscreverCampo(fcTexto, "I30", "xPed", 1, 15, 0, Prod.xPed, "Pedido");
  Gerador.EscreverCampo(fcInteiro, "I31", "nItemPed", 6, 6, 0, Prod.nItemPed,
                        "Item do Pedido de Compra da DI – adição"_cp);
  MontarVeiculo(i);
  MontarMedicamentos(i);
  MontarArmas(i);
  MontarCombustivel(i);
  Gerador.EscreverGrupo("/prod", "", true);
}

void TNFeW::MontarDI(int i) {
  const TDICollection& DI = NFe.Det.Items(i).Prod.DI;
  for (int j = 0; j < DI.Count(); ++j) {
    const TDICollectionItem& di = DI.Items(j);
    Gerador.EscreverGrupo("DI", "I18", true);
    Gerador.EscreverCampo(fcTexto, "I19", "nDI", 1, 10, 1, di.nDi, "Numero do Documento de Importação DI/DSI/DA"_cp);
    Gerador.EscreverCampo(fcData, "I20", "dDI", 10, 10, 1, ValorData(di.dDi), "Data de registro da DI/DSI/DA");
    Gerador.EscreverCampo(fcTexto, "I21", "xLocDesemb", 1, 60, 1, di.xLocDesemb, "Local de Desembaraço"_cp);
    Gerador.EscreverCampo(fcTexto, "I22", "UFDesemb", 2, 2, 1, di.UFDesemb,
                          "Sigla da UF onde ocorreu o Desembaraço Aduaneiro"_cp);
    if (!ConferirSiglaUF(di.UFDesemb))
      Gerador.RegistrarAlerta("I22", "UFDesemb", "Sigla da UF onde ocorreu o Desembaraço Aduaneiro"_cp,
                              kConteudoInvalido);
    Gerador.EscreverCampo(fcData, "I23", "dDesemb", 10, 10, 1, ValorData(di.dDesemb),
                          "Data do Desembaraço Aduaneiro"_cp);
    Gerador.EscreverCampo(fcTexto, "I24", "cExportador", 1, 60, 1, di.cExportador, "Código do exportador"_cp);
    MontarAdicoes(i, j);
    Gerador.EscreverGrupo("/DI", "", true);
  }
}

void TNFeW::MontarAdicoes(int i, int j) {
  const TAdiCollection& adi = NFe.Det.Items(i).Prod.DI.Items(j).adi;
  for (int k = 0; k < adi.Count(); ++k) {
    const TAdiCollectionItem& a = adi.Items(k);
    Gerador.EscreverGrupo("adi", "I25", true);
    Gerador.EscreverCampo(fcInteiro, "I26", "nAdicao", 1, 3, 1, a.nAdicao, "Numero da Adição"_cp);
    Gerador.EscreverCampo(fcInteiro, "I27", "nSeqAdic", 1, 3, 1, a.nSeqAdic,
                          "Numero seqüencial do item dentro da adição"_cp);
    Gerador.EscreverCampo(fcTexto, "I28", "cFabricante", 1, 60, 1, a.cFabricante, "Fabricante");
    Gerador.EscreverCampo(fcDecimal2, "I29", "vDescDI", 0, 15, 0, a.vDescDI,
                          "Valor do desconto do item da DI – adição"_cp);
    Gerador.EscreverGrupo("/adi", "", true);
  }
}

void TNFeW::MontarVeiculo(int i) {
  const TveicProd& v = NFe.Det.Items(i).Prod.veicProd;
  if (Vazio(v.chassi)) return;
  const bool v200 = Leiaute200();
  Gerador.EscreverGrupo("veicProd", "J01", true);
  Gerador.EscreverCampo(fcTexto, "J02", "tpOp", 1, 1, 1, TipoOperacaoParaCodigo(v.tpOP), "Tipo da operação"_cp);
  Gerador.EscreverCampo(fcTexto, "J03", "chassi", 17, 17, 1, v.chassi, "Número do chassi"_cp);
  Gerador.EscreverCampo(fcTexto, "J04", "cCor", 4, 4, 1, v.cCor, "Cor do Veículo"_cp);
  Gerador.EscreverCampo(fcTexto, "J05", "xCor", 1, 40, 1, v.xCor, "Descrição da Cor"_cp);
  Gerador.EscreverCampo(fcTexto, "J06", "pot", 4, 4, 1, v.pot, "Potência Motor"_cp);
  Gerador.EscreverCampo(fcTexto, "J07", Selecionar(v200, "cilin", "CM3"), 4, 4, 1, v.Cilin, "Cilindradas");
  Gerador.EscreverCampo(fcTexto, "J08", "pesoL", 1, 9, 1, v.pesoL, "Peso Líquido (em kg)"_cp);
  Gerador.EscreverCampo(fcTexto, "J09", "pesoB", 1, 9, 1, v.pesoB, "Peso Bruto (em kg)");
  Gerador.EscreverCampo(fcTexto, "J10", "nSerie", 1, 9, 1, v.nSerie, "Número de série"_cp);
  Gerador.EscreverCampo(fcTexto, "J11", "tpComb", 2, 2, 1, v.tpComb, "Tipo de combustível"_cp);
  Gerador.EscreverCampo(fcTexto, "J12", "nMotor", 1, 21, 1, v.nMotor, "Número de Motor"_cp);
  Gerador.EscreverCampo(fcTexto, "J13", Selecionar(v200, "CMT", "CMKG"), 9, 9, 1, v.CMT,
                        "Capacidade Máxima de Tração"_cp);
  Gerador.EscreverCampo(fcTexto, "J14", "dist", 1, 4, 1, v.dist, "Distância entre os eixos"_cp);
  Gerador.EscreverCampo(fcInteiro, "J16", "anoMod", 0, 4, 1, v.anoMod, "Ano do Modelo de Fabricação"_cp);
  Gerador.EscreverCampo(fcInteiro, "J17", "anoFab", 0, 4, 1, v.anoFab, "Ano de Fabricação"_cp);
  Gerador.EscreverCampo(fcTexto, "J18", "tpPint", 1, 1, 1, v.tpPint, "Tipo de Pintura");
  Gerador.EscreverCampo(fcInteiro, "J19", "tpVeic", 0, 2, 1, v.tpVeic, "Tipo de Veículo"_cp);
  Gerador.EscreverCampo(fcInteiro, "J20", "espVeic", 0, 1, 1, v.espVeic, "Espécie de veículo"_cp);
  Gerador.EscreverCampo(fcTexto, "J21", "VIN", 1, 1, 1, v.VIN, "Condição do VIN"_cp);
  Gerador.EscreverCampo(fcTexto, "J22", "condVeic", 0, 1, 1, CondicaoVeiculoParaCodigo(v.condVeic),
                        "Condições do Veículo"_cp);
  Gerador.EscreverCampo(fcTexto, "J23", "cMod", 1, 6, 1, v.cMod, "Modelo do Veículo"_cp);
  if (v200) {
    Gerador.EscreverCampo(fcTexto, "J24", "cCorDENATRAN", 1, 2, 1, v.cCorDENATRAN, "Código da Cor DENATRAN"_cp);
    Gerador.EscreverCampo(fcInteiro, "J25", "lota", 1, 3, 1, v.lota, "Indicador de lotação"_cp);
    Gerador.EscreverCampo(fcInteiro, "J26", "tpRest", 1, 1, 1, v.tpRest, "Restrição"_cp);
  }
  Gerador.EscreverGrupo("/veicProd", "", true);
}

void TNFeW::MontarMedicamentos(int i) {
  const TmedCollection& med = NFe.Det.Items(i).Prod.med;
  for (int k = 0; k < med.Count(); ++k) {
    const TmedCollectionItem& m = med.Items(k);
    Gerador.EscreverGrupo("med", "K01", true);
    Gerador.EscreverCampo(fcTexto, "K02", "nLote", 1, 20, 1, m.nLote, "Número do Lote do medicamento"_cp);
    Gerador.EscreverCampo(fcDecimal3, "K03", "qLote", 0, 11, 1, m.qLote,
                          "Quantidade de produto no Lote do medicamento");
    Gerador.EscreverCampo(fcData, "K04", "dFab", 10, 10, 1, ValorData(m.dFab), "Data de fabricação"_cp);
    Gerador.EscreverCampo(fcData, "K05", "dVal", 10, 10, 1, ValorData(m.dVal), "Data de validade");
    Gerador.EscreverCampo(fcDecimal2, "K06", "vPMC", 0, 15, 1, m.vPMC, "Preço Máximo ao Consumidor"_cp);
    Gerador.EscreverGrupo("/med", "", true);
  }
}

void TNFeW::MontarArmas(int i) {
  const TarmaCollection& arma = NFe.Det.Items(i).Prod.arma;
  for (int k = 0; k < arma.Count(); ++k) {
    const TarmaCollectionItem& a = arma.Items(k);
    Gerador.EscreverGrupo("arma", "L00", true);
    Gerador.EscreverCampo(fcTexto, "L02", "tpArma", 1, 1, 1, TipoArmaParaCodigo(a.tpArma),
                          "Indicador do tipo de arma de fogo");
    Gerador.EscreverCampo(fcTexto, "L03", "nSerie", 1, 9, 1, a.nSerie, "Número de série"_cp);
    Gerador.EscreverCampo(fcTexto, "L04", "nCano", 1, 9, 1, a.nCano, "Numero de série do cano"_cp);
    Gerador.EscreverCampo(fcTexto, "L05", "descr", 1, 256, 1, a.descr, "Descrição completa"_cp);
    Gerador.EscreverGrupo("/arma", "", true);
  }
}

void TNFeW::MontarCombustivel(int i) {
  const TComb& comb = NFe.Det.Items(i).Prod.comb;
  if (comb.cProdANP <= 0) return;
  Gerador.EscreverGrupo("comb", "L01", true);
  Gerador.EscreverCampo(fcInteiro, "L102", "cProdANP", 9, 9, 1, comb.cProdANP, "Código do produto ANP"_cp);
  if (!Vazio(comb.CODIF))
    Gerador.EscreverCampo(fcNumerico, "L103", "CODIF", 0, 21, 1, comb.CODIF,
                          "Código de autorização / registro do CODIF"_cp);
  if (comb.qTemp != Currency(0))
    Gerador.EscreverCampo(fcDecimal4, "L104", "qTemp", 1, 16, 1, comb.qTemp,
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
    Gerador.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, comb.UFcons, "Sigla da UF de consumo");
    if (!ConferirSiglaUF(comb.UFcons))
      Gerador.RegistrarAlerta("L120", "UFcons", "Sigla da UF de consumo", kConteudoInvalido);
    MontarCIDE(i);
  }
  Gerador.EscreverGrupo("/comb", "", true);
}

void TNFeW::MontarCIDE(int i) {
  const TCIDE& CIDE = NFe.Det.Items(i).Prod.comb.CIDE;
  if (!AlgumPositivo({CIDE.qBCProd, CIDE.vAliqProd, CIDE.vCIDE})) return;
  Gerador.EscreverGrupo("CIDE", "L105", true);
  Gerador.EscreverCampo(fcDecimal4, "L106", "qBCProd", 1, 16, 1, CIDE.qBCProd, "BC da CIDE");
  Gerador.EscreverCampo(fcDecimal4, "L107", "vAliqProd", 1, 15, 1, CIDE.vAliqProd, "Valor da alíquota (em reais)"_cp);
  Gerador.EscreverCampo(fcDecimal2, "L108", "vCIDE", 1, 15, 1, CIDE.vCIDE, "Valor da CIDE");
  Gerador.EscreverGrupo("/CIDE", "", true);
}

void TNFeW::MontarICMSComb(int i) {
  const TICMSComb& ICMS = NFe.Det.Items(i).Prod.comb.ICMS;
  Gerador.EscreverGrupo("ICMSComb", "L109", true);
  Gerador.EscreverCampo(fcDecimal2, "L110", "vBCICMS", 1, 15, 1, ICMS.vBCICMS, "BC do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "L111", "vICMS", 1, 15, 1, ICMS.vICMS, "Valor do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "L112", "vBCICMSST", 1, 15, 1, ICMS.vBCICMSST, "BC do ICMS ST retido");
  Gerador.EscreverCampo(fcDecimal2, "L113", "vICMSST", 1, 15, 1, ICMS.vICMSST,
                        "Valor do ICMS Substituição Tributaria"_cp);
  Gerador.EscreverGrupo("/ICMSComb", "", true);
}

void TNFeW::MontarICMSInter(int i) {
  const TICMSInter& ICMSInter = NFe.Det.Items(i).Prod.comb.ICMSInter;
  if (!AlgumPositivo({ICMSInter.vBCICMSSTDest, ICMSInter.vICMSSTDest})) return;
  Gerador.EscreverGrupo("ICMSInter", "L114", true);
  Gerador.EscreverCampo(fcDecimal2, "L115", "vBCICMSSTDest", 1, 15, 1, ICMSInter.vBCICMSSTDest,
                        "BC do ICMS ST da UF de destino");
  Gerador.EscreverCampo(fcDecimal2, "L116", "vICMSSTDest", 1, 15, 1, ICMSInter.vICMSSTDest,
                        "Valor do ICMS Substituição Tributaria da UF de Destino"_cp);
  Gerador.EscreverGrupo("/ICMSInter", "", true);
}

void TNFeW::MontarICMSCons(int i) {
  const TICMSCons& ICMSCons = NFe.Det.Items(i).Prod.comb.ICMSCons;
  if (!AlgumPositivo({ICMSCons.vBCICMSSTCons, ICMSCons.vICMSSTCons}) && Vazio(ICMSCons.UFcons)) return;
  Gerador.EscreverGrupo("ICMSCons", "L117", true);
  Gerador.EscreverCampo(fcDecimal2, "L118", "vBCICMSSTCons", 1, 15, 1, ICMSCons.vBCICMSSTCons,
                        "Valor do ICMS ST da UF de consumo");
  Gerador.EscreverCampo(fcDecimal2, "L119", "vICMSSTCons", 1, 15, 1, ICMSCons.vICMSSTCons,
                        "Valor do ICMS Substituição Tributaria da UF de Consumo"_cp);
  Gerador.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, ICMSCons.UFcons, "Sigla da UF de consumo");
  if (!ConferirSiglaUF(ICMSCons.UFcons))
    Gerador.RegistrarAlerta("L120", "UFcons", "Sigla da UF de consumo", kConteudoInvalido);
  Gerador.EscreverGrupo("/ICMSCons", "", true);
}

// ---------------------------------------------------------------- item taxes

void TNFeW::MontarImposto(int i) {
  const TISSQN& ISSQN = NFe.Det.Items(i).Imposto.ISSQN;
  const bool servico = ISSQN.cSitTrib != ISSQNcSitTribVazio;
  Gerador.EscreverGrupo("imposto", "M01", true);
  if (servico) {
    MontarISSQN(i);
  } else {
    // From 2.00 on the situation makes the service item: without it the
    // item's ISSQN values are not written.
    if (Leiaute200() && IssqnInformado(ISSQN))
      Gerador.RegistrarAlerta("U07", "cSitTrib", "Código de Tributação do ISSQN"_cp, kNenhumValor);
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
  Gerador.EscreverGrupo("/imposto", "", true);
}

void TNFeW::MontarICMS(int i) {
  TICMS& ICMS = NFe.Det.Items(i).Imposto.ICMS;
  const auto orig = [&] {
    Gerador.EscreverCampo(fcTexto, "N11", "orig", 1, 1, 1, OrigemMercadoriaParaCodigo(ICMS.orig),
                          "Origem da mercadoria");
  };
  const auto modBC = [&] {
    Gerador.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, DeterminacaoBaseIcmsParaCodigo(ICMS.modBC),
                          "Modalidade de determinação da BC do ICMS"_cp);
  };
  const auto pRedBC = [&](int ocorrencia) {
    Gerador.EscreverCampo(fcDecimal2, "N14", "pRedBC", 1, 5, ocorrencia, ICMS.pRedBC, "Percentual da Redução de BC"_cp);
  };
  const auto vBC = [&] { Gerador.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, ICMS.vBC, "Valor da BC do ICMS"); };
  const auto pICMS = [&] {
    Gerador.EscreverCampo(fcDecimal2, "N16", "pICMS", 1, 5, 1, ICMS.pICMS, "Alíquota do imposto"_cp);
  };
  const auto vICMS = [&] { Gerador.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, ICMS.vICMS, "Valor do ICMS"); };
  const auto vBCST = [&] {
    Gerador.EscreverCampo(fcDecimal2, "N21", "vBCST", 1, 15, 1, ICMS.vBCST, "Valor da BC do ICMS ST");
  };
  const auto vICMSST = [&] {
    Gerador.EscreverCampo(fcDecimal2, "N23", "vICMSST", 1, 15, 1, ICMS.vICMSST,
                          "Valor do ICMS Substituição Tributaria"_cp);
  };
  const auto blocoST = [&] {
    Gerador.EscreverCampo(fcTexto, "N18", "modBCST", 1, 1, 1, DeterminacaoBaseIcmsSTParaCodigo(ICMS.modBCST),
                          "Modalidade de determinação da BC do ICMS ST"_cp);
    Gerador.EscreverCampo(fcDecimal2, "N19", "pMVAST", 1, 5, 0, ICMS.pMVAST,
                          "Percentual da margem de valor Adicionado do ICMS ST");
    Gerador.EscreverCampo(fcDecimal2, "N20", "pRedBCST", 1, 5, 0, ICMS.pRedBCST,
                          "Percentual da Redução de BC do ICMS ST"_cp);
    vBCST();
    Gerador.EscreverCampo(fcDecimal2, "N22", "pICMSST", 1, 5, 1, ICMS.pICMSST, "Alíquota do imposto do ICMS ST"_cp);
    vICMSST();
  };
  const auto operacaoPropria = [&] {
    Gerador.EscreverCampo(fcDecimal2, "N25", "pBCOp", 1, 5, 1, ICMS.pBCOp, "Percentual da BC operação própria"_cp);
    Gerador.EscreverCampo(fcTexto, "N24", "UFST", 2, 2, 1, ICMS.UFST, "UF para qual é devido o ICMS ST"_cp);
  };
  const auto retido = [&](std::string_view descricaoBC) {
    Gerador.EscreverCampo(fcDecimal2, "N26", "vBCSTRet", 1, 15, 1, ICMS.vBCSTRet, descricaoBC);
    Gerador.EscreverCampo(fcDecimal2, "N27", "vICMSSTRet", 1, 15, 1, ICMS.vICMSSTRet,
                          "Valor do ICMS Substituição Tributaria Retido"_cp);
  };
  const auto creditoSN = [&] {
    Gerador.EscreverCampo(fcDecimal2, "N29", "pCredSN", 1, 5, 1, ICMS.pCredSN,
                          "Alíquota aplicável de cálculo do crédito (Simples Nacional)."_cp);
    Gerador.EscreverCampo(
        fcDecimal2, "N30", "vCredICMSSN", 1, 15, 1, ICMS.vCredICMSSN,
        "Valor crédito do ICMS que pode ser aproveitado nos termos do art. 23 da LC 123 (Simples Nacional)"_cp);
  };
  const std::string_view descricaoBCSTRet = "Valor da BC do ICMS ST Retido";

  Gerador.EscreverGrupo("ICMS", "N01", true);
  if (NFe.Emit.CRT == crtSimplesNacional) {
    const std::string grupo = "ICMSSN" + CSOSNIcmsParaSufixoGrupo(ICMS.CSOSN);
    Gerador.EscreverGrupo(grupo, "N" + CSOSNIcmsParaSufixoID(ICMS.CSOSN), true);
    orig();
    Gerador.EscreverCampo(fcTexto, "N12a", "CSOSN", 3, 3, 1, CSOSNIcmsParaCodigo(ICMS.CSOSN),
                          "Código de Situação da Operação – Simples Nacional"_cp);
    // Without a CSOSN there is no group of the layout to write.
    if (ICMS.CSOSN == csosnVazio)
      Gerador.RegistrarAlerta("N12a", "CSOSN", "Código de Situação da Operação – Simples Nacional"_cp,
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
    Gerador.EscreverGrupo("/" + grupo, "", true);
  } else {
    // The situation the values call for is stored back, so the model matches the XML.
    const bool operacaoPropriaInformada = !ICMS.UFST.empty() || ICMS.pBCOp != Currency(0);
    if (ICMS.CST == cst41 && (ICMS.vBCSTRet != Currency(0) || ICMS.vICMSSTRet != Currency(0) ||
                              ICMS.vBCSTDest != Currency(0) || ICMS.vICMSSTDest != Currency(0)))
      ICMS.CST = cstRep41;
    if (ICMS.CST == cst10 && operacaoPropriaInformada) ICMS.CST = cstPart10;
    if (ICMS.CST == cst90 && operacaoPropriaInformada) ICMS.CST = cstPart90;

    const std::string grupo = "ICMS" + CSTIcmsParaSufixoGrupo(ICMS.CST);
    Gerador.EscreverGrupo(grupo, "N" + CSTIcmsParaSufixoID(ICMS.CST), true);
    orig();
    Gerador.EscreverCampo(fcTexto, "N12", "CST", 2, 2, 1, CSTIcmsParaCodigo(ICMS.CST),
                          "Código da situação tributária"_cp);
    // Situations of other documents, which have no ICMS group in the NF-e
    // (45 and the empty situation already miss their code).
    if (ICMS.CST == cst80 || ICMS.CST == cst81 || ICMS.CST == cstICMSOutraUF || ICMS.CST == cstICMSSN)
      Gerador.RegistrarAlerta("N12", "CST", "Código da situação tributária"_cp, kConteudoInvalido);
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
        Gerador.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 0, ICMS.vICMS, "Valor do ICMS");
        if (Positivo(ICMS.vICMS))
          Gerador.EscreverCampo(fcTexto, "N28", "motDesICMS", 1, 1, 0, MotivoDesoneracaoICMSParaCodigo(ICMS.motDesICMS),
                                "Motivo da desoneração do ICMS"_cp);
        break;
      case cst51:
        Gerador.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 0, DeterminacaoBaseIcmsParaCodigo(ICMS.modBC),
                              "Modalidade de determinação da BC do ICMS"_cp);
        pRedBC(0);
        Gerador.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 0, ICMS.vBC, "Valor da BC do ICMS");
        Gerador.EscreverCampo(fcDecimal2, "N16", "pICMS", 1, 5, 0, ICMS.pICMS, "Alíquota do imposto"_cp);
        Gerador.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 0, ICMS.vICMS, "Valor do ICMS");
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
        Gerador.EscreverCampo(fcDecimal2, "N31", "vBCSTDest", 1, 15, 1, ICMS.vBCSTDest,
                              "BC do ICMS ST da UF de destino");
        Gerador.EscreverCampo(fcDecimal2, "N32", "vICMSSTDest", 1, 15, 1, ICMS.vICMSSTDest,
                              "BC do ICMS ST da UF de destino");
        break;
      default:  // 45, 80, 81, 91, SN and the empty situation: origin and CST only
        break;
    }
    Gerador.EscreverGrupo("/" + grupo, "", true);
  }
  Gerador.EscreverGrupo("/ICMS", "", true);
}

void TNFeW::MontarIPI(int i) {
  TIPI& IPI = NFe.Det.Items(i).Imposto.IPI;
  const bool tributado = IpiTributado(IPI.CST);
  if (!tributado && !Opcoes.GerarTagIPIparaNaoTributado) return;
  if (IPI.cEnq.empty() && IPI.CST == ipi00 && IPI.vBC == Currency(0) && IPI.qUnid == Currency(0) &&
      IPI.vUnid == Currency(0) && IPI.pIPI == Currency(0) && IPI.vIPI == Currency(0))
    return;  // an item without IPI data

  Gerador.EscreverGrupo("IPI", "O01", true);
  Gerador.EscreverCampo(fcTexto, "O02", "clEnq", 5, 5, 0, IPI.clEnq,
                        "Classe de enquadramento do IPI para Cigarros e Bebidas");
  Gerador.EscreverCampo(fcTexto, "O03", "CNPJProd", 14, 14, 0, IPI.CNPJProd,
                        "CNPJ do produtor da mercadoria, quando diferente do emitente");
  Gerador.EscreverCampo(fcTexto, "O04", "cSelo", 1, 60, 0, IPI.cSelo, "Código do selo"_cp);
  Gerador.EscreverCampo(fcInteiro, "O05", "qSelo", 1, 12, 0, IPI.qSelo, "Quantidade de selo de controle");
  if (IPI.cEnq.empty()) IPI.cEnq = "999";
  Gerador.EscreverCampo(fcTexto, "O06", "cEnq", 3, 3, 1, IPI.cEnq, "Código de Enquadramento Legal do IPI"_cp);
  const auto cst = [&] {
    Gerador.EscreverCampo(fcTexto, "O09", "CST", 2, 2, 1, CstIpiParaCodigo(IPI.CST),
                          "Código da situação tributária"_cp);
  };
  if (!tributado) {
    Gerador.EscreverGrupo("IPINT", "O08", true);
    cst();
    Gerador.EscreverGrupo("/IPINT", "", true);
  } else {
    const bool aliquota = SomaPositiva(IPI.vBC, IPI.pIPI);
    const bool quantidade = SomaPositiva(IPI.qUnid, IPI.vUnid);
    if (aliquota && quantidade)
      Gerador.RegistrarAlerta(
          "O07", "IPITrib", "IPI Tributável"_cp,
          "As TAG <vBC> e <pIPI> não podem ser informadas em conjunto com as TAG <qUnid> e <vUnid>"_cp);
    Gerador.EscreverGrupo("IPITrib", "O07", true);
    cst();
    if (quantidade) {
      Gerador.EscreverCampo(
          fcDecimal4, "O11", "qUnid", 1, 16, 1, IPI.qUnid,
          "Quantidade total na unidade padrão para tributação (somente para os produtos tributados por unidade)"_cp);
      Gerador.EscreverCampo(fcDecimal4, "O12", "vUnid", 1, 15, 1, IPI.vUnid, "Valor por Unidade Tributável"_cp);
    } else {
      Gerador.EscreverCampo(fcDecimal2, "O10", "vBC", 1, 15, 1, IPI.vBC, "Valor da BC do ICMS");
      Gerador.EscreverCampo(fcDecimal2, "O13", "pIPI", 1, 5, 1, IPI.pIPI, "Alíquota do IPI"_cp);
    }
    Gerador.EscreverCampo(fcDecimal2, "O14", "vIPI", 1, 15, 1, IPI.vIPI,
                          "Valor do Imposto sobre Produtos Industrializados");
    Gerador.EscreverGrupo("/IPITrib", "", true);
  }
  Gerador.EscreverGrupo("/IPI", "", true);
}

void TNFeW::MontarII(int i) {
  const TII& II = NFe.Det.Items(i).Imposto.II;
  if (!Positivo(II.vII)) return;
  Gerador.EscreverGrupo("II", "P01", true);
  Gerador.EscreverCampo(fcDecimal2, "P02", "vBC", 1, 15, 1, II.vBc, "Valor da BC do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "P03", "vDespAdu", 1, 15, 1, II.vDespAdu, "Valor das despesas aduaneiras");
  Gerador.EscreverCampo(fcDecimal2, "P04", "vII", 1, 15, 1, II.vII, "Valor do Imposto de Importação"_cp);
  Gerador.EscreverCampo(fcDecimal2, "P05", "vIOF", 1, 15, 1, II.vIOF,
                        "Valor do Imposto sobre operações Financeiras"_cp);
  Gerador.EscreverGrupo("/II", "", true);
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
  EscreverContribuicao(Gerador, kPIS,
                       FormaDaContribuicao(p.CST, pis01, pis02, pis03, {pis04, pis06, pis07, pis08, pis09}),
                       CstPisParaCodigo(p.CST), {p.vBC, p.pPIS, p.qBCProd, p.vAliqProd, p.vPIS});
}

void TNFeW::MontarPISST(int i) {
  const TPISST& p = NFe.Det.Items(i).Imposto.PISST;
  EscreverContribuicaoST(Gerador, kPIS, {p.vBc, p.pPis, p.qBCProd, p.vAliqProd, p.vPIS});
}

void TNFeW::MontarCOFINS(int i) {
  const TCOFINS& c = NFe.Det.Items(i).Imposto.COFINS;
  EscreverContribuicao(Gerador, kCOFINS,
                       FormaDaContribuicao(c.CST, cof01, cof02, cof03, {cof04, cof06, cof07, cof08, cof09}),
                       CstCofinsParaCodigo(c.CST), {c.vBC, c.pCOFINS, c.qBCProd, c.vAliqProd, c.vCOFINS});
}

void TNFeW::MontarCOFINSST(int i) {
  const TCOFINSST& c = NFe.Det.Items(i).Imposto.COFINSST;
  EscreverContribuicaoST(Gerador, kCOFINS, {c.vBC, c.pCOFINS, c.qBCProd, c.vAliqProd, c.vCOFINS});
}

void TNFeW::MontarISSQN(int i) {
  const TISSQN& ISSQN = NFe.Det.Items(i).Imposto.ISSQN;
  // A service item has no other place for its tax, even with zero values.
  if (ISSQN.cSitTrib == ISSQNcSitTribVazio && !IssqnInformado(ISSQN)) return;
  Gerador.EscreverGrupo("ISSQN", "U01", true);
  Gerador.EscreverCampo(fcDecimal2, "U02", "vBC", 1, 15, 1, ISSQN.vBC, "Valor da BC do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "U03", "vAliq", 1, 5, 1, ISSQN.vAliq, "Alíuota"_cp);
  Gerador.EscreverCampo(fcDecimal2, "U04", "vISSQN", 1, 15, 1, ISSQN.vISSQN,
                        "Valor do Imposto sobre Serviço de Qualquer Natureza"_cp);
  Gerador.EscreverCampo(fcInteiro, "U05", "cMunFG", 7, 7, 1, ISSQN.cMunFG, "Código do Município FG"_cp);
  if (!ConferirCodigoMunicipio(ISSQN.cMunFG))
    Gerador.RegistrarAlerta("U05", "cMunFG", "Código do Município FG"_cp, kConteudoInvalido);
  Gerador.EscreverCampo(fcInteiro, "U06", "cListServ", 3, 4, 1, ISSQN.cListServ, "Lista Prestação de Serviços"_cp);
  // A required integer is written even when 0, but 0 is no service of the list.
  if (ISSQN.cListServ == 0)
    Gerador.RegistrarAlerta("U06", "cListServ", "Lista Prestação de Serviços"_cp, kNenhumValor);
  else if (Opcoes.ValidarListaServicos && !ConferirItemServico(ISSQN.cListServ))
    Gerador.RegistrarAlerta("U06", "cListServ", "Lista Prestação de Serviços"_cp, kConteudoInvalido);
  if (Leiaute200())
    Gerador.EscreverCampo(fcTexto, "U07", "cSitTrib", 1, 1, 1, ISSQNcSitTribParaCodigo(ISSQN.cSitTrib),
                          "Código de Tributação do ISSQN"_cp);
  Gerador.EscreverGrupo("/ISSQN", "", true);
}

// ---------------------------------------------------------------- totals

void TNFeW::MontarTotal() {
  Gerador.EscreverGrupo("total", "W01", true);
  MontarICMSTot();
  MontarISSQNtot();
  MontarRetTrib();
  Gerador.EscreverGrupo("/total", "", true);
}

void TNFeW::MontarICMSTot() {
  const TICMSTot& t = NFe.Total.ICMSTot;
  Gerador.EscreverGrupo("ICMSTot", "W02", true);
  Gerador.EscreverCampo(fcDecimal2, "W03", "vBC", 1, 15, 1, t.vBC, "Valor da BC do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "W04", "vICMS", 1, 15, 1, t.vICMS, "Valor do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "W05", "vBCST", 1, 15, 1, t.vBCST, "Valor da BC do ICMS ST");
  Gerador.EscreverCampo(fcDecimal2, "W06", "vST", 1, 15, 1, t.vST, "Valor TOTAL Icms substituição Tributária"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W07", "vProd", 1, 15, 1, t.vProd, "Valor Total Bruto dos Produtos ou Serviços"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W08", "vFrete", 1, 15, 1, t.vFrete, "Valor Total do Frete");
  Gerador.EscreverCampo(fcDecimal2, "W09", "vSeg", 1, 15, 1, t.vSeg, "Valor Total do Seguro");
  Gerador.EscreverCampo(fcDecimal2, "W10", "vDesc", 1, 15, 1, t.vDesc, "Valor do desconto");
  Gerador.EscreverCampo(fcDecimal2, "W11", "vII", 1, 15, 1, t.vII, "Valor do Imposto de Importação"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W12", "vIPI", 1, 15, 1, t.vIPI,
                        "Valor do Imposto sobre Produtos Industrializados");
  Gerador.EscreverCampo(fcDecimal2, "W13", "vPIS", 1, 15, 1, t.vPIS, "Valor do PIS");
  Gerador.EscreverCampo(fcDecimal2, "W14", "vCOFINS", 1, 15, 1, t.vCOFINS, "Valor do COFINS");
  Gerador.EscreverCampo(fcDecimal2, "W15", "vOutro", 1, 15, 1, t.vOutro, "Outras Despesas Acessórias"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W16", "vNF", 1, 15, 1, t.vNF, "Valor Total da NF-e");
  Gerador.EscreverGrupo("/ICMSTot", "", true);
}

void TNFeW::MontarISSQNtot() {
  const TISSQNtot& t = NFe.Total.ISSQNtot;
  if (!AlgumPositivo({t.vServ, t.vBC, t.vISS, t.vPIS, t.vCOFINS})) return;
  Gerador.EscreverGrupo("ISSQNtot", "W17", true);
  Gerador.EscreverCampo(
      fcDecimal2, "W18", "vServ", 1, 15, 0, t.vServ,
      "Valor total dos Serviços sob não incidência ou não Tributados pelo ICMS  / Valor do Serviço"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W19", "vBC", 1, 15, 0, t.vBC, "Valor da BC do ICMS");
  Gerador.EscreverCampo(fcDecimal2, "W20", "vISS", 1, 15, 0, t.vISS, "Valor do Imposto sobre Serviço"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W21", "vPIS", 1, 15, 0, t.vPIS, "Valor do PIS");
  Gerador.EscreverCampo(fcDecimal2, "W22", "vCOFINS", 1, 15, 0, t.vCOFINS, "Valor do COFINS");
  Gerador.EscreverGrupo("/ISSQNtot", "", true);
}

void TNFeW::MontarRetTrib() {
  const TretTrib& t = NFe.Total.retTrib;
  if (!AlgumPositivo({t.vRetPIS, t.vRetCOFINS, t.vRetCSLL, t.vBCIRRF, t.vIRRF, t.vBCRetPrev, t.vRetPrev})) return;
  Gerador.EscreverGrupo("retTrib", "W23", true);
  Gerador.EscreverCampo(fcDecimal2, "W24", "vRetPIS", 1, 15, 0, t.vRetPIS, "Valor Retido do PIS");
  Gerador.EscreverCampo(fcDecimal2, "W25", "vRetCOFINS", 1, 15, 0, t.vRetCOFINS, "Valor Retido do COFINS");
  Gerador.EscreverCampo(fcDecimal2, "W26", "vRetCSLL", 1, 15, 0, t.vRetCSLL,
                        "Valor Retido da CONTRIBUIÇÃO SOCIAL SOBRE O LUCRO LÍQUIDO"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W27", "vBCIRRF", 1, 15, 0, t.vBCIRRF, "Base de Cálculo do IRRF"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W28", "vIRRF", 1, 15, 0, t.vIRRF, "Valor do Imposto de Renda Retido na Fonte");
  Gerador.EscreverCampo(fcDecimal2, "W29", "vBCRetPrev", 1, 15, 0, t.vBCRetPrev,
                        "Base de Cálculo da Retenção da Previdência Social"_cp);
  Gerador.EscreverCampo(fcDecimal2, "W30", "vRetPrev", 1, 15, 0, t.vRetPrev,
                        "Valor da Retenção da Previdência Social"_cp);
  Gerador.EscreverGrupo("/retTrib", "", true);
}

// ---------------------------------------------------------------- transport

void TNFeW::MontarTransp() {
  const TTransp& Transp = NFe.Transp;
  Gerador.EscreverGrupo("transp", "X01", true);
  Gerador.EscreverCampo(fcTexto, "X02", "modFrete", 1, 1, 1, ModalidadeFreteParaCodigo(Transp.modFrete),
                        "Modalidade do Frete");
  MontarTransporta();
  MontarRetTransp();
  MontarVeicTransp();
  MontarReboque();
  Gerador.EscreverCampo(fcTexto, "X25a", "vagao", 1, 20, 0, Transp.vagao, "Identificação do vagão"_cp);
  Gerador.EscreverCampo(fcTexto, "X25b", "balsa", 1, 20, 0, Transp.balsa, "Identificação da balsa"_cp);
  MontarVol();
  Gerador.EscreverGrupo("/transp", "", true);
}

void TNFeW::MontarTransporta() {
  const TTransporta& t = NFe.Transp.Transporta;
  if (Vazio(t.CNPJCPF) && Vazio(t.xNome) && Vazio(t.IE) && Vazio(t.xEnder) && Vazio(t.xMun) && Vazio(t.UF)) return;
  Gerador.EscreverGrupo("transporta", "X03", true);
  if (!Vazio(t.CNPJCPF)) Gerador.EscreverCNPJCPF("X04", "X05", t.CNPJCPF, 1058);
  Gerador.EscreverCampo(fcTexto, "X06", "xNome", 1, 60, 0, t.xNome, "Razão Social ou Nome"_cp);
  if (Trim(t.IE) != "ISENTO") {
    Gerador.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, ExtrairDigitos(t.IE), "Inscrição Estadual"_cp);
    if (Opcoes.ValidarInscricoes && !t.IE.empty() && !ConferirInscricaoEstadual(t.IE, t.UF, true))
      Gerador.RegistrarAlerta("X07", "IE", "Inscrição Estadual"_cp, kConteudoInvalido);
  } else {
    Gerador.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, t.IE, "Inscrição Estadual"_cp);
  }
  Gerador.EscreverCampo(fcTexto, "X08", "xEnder", 1, 60, 0, t.xEnder, "Endereço Completo"_cp);
  Gerador.EscreverCampo(fcTexto, "X09", "xMun", 1, 60, 0, t.xMun, "Nome do Município"_cp);
  if (!Vazio(t.UF)) {
    Gerador.EscreverCampo(fcTexto, "X10", "UF", 1, 2, 0, t.UF, "Sigla da UF");
    if (!ConferirSiglaUF(t.UF)) Gerador.RegistrarAlerta("X10", "UF", "Sigla da UF", kConteudoInvalido);
  }
  Gerador.EscreverGrupo("/transporta", "", true);
}

void TNFeW::MontarRetTransp() {
  const TretTransp& r = NFe.Transp.retTransp;
  if (!AlgumPositivo({r.vServ, r.vBCRet, r.pICMSRet, r.vICMSRet}) && Vazio(r.CFOP) && r.cMunFG <= 0) return;
  Gerador.EscreverGrupo("retTransp", "X11", true);
  Gerador.EscreverCampo(
      fcDecimal2, "X12", "vServ", 1, 15, 1, r.vServ,
      "Valor total dos Serviços sob não incidência ou não Tributados pelo ICMS  / Valor do Serviço"_cp);
  Gerador.EscreverCampo(fcDecimal2, "X13", "vBCRet", 1, 15, 1, r.vBCRet, "BC da Retenção do ICMS"_cp);
  Gerador.EscreverCampo(fcDecimal2, "X14", "pICMSRet", 1, 5, 1, r.pICMSRet, "Alíquota da Retenção"_cp);
  Gerador.EscreverCampo(fcDecimal2, "X15", "vICMSRet", 1, 15, 1, r.vICMSRet, "Valor do ICMS Retido");
  Gerador.EscreverCampo(fcNumerico, "X16", "CFOP", 4, 4, 1, ExtrairDigitos(r.CFOP), "CFOP");
  Gerador.EscreverCampo(fcTexto, "X17", "cMunFG", 7, 7, 1, std::to_string(r.cMunFG), "Código do Município FG"_cp);
  if (!ConferirCodigoMunicipio(r.cMunFG))
    Gerador.RegistrarAlerta("X17", "cMunFG", "Código do Município FG"_cp, kConteudoInvalido);
  Gerador.EscreverGrupo("/retTransp", "", true);
}

void TNFeW::MontarVeicTransp() {
  const TveicTransp& v = NFe.Transp.veicTransp;
  if (Vazio(v.placa) && Vazio(v.UF) && Vazio(v.RNTC)) return;
  Gerador.EscreverGrupo("veicTransp", "X18", true);
  Gerador.EscreverCampo(fcTexto, "X19", "placa", 1, 8, 1, v.placa, "Placa do Veículo"_cp);
  Gerador.EscreverCampo(fcTexto, "X20", "UF", 2, 2, 1, v.UF, "Sigla da UF");
  if (!ConferirSiglaUF(v.UF)) Gerador.RegistrarAlerta("X20", "UF", "Sigla da UF", kConteudoInvalido);
  Gerador.EscreverCampo(fcTexto, "X21", "RNTC", 1, 20, 0, v.RNTC, "Registro Nacional de Transportador de Carga (ANTT)");
  Gerador.EscreverGrupo("/veicTransp", "", true);
}

void TNFeW::MontarReboque() {
  const TreboqueCollection& Reboque = NFe.Transp.Reboque;
  if (Reboque.Count() > 5) Gerador.RegistrarAlerta("X22", "reboque", "Reboque", MaximoDeOcorrencias(5));
  for (int k = 0; k < Reboque.Count(); ++k) {
    const TreboqueCollectionItem& r = Reboque.Items(k);
    Gerador.EscreverGrupo("reboque", "X22", true);
    Gerador.EscreverCampo(fcTexto, "X23", "placa", 1, 8, 1, r.placa, "Placa do Veículo"_cp);
    Gerador.EscreverCampo(fcTexto, "X24", "UF", 2, 2, 1, r.UF, "Sigla da UF");
    if (!ConferirSiglaUF(r.UF)) Gerador.RegistrarAlerta("X24", "UF", "Sigla da UF", kConteudoInvalido);
    Gerador.EscreverCampo(fcTexto, "X25", "RNTC", 1, 20, 0, r.RNTC,
                          "Registro Nacional de Transportador de Carga (ANTT)");
    Gerador.EscreverGrupo("/reboque", "", true);
  }
}

void TNFeW::MontarVol() {
  const TVolCollection& Vol = NFe.Transp.Vol;
  for (int v = 0; v < Vol.Count(); ++v) {
    const TVolCollectionItem& vol = Vol.Items(v);
    Gerador.EscreverGrupo("vol", "X26", true);
    Gerador.EscreverCampo(fcInteiro, "X27", "qVol", 1, 15, 0, vol.qVol, "Quantidade de volumes transportados");
    Gerador.EscreverCampo(fcTexto, "X28", "esp", 1, 60, 0, vol.esp, "Espécie dos volumes transportados"_cp);
    Gerador.EscreverCampo(fcTexto, "X29", "marca", 1, 60, 0, vol.marca, "Marca dos volumes transportados");
    Gerador.EscreverCampo(fcTexto, "X30", "nVol", 1, 60, 0, vol.nVol, "Numeração dos volumes transportados"_cp);
    Gerador.EscreverCampo(fcDecimal3, "X31", "pesoL", 1, 15, 0, vol.pesoL, "Peso Líquido (em kg)"_cp);
    Gerador.EscreverCampo(fcDecimal3, "X32", "pesoB", 1, 15, 0, vol.pesoB, "Peso Bruto (em kg)");
    MontarLacres(v);
    Gerador.EscreverGrupo("/vol", "", true);
  }
}

void TNFeW::MontarLacres(int v) {
  const TLacresCollection& Lacres = NFe.Transp.Vol.Items(v).Lacres;
  for (int k = 0; k < Lacres.Count(); ++k) {
    Gerador.EscreverGrupo("lacres", "X33", true);
    Gerador.EscreverCampo(fcTexto, "X34", "nLacre", 1, 60, 1, Lacres.Items(k).nLacre, "Número dos Lacres"_cp);
    Gerador.EscreverGrupo("/lacres", "", true);
  }
}

// ---------------------------------------------------------------- billing

void TNFeW::MontarCobr() {
  const TFat& Fat = NFe.Cobr.Fat;
  if (Vazio(Fat.nFat) && !AlgumPositivo({Fat.vOrig, Fat.vDesc, Fat.vLiq}) && NFe.Cobr.Dup.Count() == 0) return;
  Gerador.EscreverGrupo("cobr", "Y01", true);
  MontarFat();
  MontarDup();
  Gerador.EscreverGrupo("/cobr", "", true);
}

void TNFeW::MontarFat() {
  const TFat& Fat = NFe.Cobr.Fat;
  if (Vazio(Fat.nFat) && !AlgumPositivo({Fat.vOrig, Fat.vDesc, Fat.vLiq})) return;
  Gerador.EscreverGrupo("fat", "Y02", true);
  Gerador.EscreverCampo(fcTexto, "Y03", "nFat", 1, 60, 0, Fat.nFat, "Número da fatura"_cp);
  Gerador.EscreverCampo(fcDecimal2, "Y04", "vOrig", 1, 15, 0, Fat.vOrig, "Valor Original da Fatura");
  Gerador.EscreverCampo(fcDecimal2, "Y05", "vDesc", 1, 15, 0, Fat.vDesc, "Valor do desconto");
  Gerador.EscreverCampo(fcDecimal2, "Y06", "vLiq", 1, 15, 0, Fat.vLiq, "Valor Líquido da Fatura"_cp);
  Gerador.EscreverGrupo("/fat", "", true);
}

void TNFeW::MontarDup() {
  const TDupCollection& Dup = NFe.Cobr.Dup;
  for (int k = 0; k < Dup.Count(); ++k) {
    const TDupCollectionItem& d = Dup.Items(k);
    Gerador.EscreverGrupo("dup", "Y07", true);
    Gerador.EscreverCampo(fcTexto, "Y08", "nDup", 1, 60, 0, d.nDup, "Número da duplicata"_cp);
    Gerador.EscreverCampo(fcData, "Y09", "dVenc", 10, 10, 0, ValorData(d.dVenc), "Data de vencimento");
    Gerador.EscreverCampo(fcDecimal2, "Y10", "vDup", 1, 15, 0, d.vDup, "Valor da duplicata");
    // Optional for the field writer, so a zero value is left out; the layout requires it.
    if (d.vDup == Currency(0)) Gerador.RegistrarAlerta("Y10", "vDup", "Valor da duplicata", kNenhumValor);
    Gerador.EscreverGrupo("/dup", "", true);
  }
}

// ---------------------------------------------------------------- additional information

void TNFeW::MontarInfAdic() {
  const TInfAdic& InfAdic = NFe.InfAdic;
  if (Vazio(InfAdic.infAdFisco) && Vazio(InfAdic.infCpl) && InfAdic.obsCont.Count() == 0 &&
      InfAdic.obsFisco.Count() == 0 && InfAdic.procRef.Count() == 0)
    return;
  Gerador.EscreverGrupo("infAdic", "Z01", true);
  Gerador.EscreverCampo(fcTexto, "Z02", "infAdFisco", 1, 2000, 0, InfAdic.infAdFisco,
                        "Informações adicionais de interesse do Fisco"_cp);
  Gerador.EscreverCampo(fcTexto, "Z03", "infCpl", 1, 5000, 0, InfAdic.infCpl,
                        "Informações complementares de interesse do contribuinte"_cp);
  MontarObsCont();
  MontarObsFisco();
  MontarProcRef();
  Gerador.EscreverGrupo("/infAdic", "", true);
}

void TNFeW::MontarObsCont() {
  const TobsContCollection& obsCont = NFe.InfAdic.obsCont;
  if (obsCont.Count() > 10)
    Gerador.RegistrarAlerta("Z04", "obsCont", "Observações de interesse do contribuite"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < obsCont.Count(); ++k) {
    const TobsContCollectionItem& o = obsCont.Items(k);
    const std::string xCampo = Trim(o.xCampo);
    Gerador.EscreverGrupo("obsCont xCampo=\"" + AtributoXCampo(xCampo, Gerador.Opcoes.RetirarAcentos) + "\"", "Z04",
                          true);
    if (xCampo.size() > 20)
      Gerador.RegistrarAlerta("Z05", "xCampo", "Identificação do Campo"_cp, kMaiorQueMaximo);
    else if (xCampo.empty())
      Gerador.RegistrarAlerta("Z05", "xCampo", "Identificação do Campo"_cp, kNenhumValor);
    Gerador.EscreverCampo(fcTexto, "Z06", "xTexto", 1, 60, 1, o.xTexto, "Conteúdo do Campo"_cp);
    Gerador.EscreverGrupo("/obsCont", "", true);
  }
}

void TNFeW::MontarObsFisco() {
  const TobsFiscoCollection& obsFisco = NFe.InfAdic.obsFisco;
  if (obsFisco.Count() > 10)
    Gerador.RegistrarAlerta("Z07", "obsFisco", "Observações de interesse do fisco"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < obsFisco.Count(); ++k) {
    const TobsFiscoCollectionItem& o = obsFisco.Items(k);
    const std::string xCampo = Trim(o.xCampo);
    Gerador.EscreverGrupo("obsFisco xCampo=\"" + AtributoXCampo(xCampo, Gerador.Opcoes.RetirarAcentos) + "\"", "Z07",
                          true);
    if (xCampo.size() > 20)
      Gerador.RegistrarAlerta("Z08", "xCampo", "Identificação do Campo"_cp, kMaiorQueMaximo);
    else if (xCampo.empty())
      Gerador.RegistrarAlerta("Z08", "xCampo", "Identificação do Campo"_cp, kNenhumValor);
    Gerador.EscreverCampo(fcTexto, "Z09", "xTexto", 1, 60, 1, o.xTexto, "Conteúdo do Campo"_cp);
    Gerador.EscreverGrupo("/obsFisco", "", true);
  }
}

void TNFeW::MontarProcRef() {
  const TprocRefCollection& procRef = NFe.InfAdic.procRef;
  for (int k = 0; k < procRef.Count(); ++k) {
    const TprocRefCollectionItem& p = procRef.Items(k);
    Gerador.EscreverGrupo("procRef", "Z10", true);
    Gerador.EscreverCampo(fcTexto, "Z11", "nProc", 1, 60, 1, p.nProc,
                          "Identificador do processo ou ato concessório"_cp);
    Gerador.EscreverCampo(fcTexto, "Z12", "indProc", 1, 1, 1, IndicadorProcessoParaCodigo(p.indProc),
                          "Indicador da origem do processo");
    Gerador.EscreverGrupo("/procRef", "", true);
  }
}

// ---------------------------------------------------------------- export, purchase, sugar cane

void TNFeW::MontarExporta() {
  const TExporta& e = NFe.exporta;
  if (Vazio(e.UFembarq) && Vazio(e.xLocEmbarq)) return;
  Gerador.EscreverGrupo("exporta", "ZA01", true);
  Gerador.EscreverCampo(fcTexto, "ZA02", "UFEmbarq", 2, 2, 1, e.UFembarq,
                        "Sigla da UF onde ocorrerá o embarque dos produtos"_cp);
  if (!ConferirSiglaUF(e.UFembarq))
    Gerador.RegistrarAlerta("ZA02", "UFEmbarq", "Sigla da UF onde ocorrerá o embarque dos produtos"_cp,
                            kConteudoInvalido);
  Gerador.EscreverCampo(fcTexto, "ZA03", "xLocEmbarq", 1, 60, 1, e.xLocEmbarq,
                        "Local onde ocorrerá o embarque dos produtos"_cp);
  Gerador.EscreverGrupo("/exporta", "", true);
}

void TNFeW::MontarCompra() {
  const TCompra& c = NFe.compra;
  if (Vazio(c.xNEmp) && Vazio(c.xPed) && Vazio(c.xCont)) return;
  Gerador.EscreverGrupo("compra", "ZB01", true);
  Gerador.EscreverCampo(fcTexto, "ZB02", "xNEmp", 1, 17, 0, c.xNEmp, "Nota de Empenho");
  Gerador.EscreverCampo(fcTexto, "ZB03", "xPed", 1, 60, 0, c.xPed, "Pedido");
  Gerador.EscreverCampo(fcTexto, "ZB04", "xCont", 1, 60, 0, c.xCont, "Contrato");
  Gerador.EscreverGrupo("/compra", "", true);
}

void TNFeW::MontarCana() {
  const TCana& cana = NFe.cana;
  if (Vazio(cana.safra) && Vazio(cana.ref) && cana.fordia.Count() == 0 && cana.deduc.Count() == 0) return;
  Gerador.EscreverGrupo("cana", "ZC01", true);
  Gerador.EscreverCampo(fcTexto, "ZC02", "safra", 4, 9, 0, cana.safra, "Identificação da safra"_cp);
  Gerador.EscreverCampo(fcTexto, "ZC03", "ref", 4, 9, 0, cana.ref, "Mês e ano de referência"_cp);
  MontarForDia();
  Gerador.EscreverCampo(fcDecimal10, "ZC07", "qTotMes", 1, 21, 1, cana.qTotMes, "Quantidade Total do Mês"_cp);
  Gerador.EscreverCampo(fcDecimal10, "ZC08", "qTotAnt", 1, 21, 1, cana.qTotAnt, "Quantidade Total Anterior");
  Gerador.EscreverCampo(fcDecimal10, "ZC09", "qTotGer", 1, 21, 1, cana.qTotGer, "Quantidade Total Geral");
  MontarDeduc();
  Gerador.EscreverCampo(fcDecimal2, "ZC13", "vFor", 1, 15, 1, cana.vFor, "Valor dos Fornecimentos");
  Gerador.EscreverCampo(fcDecimal2, "ZC14", "vTotDed", 1, 15, 1, cana.vTotDed, "Valor Total da Dedução"_cp);
  Gerador.EscreverCampo(fcDecimal2, "ZC15", "vLiqFor", 1, 15, 1, cana.vLiqFor, "Valor Líquido dos Fornecimentos"_cp);
  Gerador.EscreverGrupo("/cana", "", true);
}

void TNFeW::MontarForDia() {
  const TForDiaCollection& fordia = NFe.cana.fordia;
  if (fordia.Count() >= 32)
    Gerador.RegistrarAlerta("ZC04", "forDia", "Grupo de Fornecimento diário de cana"_cp, MaximoDeOcorrencias(31));
  for (int k = 0; k < fordia.Count(); ++k) {
    const TForDiaCollectionItem& f = fordia.Items(k);
    Gerador.EscreverGrupo("forDia dia=\"" + std::to_string(f.dia) + "\"", "ZC04", true);
    Gerador.EscreverCampo(fcDecimal10, "ZC06", "qtde", 11, 21, 1, f.qtde, "Quantidade");
    Gerador.EscreverGrupo("/forDia", "", true);
  }
}

void TNFeW::MontarDeduc() {
  const TDeducCollection& deduc = NFe.cana.deduc;
  if (deduc.Count() > 10)
    Gerador.RegistrarAlerta("ZC10", "deduc", "Grupo de Deduções – Taxas e Contribuições"_cp, MaximoDeOcorrencias(10));
  for (int k = 0; k < deduc.Count(); ++k) {
    const TDeducCollectionItem& d = deduc.Items(k);
    Gerador.EscreverGrupo("deduc", "ZC10", true);
    Gerador.EscreverCampo(fcTexto, "ZC11", "xDed", 1, 60, 1, d.xDed, "Descrição da Dedução"_cp);
    Gerador.EscreverCampo(fcDecimal2, "ZC12", "vDed", 1, 15, 1, d.vDed, "Valor da Dedução"_cp);
    Gerador.EscreverGrupo("/deduc", "", true);
  }
}
