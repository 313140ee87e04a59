// Documents written by TNFeW checked against the tax authority's published
// NF-e 2.00 schemas with xmllint. Together the models below cover every group
// and every ICMS, IPI, PIS, COFINS and ISSQN variant a correct model gives in
// layout 2.00. The schemas are kept in the repository (data/xsd/PL_006); a
// missing schema or xmllint fails the test, it is never skipped.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "apoio/ModeloNFe.h"
#include "writer/kxnNFeW.h"

namespace {

using modelo::AdicionarItem;
using modelo::kProdutos;
using modelo::Valor;

const std::filesystem::path kDiretorioXsd = std::filesystem::path(SALVEXA_SOURCE_DIR) / "data" / "xsd" / "PL_006";

// ---------------------------------------------------------------- ICMS, normal regime

// Every ICMS group of the normal regime, one per item.
const std::vector<std::function<void(TICMS&)>> kICMSNormal = {
    [](TICMS& c) {  // ICMS00
      c.CST = cst00;
      c.modBC = dbiValorOperacao;
      c.vBC = Valor("80.00");
      c.pICMS = Valor("18.00");
      c.vICMS = Valor("14.40");
    },
    [](TICMS& c) {  // ICMS10
      c.CST = cst10;
      c.orig = oeEstrangeiraImportacaoDireta;
      c.modBC = dbiValorOperacao;
      c.vBC = Valor("81.63");
      c.pICMS = Valor("18.00");
      c.vICMS = Valor("14.69");
      c.modBCST = dbisMargemValorAgregado;
      c.pMVAST = Valor("40.00");
      c.vBCST = Valor("114.28");
      c.pICMSST = Valor("18.00");
      c.vICMSST = Valor("5.88");
    },
    [](TICMS& c) {  // ICMSPart with CST 10
      c.CST = cst10;
      c.modBC = dbiValorOperacao;
      c.vBC = Valor("19.11");
      c.pRedBC = Valor("61.11");
      c.pICMS = Valor("12.00");
      c.vICMS = Valor("2.29");
      c.modBCST = dbisPauta;
      c.vBCST = Valor("25.00");
      c.pICMSST = Valor("18.00");
      c.vICMSST = Valor("2.21");
      c.pBCOp = Valor("75.00");
      c.UFST = "SP";
    },
    [](TICMS& c) {  // ICMS20
      c.CST = cst20;
      c.modBC = dbiValorOperacao;
      c.pRedBC = Valor("61.11");
      c.vBC = Valor("7.43");
      c.pICMS = Valor("18.00");
      c.vICMS = Valor("1.34");
    },
    [](TICMS& c) {  // ICMS30
      c.CST = cst30;
      c.modBCST = dbisListaNegativa;
      c.pRedBCST = Valor("41.66");
      c.vBCST = Valor("74.70");
      c.pICMSST = Valor("18.00");
      c.vICMSST = Valor("13.45");
    },
    [](TICMS& c) {  // ICMS40 with a relieved value
      c.CST = cst40;
      c.vICMS = Valor("8.64");
      c.motDesICMS = mdiDeficienteFisico;
    },
    [](TICMS& c) { c.CST = cst41; },  // ICMS40, CST 41
    [](TICMS& c) { c.CST = cst50; },  // ICMS40, CST 50
    [](TICMS& c) { c.CST = cst51; },  // ICMS51 without values
    [](TICMS& c) {                    // ICMS51 complete
      c.CST = cst51;
      c.modBC = dbiPauta;
      c.pRedBC = Valor("33.33");
      c.vBC = Valor("2.41");
      c.pICMS = Valor("18.00");
      c.vICMS = Valor("0.43");
    },
    [](TICMS& c) {  // ICMS60
      c.CST = cst60;
      c.vBCSTRet = Valor("25.00");
      c.vICMSSTRet = Valor("4.50");
    },
    [](TICMS& c) {  // ICMS70
      c.CST = cst70;
      c.orig = oeEstrangeiraAdquiridaBrasil;
      c.modBC = dbiPrecoTabelado;
      c.pRedBC = Valor("41.66");
      c.vBC = Valor("75.32");
      c.pICMS = Valor("18.00");
      c.vICMS = Valor("13.56");
      c.modBCST = dbisListaPositiva;
      c.pMVAST = Valor("35.00");
      c.pRedBCST = Valor("41.66");
      c.vBCST = Valor("101.68");
      c.pICMSST = Valor("18.00");
      c.vICMSST = Valor("4.74");
    },
    [](TICMS& c) {  // ICMS90
      c.CST = cst90;
      c.modBC = dbiMargemValorAgregado;
      c.vBC = Valor("10.00");
      c.pRedBC = Valor("10.00");
      c.pICMS = Valor("7.00");
      c.vICMS = Valor("0.70");
      c.modBCST = dbisListaNeutra;
      c.vBCST = Valor("0.00");
      c.pICMSST = Valor("0.00");
      c.vICMSST = Valor("0.00");
    },
    [](TICMS& c) {  // ICMSPart with CST 90
      c.CST = cst90;
      c.modBC = dbiValorOperacao;
      c.vBC = Valor("7.21");
      c.pICMS = Valor("12.00");
      c.vICMS = Valor("0.87");
      c.modBCST = dbisPrecoTabelado;
      c.vBCST = Valor("9.00");
      c.pICMSST = Valor("18.00");
      c.vICMSST = Valor("0.75");
      c.pBCOp = Valor("50.00");
      c.UFST = "RJ";
    },
    [](TICMS& c) {  // ICMSST
      c.CST = cst41;
      c.vBCSTRet = Valor("3.49");
      c.vICMSSTRet = Valor("0.63");
      c.vBCSTDest = Valor("3.49");
      c.vICMSSTDest = Valor("0.42");
    },
};

// ---------------------------------------------------------------- IPI

const std::vector<std::function<void(TIPI&)>> kIPI = {
    [](TIPI& i) {  // IPITrib by rate
      i.CST = ipi50;
      i.vBC = Valor("49.23");
      i.pIPI = Valor("5.00");
      i.vIPI = Valor("2.46");
    },
    [](TIPI& i) {  // IPITrib by quantity
      i.cEnq = "999";
      i.CST = ipi99;
      i.qUnid = Valor("10.0000");
      i.vUnid = Valor("0.1500");
      i.vIPI = Valor("1.50");
    },
    [](TIPI& i) { i.CST = ipi52; },  // IPINT, cEnq filled in by the writer
    [](TIPI&) {},                    // no IPI at all
    [](TIPI& i) {                    // IPITrib of a drink with its stamps
      i.clEnq = "00001";
      i.CNPJProd = "60891033000109";
      i.cSelo = "BR0001234567";
      i.qSelo = 12;
      i.cEnq = "101";
      i.CST = ipi00;
      i.vBC = Valor("129.10");
      i.pIPI = Valor("10.00");
      i.vIPI = Valor("12.91");
    },
    [](TIPI& i) {  // IPITrib, CST 49, zero values
      i.cEnq = "999";
      i.CST = ipi49;
    },
    [](TIPI& i) { i.CST = ipi01; },
    [](TIPI& i) { i.CST = ipi53; },
    [](TIPI& i) { i.CST = ipi55; },
    [](TIPI& i) { i.CST = ipi05; },
};

// ---------------------------------------------------------------- PIS and COFINS

struct Contribuicao {
  TkxnCstPis pis;
  TkxnCstCofins cofins;
  bool porQuantidade;
};

// Aliq (01, 02), Qtde (03), NT (04 to 09), Outr by rate and by quantity.
const Contribuicao kContribuicoes[] = {
    {pis01, cof01, false}, {pis02, cof02, false}, {pis03, cof03, true},  {pis04, cof04, false},
    {pis06, cof06, false}, {pis07, cof07, false}, {pis08, cof08, false}, {pis09, cof09, false},
    {pis49, cof49, false}, {pis99, cof99, true},  {pis70, cof70, false}, {pis98, cof98, true},
};

void PreencherContribuicoes(TImposto& imp, const Contribuicao& c, Currency base) {
  imp.PIS.CST = c.pis;
  imp.COFINS.CST = c.cofins;
  if (c.porQuantidade) {
    imp.PIS.qBCProd = Valor("10.0000");
    imp.PIS.vAliqProd = Valor("0.1200");
    imp.PIS.vPIS = Valor("1.20");
    imp.COFINS.qBCProd = Valor("10.0000");
    imp.COFINS.vAliqProd = Valor("0.5500");
    imp.COFINS.vCOFINS = Valor("5.50");
  } else {
    imp.PIS.vBC = base;
    imp.PIS.pPIS = Valor("1.65");
    imp.PIS.vPIS = Valor("1.32");
    imp.COFINS.vBC = base;
    imp.COFINS.pCOFINS = Valor("7.60");
    imp.COFINS.vCOFINS = Valor("6.08");
  }
}

// ---------------------------------------------------------------- the documents

void Protocolo(TNFe& n, std::string_view chave, std::string_view nProt) {
  n.procNFe.tpAmb = taProducao;
  n.procNFe.verAplic = "SP_NFE_PL_006q";
  n.procNFe.chNFe = chave;
  n.procNFe.dhRecbto = CodificarDataHora(2014, 10, 21, 13, 54, 4);
  n.procNFe.nProt = nProt;
  n.procNFe.digVal = "dndW1koiOiYKZkXf7cWtg5vfL2Y=";
  n.procNFe.cStat = 100;
  n.procNFe.xMotivo = "Autorizado o uso da NF-e";
}

// Normal regime, goods only: every ICMS group of that regime, the IPI, II,
// PIS, PISST, COFINS and COFINSST variants; carrier by CNPJ, retained ICMS on
// transport, vehicle and trailers, volumes with seals; invoice and
// instalments; all kinds of additional information; purchase. Authorised.
TNFe NFeProdutosRegimeNormal() {
  TNFe n = modelo::NFeRegimeNormal();
  for (std::size_t k = 0; k < kICMSNormal.size(); ++k) {
    TDetCollectionItem& det = AdicionarItem(n, kProdutos[k % 10]);
    TImposto& imp = det.Imposto;
    kICMSNormal[k](imp.ICMS);
    kIPI[k % kIPI.size()](imp.IPI);
    PreencherContribuicoes(imp, kContribuicoes[k % std::size(kContribuicoes)], det.Prod.vProd);
    det.Prod.xPed = "54001166";
    det.Prod.nItemPed = static_cast<int>(k / 2 + 1);
  }
  TProd& p0 = n.Det.Items(0).Prod;
  p0.vFrete = Valor("5.00");
  p0.vSeg = Valor("1.00");
  p0.vDesc = Valor("0.80");
  p0.vOutro = Valor("0.35");
  p0.EXTIPI = "00";
  n.Det.Items(1).Prod.IndTot = itNaoSomaTotalNFe;
  n.Det.Items(0).infAdProd = "MATERIAL DE VOSSA PROPR. CF NF Nº 026.039 DE 07/03/2014, QUE RETORNAM TRANSFORMADOS"_cp;
  // Substitution taxes in both forms, on different items.
  TImposto& st1 = n.Det.Items(3).Imposto;
  st1.PISST.vBc = Valor("20.13");
  st1.PISST.pPis = Valor("1.65");
  st1.PISST.vPIS = Valor("0.33");
  st1.COFINSST.vBC = Valor("20.13");
  st1.COFINSST.pCOFINS = Valor("7.60");
  st1.COFINSST.vCOFINS = Valor("1.53");
  TImposto& st2 = n.Det.Items(4).Imposto;
  st2.PISST.qBCProd = Valor("10.8000");
  st2.PISST.vAliqProd = Valor("0.0864");
  st2.PISST.vPIS = Valor("0.93");
  st2.COFINSST.qBCProd = Valor("10.8000");
  st2.COFINSST.vAliqProd = Valor("0.3984");
  st2.COFINSST.vCOFINS = Valor("4.30");

  TICMSTot& t = n.Total.ICMSTot;
  t.vBC = Valor("310.16");
  t.vICMS = Valor("54.89");
  t.vBCST = Valor("310.16");
  t.vST = Valor("32.07");
  t.vProd = Valor("534.86");
  t.vFrete = Valor("5.00");
  t.vSeg = Valor("1.00");
  t.vDesc = Valor("0.80");
  t.vIPI = Valor("16.87");
  t.vPIS = Valor("8.83");
  t.vCOFINS = Valor("40.67");
  t.vOutro = Valor("0.35");
  t.vNF = Valor("589.35");
  n.Total.retTrib.vRetPIS = Valor("3.47");
  n.Total.retTrib.vRetCOFINS = Valor("16.04");
  n.Total.retTrib.vRetCSLL = Valor("5.35");
  n.Total.retTrib.vBCIRRF = Valor("534.86");
  n.Total.retTrib.vIRRF = Valor("8.02");
  n.Total.retTrib.vBCRetPrev = Valor("534.86");
  n.Total.retTrib.vRetPrev = Valor("58.83");

  TTransp& tr = n.Transp;
  tr.modFrete = mfContaTerceiros;
  tr.Transporta.CNPJCPF = "10.849.477/0001-08";
  tr.Transporta.xNome = "TRANSPRINT - TRANSPORTADORA E LOGISTICA LTDA";
  tr.Transporta.IE = "148.613.972.111";
  tr.Transporta.xEnder = "Rua do Tatuapé"_cp;
  tr.Transporta.xMun = "SAO PAULO";
  tr.Transporta.UF = "SP";
  tr.retTransp.vServ = Valor("120.00");
  tr.retTransp.vBCRet = Valor("120.00");
  tr.retTransp.pICMSRet = Valor("12.00");
  tr.retTransp.vICMSRet = Valor("14.40");
  tr.retTransp.CFOP = "5.353";
  tr.retTransp.cMunFG = 3550308;
  tr.veicTransp.placa = "HBN9738";
  tr.veicTransp.UF = "MG";
  tr.veicTransp.RNTC = "000000";
  for (const char* placa : {"ABC0000", "MOP3825"}) {
    TreboqueCollectionItem& r = tr.Reboque.Add();
    r.placa = placa;
    r.UF = "SP";
  }
  for (int k = 1; k <= 3; ++k) {
    TVolCollectionItem& v = tr.Vol.Add();
    v.qVol = k;
    v.esp = "VOLUMES " + std::to_string(k);
    v.marca = "DIVERSOS " + std::to_string(k);
    v.nVol = std::to_string(k);
    v.pesoL = Valor(std::to_string(k * 1000) + ".000");
    v.pesoB = Valor(std::to_string(k * 1100) + ".000");
    v.Lacres.Add().nLacre = "LACRE-00" + std::to_string(k);
  }
  n.Cobr.Fat.nFat = "945807";
  n.Cobr.Fat.vOrig = Valor("589.35");
  n.Cobr.Fat.vDesc = Valor("0.35");
  n.Cobr.Fat.vLiq = Valor("589.00");
  const TDateTime vencimentos[] = {CodificarDataHora(2014, 10, 31), CodificarDataHora(2014, 11, 30),
                                   CodificarDataHora(2014, 12, 31)};
  for (int k = 0; k < 3; ++k) {
    TDupCollectionItem& d = n.Cobr.Dup.Add();
    d.nDup = "945807 - " + std::to_string(k + 1);
    d.dVenc = vencimentos[k];
    d.vDup = Valor(k < 2 ? "196.33" : "196.34");
  }
  n.InfAdic.infAdFisco = "EMITIDO NOS TERMOS DO ARTIGO 400-C DO DECRETO 48042/03 SAIDA COM SUSPENSAO DO IPI";
  n.InfAdic.infCpl =
      "B.CALC.ICMS REDUZ. 61.11% CONF. IT 19 A1 PARTE 6 AN. IV RICMS/02 CST.060-ICMS RT.SUB.TRIB.ST P.II "
      "A.XV RICMS/MG; VIRGINIA**** ENTREGAR 8 AS 11 OU APOS 14:30 ATE 17HS.******CRIS ALT; Informação "
      "infCpl do Xml: 'entrega' & \"retirada\" <conferir>"_cp;
  TobsContCollectionItem& oc = n.InfAdic.obsCont.Add();
  oc.xCampo = "EMAIL";
  oc.xTexto = "roberto@fimatec.com.br";
  TobsContCollectionItem& oc2 = n.InfAdic.obsCont.Add();
  oc2.xCampo = "Pedido & Cotação"_cp;
  oc2.xTexto = "PED : 54001166";
  TobsFiscoCollectionItem& of = n.InfAdic.obsFisco.Add();
  of.xCampo = " PTA ";
  of.xTexto = "16.000458387-01";
  TprocRefCollectionItem& pr = n.InfAdic.procRef.Add();
  pr.nProc = "16.000458387-01";
  pr.indProc = ipSEFAZ;
  TprocRefCollectionItem& pr2 = n.InfAdic.procRef.Add();
  pr2.nProc = "0012345-67.2013.4.01.3800";
  pr2.indProc = ipJusticaFederal;
  n.compra.xNEmp = "2014NE000123";
  n.compra.xPed = "54001166";
  n.compra.xCont = "CONTRATO 12/2014";
  n.signature.DigestValue = "i8Cwf3gx3uZV8nOQQdjnMC764tk=";
  n.signature.SignatureValue =
      "B1sAoF/mZVsXhhgg3bw0ntsMszNgfWErW0yQ8/d4LazS0YPC3daheVRYCYBTIvG4bMLtXLJTNjyLHukUjMSWa1uXlAMOdscZgm2EeagCSvB"
      "ViSWczO77wfPUfhdzQ3z6TDe0/2G83p+k2OYlFKKKhIv8jLr+B++xC1B/BScrBFo=";
  n.signature.X509Certificate = "MIIGTDCCBTSgAwIBAgIIWzbnL3eShkEwDQYJKoZIhvcNAQEFBQAw";
  Protocolo(n, "31141019592641000372550020009458071111021102", "131140786321456");
  return n;
}

// Simples Nacional: every CSOSN group, a service item with ISSQN and its
// totals, carrier by CPF, transport by wagon, duplicates without an invoice.
TNFe NFeSimplesNacionalComServico() {
  TNFe n = modelo::NFeSimplesNacional();
  const TkxnCSOSNIcms situacoes[] = {csosn101, csosn102, csosn103, csosn201, csosn202,
                                     csosn203, csosn300, csosn400, csosn500, csosn900};
  for (std::size_t k = 0; k < std::size(situacoes); ++k) {
    TDetCollectionItem& det = AdicionarItem(n, kProdutos[k == 0 ? 10 : k - 1]);
    TICMS& c = det.Imposto.ICMS;
    c.CST = cst41;  // ignored under the simplified regime
    c.CSOSN = situacoes[k];
    switch (c.CSOSN) {
      case csosn101:
        c.pCredSN = Valor("3.50");
        c.vCredICMSSN = Valor("17.50");
        break;
      case csosn201:
      case csosn202:
      case csosn203:
        c.modBCST = dbisMargemValorAgregado;
        c.pMVAST = Valor("35.00");
        c.vBCST = Valor("110.20");
        c.pICMSST = Valor("17.00");
        c.vICMSST = Valor("4.93");
        if (c.CSOSN == csosn201) {
          c.pCredSN = Valor("2.56");
          c.vCredICMSSN = Valor("2.09");
        }
        break;
      case csosn500:
        c.vBCSTRet = Valor("0.00");
        c.vICMSSTRet = Valor("0.00");
        break;
      case csosn900:
        c.modBC = dbiValorOperacao;
        c.vBC = Valor("48.00");
        c.pRedBC = Valor("10.00");
        c.pICMS = Valor("17.00");
        c.vICMS = Valor("7.34");
        c.modBCST = dbisPauta;
        c.vBCST = Valor("50.00");
        c.pICMSST = Valor("17.00");
        c.vICMSST = Valor("1.16");
        c.pCredSN = Valor("3.50");
        c.vCredICMSSN = Valor("1.68");
        break;
      default:
        break;
    }
    det.Imposto.PIS.CST = pis99;
    det.Imposto.COFINS.CST = cof99;
  }
  n.Det.Items(0).Prod.vDesc = Valor("50.00");
  TDetCollectionItem& servico = AdicionarItem(n, kProdutos[11]);
  servico.Prod.IndTot = itNaoSomaTotalNFe;
  TISSQN& iss = servico.Imposto.ISSQN;
  iss.vBC = Valor("90.00");
  iss.vAliq = Valor("5.00");
  iss.vISSQN = Valor("4.50");
  iss.cMunFG = 1100205;
  iss.cListServ = 108;
  iss.cSitTrib = ISSQNcSitTribNORMAL;
  servico.Imposto.PIS.CST = pis99;
  servico.Imposto.COFINS.CST = cof99;
  servico.infAdProd = "Serviço prestado no local; técnico responsável: João"_cp;
  // The other ISSQN situations, each on a service item of its own.
  for (TkxnISSQNcSitTrib situacao : {ISSQNcSitTribRETIDA, ISSQNcSitTribSUBSTITUTA, ISSQNcSitTribISENTA}) {
    TDetCollectionItem& outro = AdicionarItem(n, kProdutos[11]);
    outro.Prod.IndTot = itNaoSomaTotalNFe;
    outro.Imposto.ISSQN = iss;
    outro.Imposto.ISSQN.cSitTrib = situacao;
    outro.Imposto.ISSQN.cListServ = 1401;
    if (situacao == ISSQNcSitTribISENTA) outro.Imposto.ISSQN.vAliq = outro.Imposto.ISSQN.vISSQN = Valor("0");
    outro.Imposto.PIS.CST = pis07;
    outro.Imposto.COFINS.CST = cof07;
  }

  n.Total.ICMSTot.vProd = Valor("905.67");
  n.Total.ICMSTot.vDesc = Valor("50.00");
  n.Total.ICMSTot.vST = Valor("20.95");
  n.Total.ICMSTot.vNF = Valor("876.62");
  n.Total.ISSQNtot.vServ = Valor("90.00");
  n.Total.ISSQNtot.vBC = Valor("90.00");
  n.Total.ISSQNtot.vISS = Valor("4.50");
  n.Transp.modFrete = mfContaDestinatario;
  n.Transp.Transporta.CNPJCPF = "864.264.006-53";
  n.Transp.Transporta.xNome = "AGNALDO DE FREITAS";
  n.Transp.Transporta.IE = "ISENTO";
  n.Transp.Transporta.xEnder = "RUA LUIZ DE SOUZA LIMA, 147 - INDEPENDENCIA";
  n.Transp.Transporta.xMun = "BELO HORIZONTE";
  n.Transp.Transporta.UF = "MG";
  n.Transp.vagao = "VG-0042";
  n.Transp.Vol.Add();  // an empty volume, as the sample has
  TDupCollectionItem& d = n.Cobr.Dup.Add();
  d.nDup = "00000488-01/01";
  d.dVenc = CodificarDataHora(2010, 12, 2);
  d.vDup = Valor("540.00");
  n.InfAdic.infCpl =
      "Pz -> / / / / / / / / / / / (0000161);F.Pgto : 1-Dinheiro Vend : 1-WAGNER ARAGAO ;* Desconto em Produtos de "
      "( 10,00000%) R$ 50,00 *;*Empresa Optante Simples Nacional*;Base ICMS= 540,00 Aliq ICMS= 3,50%=0,00";
  return n;
}

// Special products: vehicle, medicine, weapon, fuel with CIDE, an imported
// item with its declaration and II; emitter over the Simples limit (normal
// ICMS groups); retained taxes, transport by ferry, export and sugar cane.
TNFe NFeProdutosEspeciais() {
  TNFe n = modelo::NFeRegimeNormal();
  n.Emit.CRT = crtSimplesExcessoReceita;
  n.Ide.natOp = "VENDA DE PRODUCAO DO ESTABELECIMENTO";

  TDetCollectionItem& carro = AdicionarItem(n, {"VW-GOL-1.0", "", "AUTOMOVEL GOL 1.0 TOTAL FLEX 4P", "87032100", "5102",
                                                "UN", "1.0000", 32900.0, "32900.00"});
  TveicProd& v = carro.Prod.veicProd;
  modelo::PreencherVeiculo(v, toVendaConcessionaria, cvAcabado);
  carro.Imposto.ICMS.CST = cst00;
  carro.Imposto.ICMS.modBC = dbiValorOperacao;
  carro.Imposto.ICMS.vBC = Valor("32900.00");
  carro.Imposto.ICMS.pICMS = Valor("12.00");
  carro.Imposto.ICMS.vICMS = Valor("3948.00");
  PreencherContribuicoes(carro.Imposto, kContribuicoes[0], carro.Prod.vProd);

  TDetCollectionItem& remedio =
      AdicionarItem(n, {"70601", "", "DORDENTE", "30049099", "6108", "UD", "10.0000", 2.5, "25.00"});
  for (const char* lote : {"123656", "123657"}) {
    TmedCollectionItem& m = remedio.Prod.med.Add();
    m.nLote = lote;
    m.qLote = Valor("5.000");
    m.dFab = CodificarDataHora(2008, 6, 1);
    m.dVal = CodificarDataHora(2008, 7, 31);
    m.vPMC = Valor("3.50");
  }
  remedio.Imposto.ICMS.CST = cst60;
  remedio.Imposto.ICMS.vBCSTRet = Valor("25.00");
  remedio.Imposto.ICMS.vICMSSTRet = Valor("4.50");
  remedio.Imposto.PIS.CST = pis04;
  remedio.Imposto.COFINS.CST = cof04;

  TDetCollectionItem& arma = AdicionarItem(
      n, {"TAU-PT940", "", "PISTOLA TAURUS PT 940 .40", "93020000", "5102", "UN", "1.0000", 3150.0, "3150.00"});
  TarmaCollectionItem& a = arma.Prod.arma.Add();
  a.tpArma = taUsoRestrito;
  a.nSerie = "SDT12345";
  a.nCano = "C7788";
  a.descr = "PISTOLA CALIBRE .40 S&W, ACABAMENTO INOX, CAPACIDADE 11 TIROS, CANO 3,6 POLEGADAS";
  arma.Imposto.ICMS.CST = cst00;
  arma.Imposto.IPI.CST = ipi50;
  arma.Imposto.IPI.vBC = Valor("3150.00");
  arma.Imposto.IPI.pIPI = Valor("45.00");
  arma.Imposto.IPI.vIPI = Valor("1417.50");
  PreencherContribuicoes(arma.Imposto, kContribuicoes[1], arma.Prod.vProd);

  TDetCollectionItem& diesel =
      AdicionarItem(n, {"DS-S10", "", "OLEO DIESEL S10", "27101921", "5656", "L", "5000.0000", 2.359, "11795.00"});
  TComb& comb = diesel.Prod.comb;
  comb.cProdANP = 820101033;
  comb.CODIF = "123456789";
  comb.qTemp = Valor("4985.3000");
  comb.UFcons = "MG";
  comb.CIDE.qBCProd = Valor("5000.0000");
  comb.CIDE.vAliqProd = Valor("0.0500");
  comb.CIDE.vCIDE = Valor("250.00");
  diesel.Imposto.ICMS.CST = cst60;
  diesel.Imposto.PIS.CST = pis04;
  diesel.Imposto.COFINS.CST = cof04;

  TDetCollectionItem& importado = AdicionarItem(n, {"F211130101000", "", "AMPERIMETRO FM72PC 300/5A COD 3491192843 RL",
                                                    "90303329", "3102", "PC", "100.0000", 49.23, "4923.00"});
  TDICollectionItem& di = importado.Prod.DI.Add();
  di.nDi = "1212345678";
  di.dDi = CodificarDataHora(2013, 10, 1);
  di.xLocDesemb = "PORTO DE SANTOS";
  di.UFDesemb = "SP";
  di.dDesemb = CodificarDataHora(2013, 10, 3);
  di.cExportador = "KRON-DE-001";
  for (int k = 1; k <= 2; ++k) {
    TAdiCollectionItem& ad = di.adi.Add();
    ad.nAdicao = 1;
    ad.nSeqAdic = k;
    ad.cFabricante = "SIEMENS AG";
    ad.vDescDI = Valor(k == 1 ? "12.50" : "0");
  }
  importado.Prod.xPed = "98001921";
  importado.Prod.nItemPed = 10;
  importado.Imposto.ICMS.orig = oeEstrangeiraImportacaoDireta;
  importado.Imposto.ICMS.CST = cst00;
  importado.Imposto.ICMS.vBC = Valor("6000.00");
  importado.Imposto.ICMS.pICMS = Valor("18.00");
  importado.Imposto.ICMS.vICMS = Valor("1080.00");
  TII& ii = importado.Imposto.II;
  ii.vBc = Valor("4923.00");
  ii.vDespAdu = Valor("150.00");
  ii.vII = Valor("689.22");
  ii.vIOF = Valor("18.46");
  PreencherContribuicoes(importado.Imposto, kContribuicoes[8], importado.Prod.vProd);

  n.Total.ICMSTot.vProd = Valor("52793.00");
  n.Total.ICMSTot.vII = Valor("689.22");
  n.Total.ICMSTot.vNF = Valor("54899.72");
  n.Transp.modFrete = mfSemFrete;
  n.Transp.balsa = "BALSA RIO MADEIRA 7";
  n.exporta.UFembarq = "SP";
  n.exporta.xLocEmbarq = "PORTO DE SANTOS";
  TCana& cana = n.cana;
  cana.safra = "2013/2014";
  cana.ref = "10/2013";
  for (int dia = 1; dia <= 31; ++dia) {
    TForDiaCollectionItem& f = cana.fordia.Add();
    f.dia = dia;
    f.qtde = Valor("1250.5000");
  }
  cana.qTotMes = 38765.5;
  cana.qTotAnt = 412000.25;
  cana.qTotGer = 450765.75;
  for (std::string_view ded : {std::string_view("TAXA DE ARMAZENAGEM"), "CONTRIBUIÇÃO SINDICAL"_cp}) {
    TDeducCollectionItem& d = cana.deduc.Add();
    d.xDed = ded;
    d.vDed = Valor("120.00");
  }
  cana.vFor = Valor("48500.00");
  cana.vTotDed = Valor("240.00");
  cana.vLiqFor = Valor("48260.00");
  Protocolo(n, "31141019592641000372550020009458071111021102", "131140786329999");
  return n;
}

// The least a document can hold: one item with ICMS 00 and non-taxed PIS and
// COFINS, no transport, billing or other optional data.
TNFe NFeMinima() {
  TNFe n = modelo::NFeRegimeNormal();
  TDetCollectionItem& det = AdicionarItem(n, kProdutos[7]);
  det.Imposto.PIS.CST = pis07;
  det.Imposto.COFINS.CST = cof07;
  n.Total.ICMSTot.vProd = Valor("18.10");
  n.Total.ICMSTot.vNF = Valor("18.10");
  n.Transp.modFrete = mfSemFrete;
  return n;
}

// The largest document the layout allows: 990 items, each with product,
// ICMS, IPI, PIS and COFINS.
TNFe NFeNovecentosENoventaItens() {
  TNFe n = modelo::NFeRegimeNormal();
  for (int k = 0; k < 990; ++k) {
    TDetCollectionItem& det = AdicionarItem(n, kProdutos[k % 10]);
    kICMSNormal[0](det.Imposto.ICMS);
    kIPI[0](det.Imposto.IPI);
    PreencherContribuicoes(det.Imposto, kContribuicoes[0], det.Prod.vProd);
  }
  n.Transp.modFrete = mfSemFrete;
  return n;
}

// ---------------------------------------------------------------- validation

struct Validacao {
  int status = -1;
  std::string mensagens;
};

Validacao ValidarArquivo(const std::filesystem::path& arquivo, const std::filesystem::path& xsd) {
  const std::string comando = "xmllint --noout --schema '" + xsd.string() + "' '" + arquivo.string() + "' 2>&1";
  Validacao v;
  FILE* saida = popen(comando.c_str(), "r");
  if (!saida) return v;
  char bloco[4096];
  for (std::size_t n; (n = std::fread(bloco, 1, sizeof bloco, saida)) > 0;) v.mensagens.append(bloco, n);
  v.status = pclose(saida);
  return v;
}

// True when the text holds a start tag of that element, with or without attributes.
bool TemElemento(const std::string& xml, std::string_view elemento) {
  const std::string inicio = "<" + std::string(elemento);
  for (std::size_t p = xml.find(inicio); p != std::string::npos; p = xml.find(inicio, p + 1)) {
    const char seguinte = xml[p + inicio.size()];
    if (seguinte == '>' || seguinte == ' ' || seguinte == '/') return true;
  }
  return false;
}

struct CasoSchema {
  const char* nome;
  TNFe (*montar)();
  const char* xsd;
  std::vector<std::string_view> elementos;  // start tags the document must hold
};

void PrintTo(const CasoSchema& caso, std::ostream* saida) { *saida << caso.nome; }

// Fails the test when the schemas or xmllint are not there.
void ExigirValidador() {
  for (const char* xsd : {"nfe_v2.00.xsd", "procNFe_v2.00.xsd"})
    ASSERT_TRUE(std::filesystem::exists(kDiretorioXsd / xsd)) << "NF-e 2.00 schema missing: " << kDiretorioXsd / xsd;
  ASSERT_EQ(std::system("xmllint --version >/dev/null 2>&1"), 0)
      << "xmllint (libxml2-utils) is needed for the schema checks; scripts/setup.sh installs it";
}

class Schema : public ::testing::TestWithParam<CasoSchema> {
 protected:
  void SetUp() override { ExigirValidador(); }
};

TEST_P(Schema, DocumentIsValid) {
  const CasoSchema& caso = GetParam();
  TNFe nfe = caso.montar();
  TNFeW w(nfe);
  w.Opcoes().GerarTagAssinatura = taSempre;
  w.GerarDocumento();
  // The models are correct, so no alert either.
  EXPECT_TRUE(w.Gerador().ListaDeAlertas().empty()) << ::testing::PrintToString(w.Gerador().ListaDeAlertas());
  for (std::string_view elemento : caso.elementos)
    EXPECT_TRUE(TemElemento(w.Gerador().ArquivoFormatoXML(), elemento)) << "the model does not produce " << elemento;

  const std::filesystem::path arquivo = std::filesystem::temp_directory_path() /
                                        ("salvexa-schema-" + std::to_string(getpid()) + "-" + caso.nome + ".xml");
  w.Gerador().SalvarArquivo(arquivo.string());
  const Validacao v = ValidarArquivo(arquivo, kDiretorioXsd / caso.xsd);
  EXPECT_EQ(v.status, 0) << v.mensagens;
  if (v.status == 0) std::filesystem::remove(arquivo);
}

INSTANTIATE_TEST_SUITE_P(
    NFeW, Schema,
    ::testing::Values(
        CasoSchema{"ProdutosRegimeNormal",
                   NFeProdutosRegimeNormal,
                   "procNFe_v2.00.xsd",
                   {"ICMS00",     "ICMS10",   "ICMSPart", "ICMS20",     "ICMS30",     "ICMS40",     "ICMS51",
                    "ICMS60",     "ICMS70",   "ICMS90",   "ICMSST",     "IPITrib",    "IPINT",      "PISAliq",
                    "PISQtde",    "PISNT",    "PISOutr",  "PISST",      "COFINSAliq", "COFINSQtde", "COFINSNT",
                    "COFINSOutr", "COFINSST", "retTrib",  "transporta", "retTransp",  "veicTransp", "reboque",
                    "lacres",     "fat",      "dup",      "infAdFisco", "procRef",    "compra",     "protNFe"}},
        CasoSchema{"SimplesNacionalComServico",
                   NFeSimplesNacionalComServico,
                   "nfe_v2.00.xsd",
                   {"ICMSSN101", "ICMSSN102", "ICMSSN201", "ICMSSN202", "ICMSSN500", "ICMSSN900", "ISSQN", "ISSQNtot",
                    "CPF", "vagao", "vol", "dup", "infAdProd", "cSitTrib>N</cSitTrib", "cSitTrib>R</cSitTrib",
                    "cSitTrib>S</cSitTrib", "cSitTrib>I</cSitTrib"}},
        CasoSchema{"ProdutosEspeciais",
                   NFeProdutosEspeciais,
                   "procNFe_v2.00.xsd",
                   {"veicProd", "med", "arma", "comb", "CIDE", "DI", "adi", "II", "balsa", "exporta", "cana", "deduc"}},
        CasoSchema{"Minima", NFeMinima, "nfe_v2.00.xsd", {"ICMS00", "PISNT", "COFINSNT", "ICMSTot"}},
        CasoSchema{"NovecentosENoventaItens", NFeNovecentosENoventaItens, "nfe_v2.00.xsd", {"det nItem=\"990\""}}),
    [](const ::testing::TestParamInfo<CasoSchema>& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------- faulty models

// A model with one fault. Whatever the writer cannot write as the layout wants
// is named by an alert: the document is either valid or its alerts name the
// fields in the way.
struct CasoDefeito {
  const char* nome;
  void (*estragar)(TNFe&);
  bool valido;                         // the document still passes the schema
  std::vector<std::string_view> tags;  // tags the alerts name
};

void PrintTo(const CasoDefeito& caso, std::ostream* saida) { *saida << caso.nome; }

class SchemaDefeito : public ::testing::TestWithParam<CasoDefeito> {
 protected:
  void SetUp() override { ExigirValidador(); }
};

TEST_P(SchemaDefeito, InvalidOutputIsNamedByTheAlerts) {
  const CasoDefeito& caso = GetParam();
  TNFe nfe = NFeMinima();
  caso.estragar(nfe);
  TNFeW w(nfe);
  w.Opcoes().GerarTagAssinatura = taSempre;
  EXPECT_EQ(w.GerarDocumento(), caso.tags.empty());
  std::vector<std::string> tags;
  for (const std::string& alerta : w.Gerador().ListaDeAlertas()) {
    // "... ID:<id>/<tag>(<description>) - <message>."
    const std::size_t id = alerta.rfind(" ID:");
    const std::size_t barra = alerta.find('/', id), parentese = alerta.find('(', barra);
    ASSERT_NE(parentese, std::string::npos) << alerta;
    tags.push_back(alerta.substr(barra + 1, parentese - barra - 1));
  }
  EXPECT_EQ(tags, std::vector<std::string>(caso.tags.begin(), caso.tags.end()))
      << ::testing::PrintToString(w.Gerador().ListaDeAlertas());

  const std::filesystem::path arquivo = std::filesystem::temp_directory_path() /
                                        ("salvexa-defeito-" + std::to_string(getpid()) + "-" + caso.nome + ".xml");
  w.Gerador().SalvarArquivo(arquivo.string());
  const Validacao v = ValidarArquivo(arquivo, kDiretorioXsd / "nfe_v2.00.xsd");
  EXPECT_EQ(v.status == 0, caso.valido) << v.mensagens;
  std::filesystem::remove(arquivo);
}

INSTANTIATE_TEST_SUITE_P(
    NFeW, SchemaDefeito,
    ::testing::Values(
        CasoDefeito{"CepLongerThanEightDigits", [](TNFe& n) { n.Emit.EnderEmit.CEP = 132150245; }, false, {"CEP"}},
        CasoDefeito{
            "ItemPedLongerThanSixDigits", [](TNFe& n) { n.Det.Items(0).Prod.nItemPed = 1234567; }, false, {"nItemPed"}},
        CasoDefeito{"RecipientCountryWithFiveDigits",
                    [](TNFe& n) { n.Dest.EnderDest.cPais = 91058; },
                    false,
                    {"cPais", "cPais"}},
        CasoDefeito{"RecipientCountryNotListed", [](TNFe& n) { n.Dest.EnderDest.cPais = 1234; }, false, {"cPais"}},
        CasoDefeito{"Icms80", [](TNFe& n) { n.Det.Items(0).Imposto.ICMS.CST = cst80; }, false, {"CST"}},
        CasoDefeito{"IcmsOtherUf", [](TNFe& n) { n.Det.Items(0).Imposto.ICMS.CST = cstICMSOutraUF; }, false, {"CST"}},
        CasoDefeito{"SimplesNacionalWithoutCsosn", [](TNFe& n) { n.Emit.CRT = crtSimplesNacional; }, false, {"CSOSN"}},
        CasoDefeito{"ServiceItemWithZeroValues",
                    [](TNFe& n) { n.Det.Items(0).Imposto.ISSQN.cSitTrib = ISSQNcSitTribISENTA; },
                    false,
                    {"cMunFG", "cListServ"}},
        CasoDefeito{"IssqnValuesWithoutSituation",
                    [](TNFe& n) {
                      TISSQN& i = n.Det.Items(0).Imposto.ISSQN;
                      i.vBC = Valor("18.10");
                      i.vAliq = Valor("5.00");
                      i.vISSQN = Valor("0.91");
                      i.cMunFG = 3118601;
                      i.cListServ = 1401;
                    },
                    true,
                    {"cSitTrib"}},
        CasoDefeito{"PisStWithOnlyItsValue",
                    [](TNFe& n) { n.Det.Items(0).Imposto.PISST.vPIS = Valor("0.30"); },
                    true,
                    {"PISST"}},
        CasoDefeito{"NoItems", [](TNFe& n) { n.Det = TDetCollection{}; }, false, {"nItem"}},
        CasoDefeito{"EmptyReference", [](TNFe& n) { n.Ide.NFref.Add(); }, false, {"NFref"}},
        CasoDefeito{"EmptyDuplicate", [](TNFe& n) { n.Cobr.Dup.Add(); }, false, {"vDup"}},
        CasoDefeito{"ObservationFieldNameWithBlanks",
                    [](TNFe& n) {
                      TobsContCollectionItem& o = n.InfAdic.obsCont.Add();
                      o.xCampo = " EMAIL ";
                      o.xTexto = "roberto@fimatec.com.br";
                    },
                    true,
                    {}},
        CasoDefeito{"VersionRoundedToTwoPointZero", [](TNFe& n) { n.infNFe.SetVersao(1.999); }, true, {}}),
    [](const ::testing::TestParamInfo<CasoDefeito>& info) { return std::string(info.param.nome); });

}  // namespace
