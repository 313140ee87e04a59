// The second half of the NF-e writer: items, product sub-groups, item taxes,
// totals, transport, billing, additional information, export, purchase and
// sugar cane. Each test writes a whole document whose first half is valid and
// compares the groups it is about.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "util/Win1252.h"
#include "apoio/ModeloNFe.h"
#include "writer/kxnNFeW.h"

namespace {

using modelo::Valor;

struct Saida {
  std::string xml;
  std::vector<TAlerta> alertas;  // without the open groups: the tests are about what each alert says
};

using Ajuste = std::function<void(TNFeW&)>;

Saida Gerar(TNFe& n, const Ajuste& ajustar = {}) {
  TNFeW w(n);
  if (ajustar) ajustar(w);
  w.GerarDocumento();
  Saida s{w.Gerador().ArquivoFormatoXML(), w.Gerador().Alertas()};
  for (TAlerta& a : s.alertas) a.TagNivel.clear();
  return s;
}

TAlerta Alerta(std::string_view id, std::string_view tag, std::string_view descricao, std::string_view msg,
               std::optional<std::string> valor = std::nullopt) {
  return {std::string(id), std::string(tag), std::string(descricao), std::string(msg), std::move(valor), {}};
}

const std::string kInvalido = std::string("Conteúdo inválido"_cp);

// Position of the next start tag of `tag` (with or without attributes) from `de`.
std::size_t Inicio(const std::string& xml, std::string_view tag, std::size_t de) {
  const std::string procura = "<" + std::string(tag);
  for (std::size_t p = xml.find(procura, de); p != std::string::npos; p = xml.find(procura, p + 1)) {
    const char c = xml[p + procura.size()];
    if (c == '>' || c == ' ' || c == '/') return p;
  }
  return std::string::npos;
}

// The `n`-th (0-based) outermost element named `tag`, start to end tag; "" when absent.
std::string Elemento(const std::string& xml, std::string_view tag, int n = 0) {
  const std::string fim = "</" + std::string(tag) + ">";
  std::size_t p = Inicio(xml, tag, 0);
  for (; p != std::string::npos; --n) {
    const std::size_t abre = xml.find('>', p);
    std::size_t q = abre + 1;
    if (xml[abre - 1] != '/') {
      for (int nivel = 1; nivel > 0;) {
        const std::size_t outro = Inicio(xml, tag, q), fecha = xml.find(fim, q);
        if (fecha == std::string::npos) return {};
        if (outro < fecha) {
          ++nivel;
          q = outro + 1;
        } else {
          --nivel;
          q = fecha + fim.size();
        }
      }
    }
    if (n == 0) return xml.substr(p, q - p);
    p = Inicio(xml, tag, q);
  }
  return {};
}

int Ocorrencias(const std::string& xml, std::string_view tag) {
  int n = 0;
  for (std::size_t p = Inicio(xml, tag, 0); p != std::string::npos; p = Inicio(xml, tag, p + 1)) ++n;
  return n;
}

// The Minas Gerais invoice of the samples with one product and nothing else.
TNFe ComUmItem() {
  TNFe n = modelo::NFeRegimeNormal();
  modelo::AdicionarItem(n, modelo::kProdutos[0]);
  return n;
}

TDetCollectionItem& Item(TNFe& n) { return n.Det.Items(0); }

// ---------------------------------------------------------------- items and product

// The layout requires at least one item: a document without any is reported.
TEST(NFeWItens, DocumentWithoutItemsWritesNoDetAndAnAlert) {
  TNFe n = modelo::NFeRegimeNormal();
  const Saida s = Gerar(n);
  EXPECT_EQ(Ocorrencias(s.xml, "det"), 0);
  EXPECT_EQ(s.alertas, std::vector<TAlerta>{Alerta("H02", "nItem", "Numero do item", "Nenhum valor informado")});
}

// Fixed-width numbers longer than their width are written whole and reported
// with their value, instead of losing their leading digits.
TEST(NFeWItens, FixedWidthNumbersLongerThanTheirWidth) {
  struct Caso {
    const char* nome;
    std::function<void(TNFe&)> ajustar;
    std::string campo;
    std::optional<TAlerta> alerta;  // none: no alert
  };
  const std::string_view maior = "Tamanho maior que o máximo permitido"_cp;
  const auto alerta = [&](std::string_view id, std::string_view tag, std::string_view desc, std::string_view valor) {
    return Alerta(id, tag, desc, maior, std::string(valor));
  };
  const Caso casos[] = {
      {"nItemPed fits", [](TNFe& n) { Item(n).Prod.nItemPed = 12; }, "<nItemPed>000012</nItemPed>", {}},
      {"nItemPed", [](TNFe& n) { Item(n).Prod.nItemPed = 1234567; }, "<nItemPed>1234567</nItemPed>",
       alerta("I31", "nItemPed", "Item do Pedido de Compra da DI – adição"_cp, "1234567")},
      {"cProdANP", [](TNFe& n) { Item(n).Prod.comb.cProdANP = 1820101033; }, "<cProdANP>1820101033</cProdANP>",
       alerta("L102", "cProdANP", "Código do produto ANP"_cp, "1820101033")},
      {"emitter CEP", [](TNFe& n) { n.Emit.EnderEmit.CEP = 132150245; }, "<CEP>132150245</CEP>",
       alerta("C13", "CEP", "CEP", "132150245")},
      {"recipient CEP", [](TNFe& n) { n.Dest.EnderDest.CEP = 312557801; }, "<CEP>312557801</CEP>",
       alerta("E13", "CEP", "CEP", "312557801")},
      {"ECF order number",
       [](TNFe& n) {
         TRefECF& ecf = n.Ide.NFref.Add().RefECF;
         ecf.modelo = ECFModRef2D;
         ecf.nECF = "1234";
         ecf.nCOO = "23";
       },
       "<nECF>1234</nECF><nCOO>000023</nCOO>", alerta("B20l", "nECF", "Número de ordem seqüencial do ECF"_cp, "1234")},
      {"ECF operation counter",
       [](TNFe& n) {
         TRefECF& ecf = n.Ide.NFref.Add().RefECF;
         ecf.modelo = ECFModRef2D;
         ecf.nECF = "1";
         ecf.nCOO = "1234567";
       },
       "<nECF>001</nECF><nCOO>1234567</nCOO>",
       alerta("B20m", "nCOO", "Número do Contador de Ordem de Operação - COO"_cp, "1234567")},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    Item(n).Prod.comb.UFcons = "MG";
    c.ajustar(n);
    const Saida s = Gerar(n);
    EXPECT_NE(s.xml.find(c.campo), std::string::npos) << s.xml;
    EXPECT_EQ(s.alertas, c.alerta ? std::vector<TAlerta>{*c.alerta} : std::vector<TAlerta>{});
  }
}

TEST(NFeWItens, ProductFieldsFollowTheLayoutVersion) {
  struct Caso {
    double versao;
    std::string prod;
  };
  const Caso casos[] = {
      {2.00,
       "<prod><cProd>220030</cProd><cEAN>7896036096697</cEAN><xProd>EXTRATO DE TOMATE ELEFANTE TP 1,1KG</xProd>"
       "<EXTIPI>01</EXTIPI><CFOP>5405</CFOP><uCom>UN</uCom><qCom>10.0000</qCom><vUnCom>8.1234567891</vUnCom>"
       "<vProd>80.00</vProd><cEANTrib>7896036096697</cEANTrib><uTrib>UN</uTrib><qTrib>10.0000</qTrib>"
       "<vUnTrib>8.1234567891</vUnTrib><vFrete>5.00</vFrete><vSeg>1.10</vSeg><vDesc>0.80</vDesc>"
       "<vOutro>0.35</vOutro><indTot>0</indTot><xPed>54001166</xPed><nItemPed>000012</nItemPed></prod>"},
      {1.10,
       "<prod><cProd>220030</cProd><cEAN>7896036096697</cEAN><xProd>EXTRATO DE TOMATE ELEFANTE TP 1,1KG</xProd>"
       "<EXTIPI>01</EXTIPI><CFOP>5405</CFOP><uCom>UN</uCom><qCom>10.0000</qCom><vUnCom>8.1235</vUnCom>"
       "<vProd>80.00</vProd><cEANTrib>7896036096697</cEANTrib><uTrib>UN</uTrib><qTrib>10.0000</qTrib>"
       "<vUnTrib>8.1235</vUnTrib><vFrete>5.00</vFrete><vSeg>1.10</vSeg><vDesc>0.80</vDesc>"
       "<vOutro>0.35</vOutro><xPed>54001166</xPed><nItemPed>000012</nItemPed></prod>"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.versao);
    TNFe n = ComUmItem();
    n.infNFe.SetVersao(c.versao);
    TProd& p = Item(n).Prod;
    p.NCM = "";  // required from 2.00 on: written empty there, left out before
    p.EXTIPI = "01";
    p.CFOP = "5.405";
    p.vUnCom = p.vUnTrib = 8.12345678912;
    p.vFrete = Valor("5");
    p.vSeg = Valor("1.1");
    p.vDesc = Valor("0.8");
    p.vOutro = Valor("0.35");
    p.IndTot = itNaoSomaTotalNFe;
    p.xPed = "54001166";
    p.nItemPed = 12;
    std::string esperado = c.prod;
    if (c.versao >= 2.00) esperado.insert(esperado.find("<EXTIPI>"), "<NCM/>");
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "prod"), esperado);
  }
}

TEST(NFeWItens, CfopKeepsOnlyItsDigits) {
  struct Caso {
    const char* cfop;
    std::string campo;
    std::vector<TAlerta> alertas;
  };
  const Caso casos[] = {
      {"5.405", "<CFOP>5405</CFOP>", {}},
      {" 6-102 ", "<CFOP>6102</CFOP>", {}},
      {"VENDA", "<CFOP/>", {Alerta("I08", "CFOP", "CFOP", "Nenhum valor informado")}},
      {"", "<CFOP/>", {Alerta("I08", "CFOP", "CFOP", "Nenhum valor informado")}},
      {"5.1020",
       "<CFOP>51020</CFOP>",
       {Alerta("I08", "CFOP", "CFOP", "Tamanho maior que o máximo permitido"_cp, "51020")}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.cfop);
    TNFe n = ComUmItem();
    Item(n).Prod.CFOP = c.cfop;
    const Saida s = Gerar(n);
    EXPECT_NE(Elemento(s.xml, "prod").find("</NCM>" + c.campo + "<uCom>"), std::string::npos);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

TEST(NFeWItens, ItemNumberComesFromTheModelAndInfAdProdClosesTheItem) {
  TNFe n = ComUmItem();
  modelo::AdicionarItem(n, modelo::kProdutos[1]).infAdProd = "LOTE  123 -  Validade 2015";
  modelo::AdicionarItem(n, modelo::kProdutos[2]);
  n.Det.Items(0).Prod.nItem = 0;
  n.Det.Items(1).Prod.nItem = 7;
  n.Det.Items(2).Prod.nItem = 7;
  n.Det.Items(2).infAdProd = std::string(501, 'X');
  const Saida s = Gerar(n);
  EXPECT_EQ(Inicio(s.xml, "det nItem=\"0\"", 0), Inicio(s.xml, "det", 0));
  EXPECT_EQ(Ocorrencias(s.xml, "det nItem=\"7\""), 2);
  EXPECT_EQ(Ocorrencias(s.xml, "infAdProd"), 2);
  EXPECT_TRUE(Elemento(s.xml, "det", 1).ends_with("</imposto><infAdProd>LOTE 123 - Validade 2015</infAdProd></det>"));
  EXPECT_TRUE(
      Elemento(s.xml, "det", 2).ends_with("</imposto><infAdProd>" + std::string(501, 'X') + "</infAdProd></det>"));
  ASSERT_EQ(s.alertas.size(), 1u);
  EXPECT_EQ(s.alertas[0].ID, "V01");
  EXPECT_EQ(s.alertas[0].TAG, "infAdProd");
  EXPECT_EQ(s.alertas[0].Mensagem, "Tamanho maior que o máximo permitido"_cp);
}

TEST(NFeWItens, ItemCountAlertFollowsTheItemsAlerts) {
  for (int itens : {990, 991}) {
    SCOPED_TRACE(itens);
    TNFe n = modelo::NFeRegimeNormal();
    for (int k = 0; k < itens; ++k) modelo::AdicionarItem(n, modelo::kProdutos[k % 10]);
    n.Det.Items(itens - 1).Prod.cProd = "";
    const Saida s = Gerar(n);
    EXPECT_EQ(Ocorrencias(s.xml, "det"), itens);
    std::vector<TAlerta> esperados = {
        Alerta("I02", "cProd", "Código do produto ou serviço"_cp, "Nenhum valor informado")};
    if (itens > 990)
      esperados.push_back(Alerta("H02", "nItem", "Numero do item",
                                 "Número de ocorrências maior que o máximo permitido - Máximo 990"_cp));
    EXPECT_EQ(s.alertas, esperados);
  }
}

TEST(NFeWItens, ImportDeclarationsWithTheirAdditions) {
  TNFe n = ComUmItem();
  TProd& p = Item(n).Prod;
  p.xPed = "98001921";
  for (const char* uf : {"SP", "XX"}) {
    TDICollectionItem& di = p.DI.Add();
    di.nDi = "1212345678";
    di.dDi = CodificarDataHora(2013, 10, 1);
    di.xLocDesemb = "PORTO DE SANTOS";
    di.UFDesemb = uf;
    di.dDesemb = CodificarDataHora(2013, 10, 3);
    di.cExportador = "KRON-DE-001";
  }
  for (int k = 1; k <= 2; ++k) {
    TAdiCollectionItem& a = p.DI.Items(0).adi.Add();
    a.nAdicao = 1;
    a.nSeqAdic = k;
    a.cFabricante = "SIEMENS AG";
    a.vDescDI = Valor(k == 1 ? "12.5" : "0");
  }
  const Saida s = Gerar(n);
  const std::string prod = Elemento(s.xml, "prod");
  const std::string dados =
      "<nDI>1212345678</nDI><dDI>2013-10-01</dDI><xLocDesemb>PORTO DE SANTOS</xLocDesemb><UFDesemb>";
  const std::string fim = "</UFDesemb><dDesemb>2013-10-03</dDesemb><cExportador>KRON-DE-001</cExportador>";
  EXPECT_NE(prod.find("<indTot>1</indTot><DI>" + dados + "SP" + fim +
                      "<adi><nAdicao>1</nAdicao><nSeqAdic>1</nSeqAdic><cFabricante>SIEMENS AG</cFabricante>"
                      "<vDescDI>12.50</vDescDI></adi><adi><nAdicao>1</nAdicao><nSeqAdic>2</nSeqAdic>"
                      "<cFabricante>SIEMENS AG</cFabricante></adi></DI><DI>" +
                      dados + "XX" + fim + "</DI><xPed>98001921</xPed></prod>"),
            std::string::npos)
      << prod;
  EXPECT_EQ(s.alertas, std::vector<TAlerta>{Alerta("I22", "UFDesemb",
                                                   "Sigla da UF onde ocorreu o Desembaraço Aduaneiro"_cp, kInvalido)});
}

TNFe ComVeiculo() {
  TNFe n = ComUmItem();
  TveicProd& v = Item(n).Prod.veicProd;
  modelo::PreencherVeiculo(v, toFaturamentoDireto, cvSemiAcabado);
  return n;
}

TEST(NFeWItens, VehicleTagsAndFieldsFollowTheLayoutVersion) {
  const std::string comum1 =
      "<veicProd><tpOp>2</tpOp><chassi>9BWAA05U8CP123456</chassi><cCor>0001</cCor><xCor>BRANCO CRISTAL</xCor>"
      "<pot>0076</pot>";
  const std::string comum2 =
      "<pesoL>925</pesoL><pesoB>1295</pesoB><nSerie>123456789</nSerie><tpComb>16</tpComb><nMotor>CCP123456</nMotor>";
  const std::string comum3 =
      "<dist>2465</dist><anoMod>2012</anoMod><anoFab>2011</anoFab><tpPint>S</tpPint><tpVeic>6</tpVeic>"
      "<espVeic>1</espVeic><VIN>N</VIN><condVeic>3</condVeic><cMod>123456</cMod>";
  struct Caso {
    double versao;
    std::string veicProd;
  };
  const Caso casos[] = {
      {2.00, comum1 + "<cilin>0999</cilin>" + comum2 + "<CMT>1.7000000</CMT>" + comum3 +
                 "<cCorDENATRAN>16</cCorDENATRAN><lota>5</lota><tpRest>0</tpRest></veicProd>"},
      {1.10, comum1 + "<CM3>0999</CM3>" + comum2 + "<CMKG>1.7000000</CMKG>" + comum3 + "</veicProd>"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.versao);
    TNFe n = ComVeiculo();
    n.infNFe.SetVersao(c.versao);
    EXPECT_EQ(Elemento(Gerar(n).xml, "veicProd"), c.veicProd);
  }
}

// Text fields the layout requires to hold at least one character: an empty
// one is still written, as an empty element, and reported.
TEST(NFeWItens, EmptyRequiredVehicleFieldsAreReported) {
  struct Caso {
    const char* id;
    const char* tag;
    std::string_view descricao;
    std::string TveicProd::*campo;
  };
  const Caso casos[] = {
      {"J08", "pesoL", "Peso Líquido (em kg)"_cp, &TveicProd::pesoL},
      {"J09", "pesoB", "Peso Bruto (em kg)", &TveicProd::pesoB},
      {"J10", "nSerie", "Número de série"_cp, &TveicProd::nSerie},
      {"J12", "nMotor", "Número de Motor"_cp, &TveicProd::nMotor},
      {"J14", "dist", "Distância entre os eixos"_cp, &TveicProd::dist},
      {"J18", "tpPint", "Tipo de Pintura", &TveicProd::tpPint},
      {"J21", "VIN", "Condição do VIN"_cp, &TveicProd::VIN},
      {"J23", "cMod", "Modelo do Veículo"_cp, &TveicProd::cMod},
      {"J24", "cCorDENATRAN", "Código da Cor DENATRAN"_cp, &TveicProd::cCorDENATRAN},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tag);
    TNFe n = ComVeiculo();
    Item(n).Prod.veicProd.*c.campo = " ";
    const Saida s = Gerar(n);
    EXPECT_NE(Elemento(s.xml, "veicProd").find("<" + std::string(c.tag) + "/>"), std::string::npos);
    EXPECT_EQ(s.alertas, std::vector<TAlerta>{Alerta(c.id, c.tag, c.descricao, "Nenhum valor informado")});
  }
}

TEST(NFeWItens, VehicleWithoutChassisIsLeftOut) {
  TNFe n = ComVeiculo();
  Item(n).Prod.veicProd.chassi = "   ";
  EXPECT_EQ(Ocorrencias(Gerar(n).xml, "veicProd"), 0);
}

TEST(NFeWItens, SubGroupsOfOneProductComeInLayoutOrder) {
  TNFe n = ComVeiculo();
  TProd& p = Item(n).Prod;
  p.xPed = "1";
  for (const char* lote : {"123656", "123657"}) {
    TmedCollectionItem& m = p.med.Add();
    m.nLote = lote;
    m.qLote = Valor("5");
    m.dFab = CodificarDataHora(2008, 6, 1);
    m.dVal = CodificarDataHora(2008, 7, 31);
    m.vPMC = Valor("3.5");
  }
  TarmaCollectionItem& a = p.arma.Add();
  a.tpArma = taUsoRestrito;
  a.nSerie = "SDT12345";
  a.nCano = "C7788";
  a.descr = "PISTOLA CALIBRE .40 S&W";
  p.comb.cProdANP = 820101033;
  p.comb.UFcons = "MG";
  const Saida s = Gerar(n);
  const std::string prod = Elemento(s.xml, "prod");
  const std::size_t xPed = prod.find("<xPed>"), veic = prod.find("<veicProd>"), med = prod.find("<med>"),
                    arma = prod.find("<arma>"), comb = prod.find("<comb>");
  EXPECT_TRUE(xPed < veic && veic < med && med < arma && arma < comb) << prod;
  EXPECT_EQ(Ocorrencias(prod, "med"), 2);
  EXPECT_EQ(Elemento(prod, "med", 1),
            "<med><nLote>123657</nLote><qLote>5.000</qLote><dFab>2008-06-01</dFab><dVal>2008-07-31</dVal>"
            "<vPMC>3.50</vPMC></med>");
  EXPECT_EQ(Elemento(prod, "arma"),
            "<arma><tpArma>1</tpArma><nSerie>SDT12345</nSerie><nCano>C7788</nCano>"
            "<descr>PISTOLA CALIBRE .40 S&amp;W</descr></arma>");
  EXPECT_TRUE(s.alertas.empty()) << ::testing::PrintToString(s.alertas);
}

TEST(NFeWItens, FuelGroupByLayoutAndValues) {
  const std::string cide =
      "<CIDE><qBCProd>5000.0000</qBCProd><vAliqProd>0.0500</vAliqProd><vCIDE>250.00</vCIDE></CIDE>";
  struct Caso {
    const char* nome;
    double versao;
    std::function<void(TComb&)> ajustar;
    std::string comb;
    std::vector<TAlerta> alertas;
  };
  const auto comCIDE = [](TComb& c) {
    c.CIDE.qBCProd = Valor("5000");
    c.CIDE.vAliqProd = Valor("0.05");
    c.CIDE.vCIDE = Valor("250");
  };
  const Caso casos[] = {
      {"no ANP code: nothing",
       2.00,
       [](TComb& c) {
         c.CODIF = "123";
         c.qTemp = Valor("10");
       },
       "",
       {}},
      {"layout 2.00 never writes the fuel ICMS",
       2.00,
       [&](TComb& c) {
         c.cProdANP = 820101033;
         c.CODIF = "123456789";
         c.qTemp = Valor("-1");
         c.UFcons = "MG";
         comCIDE(c);
         c.ICMS.vICMS = Valor("10");
         c.ICMSCons.UFcons = "SP";
       },
       "<comb><cProdANP>820101033</cProdANP><CODIF>123456789</CODIF><qTemp>-1.0000</qTemp><UFCons>MG</UFCons>" + cide +
           "</comb>",
       {}},
      {"no CIDE values, invalid UF",
       2.00,
       [](TComb& c) {
         c.cProdANP = 1;
         c.UFcons = "XX";
       },
       "<comb><cProdANP>000000001</cProdANP><UFCons>XX</UFCons></comb>",
       {Alerta("L120", "UFcons", "Sigla da UF de consumo", kInvalido)}},
      {"older layout without fuel ICMS",
       1.10,
       [&](TComb& c) {
         c.cProdANP = 820101033;
         c.UFcons = "MG";
         comCIDE(c);
         c.ICMSCons.UFcons = "SP";
       },
       "<comb><cProdANP>820101033</cProdANP><UFCons>MG</UFCons>" + cide + "</comb>",
       {}},
      {"older layout with fuel ICMS",
       1.10,
       [&](TComb& c) {
         c.cProdANP = 820101033;
         c.UFcons = "MG";
         comCIDE(c);
         c.ICMS.vICMS = Valor("0.01");
         c.ICMSCons.UFcons = "XX";
       },
       "<comb><cProdANP>820101033</cProdANP>" + cide +
           "<ICMSComb><vBCICMS>0.00</vBCICMS><vICMS>0.01</vICMS><vBCICMSST>0.00</vBCICMSST><vICMSST>0.00</vICMSST>"
           "</ICMSComb><ICMSCons><vBCICMSSTCons>0.00</vBCICMSSTCons><vICMSSTCons>0.00</vICMSSTCons>"
           "<UFCons>XX</UFCons></ICMSCons></comb>",
       {Alerta("L120", "UFcons", "Sigla da UF de consumo", kInvalido)}},
      {"older layout, destination ICMS only",
       1.10,
       [](TComb& c) {
         c.cProdANP = 820101033;
         c.ICMSInter.vICMSSTDest = Valor("3");
       },
       "<comb><cProdANP>820101033</cProdANP><ICMSComb><vBCICMS>0.00</vBCICMS><vICMS>0.00</vICMS>"
       "<vBCICMSST>0.00</vBCICMSST><vICMSST>0.00</vICMSST></ICMSComb><ICMSInter><vBCICMSSTDest>0.00"
       "</vBCICMSSTDest><vICMSSTDest>3.00</vICMSSTDest></ICMSInter></comb>",
       {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    n.infNFe.SetVersao(c.versao);
    c.ajustar(Item(n).Prod.comb);
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "comb"), c.comb);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

// ---------------------------------------------------------------- ICMS

struct CasoICMS {
  const char* nome;
  std::function<void(TICMS&)> ajustar;
  std::string icms;       // the whole ICMS element
  TkxnCSTIcms cstDepois;  // CST held by the model after writing
};

// Values that tell every ICMS field apart in the output.
void PreencherICMS(TICMS& c) {
  c.orig = oeEstrangeiraAdquiridaBrasil;
  c.modBC = dbiPauta;
  c.vBC = Valor("100");
  c.pICMS = Valor("18");
  c.vICMS = Valor("18");
  c.modBCST = dbisMargemValorAgregado;
  c.vBCST = Valor("140");
  c.pICMSST = Valor("17");
  c.vICMSST = Valor("5.8");
  c.vBCSTRet = Valor("25");
  c.vICMSSTRet = Valor("4.5");
  c.pCredSN = Valor("3.5");
  c.vCredICMSSN = Valor("17.5");
  c.motDesICMS = mdiSuframa;
}

const std::string kOrig = "<orig>2</orig>";
const std::string kProprio = "<modBC>1</modBC><vBC>100.00</vBC><pICMS>18.00</pICMS><vICMS>18.00</vICMS>";
const std::string kST = "<modBCST>4</modBCST><vBCST>140.00</vBCST><pICMSST>17.00</pICMSST><vICMSST>5.80</vICMSST>";
const std::string kRetido = "<vBCSTRet>25.00</vBCSTRet><vICMSSTRet>4.50</vICMSSTRet>";
const std::string kCredito = "<pCredSN>3.50</pCredSN><vCredICMSSN>17.50</vCredICMSSN>";

std::string Icms(const std::string& grupo, const std::string& cst, const std::string& campos) {
  return "<ICMS><" + grupo + ">" + kOrig + "<CST>" + cst + "</CST>" + campos + "</" + grupo + "></ICMS>";
}

TEST(NFeWItens, IcmsGroupsOfTheNormalRegime) {
  const auto cst = [](TkxnCSTIcms v, std::function<void(TICMS&)> mais = {}) {
    return [v, mais](TICMS& c) {
      c.CST = v;
      if (mais) mais(c);
    };
  };
  const std::string semRed = "<modBC>1</modBC><vBC>100.00</vBC>";
  const std::string aliq = "<pICMS>18.00</pICMS><vICMS>18.00</vICMS>";
  const CasoICMS casos[] = {
      {"00", cst(cst00), Icms("ICMS00", "00", kProprio), cst00},
      {"10 without own-operation data", cst(cst10, [](TICMS& c) { c.pRedBC = Valor("10"); }),
       Icms("ICMS10", "10", kProprio + kST), cst10},
      {"10 with UFST", cst(cst10, [](TICMS& c) { c.UFST = "SP"; }),
       Icms("ICMSPart", "10", kProprio + kST + "<pBCOp>0.00</pBCOp><UFST>SP</UFST>"), cstPart10},
      {"10 with pBCOp and pRedBC",
       cst(cst10,
           [](TICMS& c) {
             c.pBCOp = Valor("100");
             c.pRedBC = Valor("10");
             c.pMVAST = Valor("40");
           }),
       Icms("ICMSPart", "10",
            semRed + "<pRedBC>10.00</pRedBC>" + aliq +
                "<modBCST>4</modBCST><pMVAST>40.00</pMVAST><vBCST>140.00</vBCST><pICMSST>17.00</pICMSST>"
                "<vICMSST>5.80</vICMSST><pBCOp>100.00</pBCOp><UFST/>"),
       cstPart10},
      {"Part10 already in the model", cst(cstPart10),
       Icms("ICMSPart", "10", kProprio + kST + "<pBCOp>0.00</pBCOp><UFST/>"), cstPart10},
      {"20 writes a zero reduction", cst(cst20),
       Icms("ICMS20", "20", "<modBC>1</modBC><pRedBC>0.00</pRedBC><vBC>100.00</vBC>" + aliq), cst20},
      {"30", cst(cst30, [](TICMS& c) { c.pRedBCST = Valor("41.66"); }),
       Icms("ICMS30", "30",
            "<modBCST>4</modBCST><pRedBCST>41.66</pRedBCST><vBCST>140.00</vBCST><pICMSST>17.00</pICMSST>"
            "<vICMSST>5.80</vICMSST>"),
       cst30},
      {"40 with relieved ICMS", cst(cst40), Icms("ICMS40", "40", "<vICMS>18.00</vICMS><motDesICMS>7</motDesICMS>"),
       cst40},
      {"40 without value", cst(cst40, [](TICMS& c) { c.vICMS = Valor("0"); }), Icms("ICMS40", "40", ""), cst40},
      {"41 without substitution values", cst(cst41, [](TICMS& c) { c.vBCSTRet = c.vICMSSTRet = Valor("0"); }),
       Icms("ICMS40", "41", "<vICMS>18.00</vICMS><motDesICMS>7</motDesICMS>"), cst41},
      {"41 with a destination base",
       cst(cst41,
           [](TICMS& c) {
             c.vBCSTRet = c.vICMSSTRet = Valor("0");
             c.vBCSTDest = Valor("0.01");
           }),
       Icms("ICMSST", "41",
            "<vBCSTRet>0.00</vBCSTRet><vICMSSTRet>0.00</vICMSSTRet><vBCSTDest>0.01</vBCSTDest>"
            "<vICMSSTDest>0.00</vICMSSTDest>"),
       cstRep41},
      {"41 with a retained value", cst(cst41),
       Icms("ICMSST", "41", kRetido + "<vBCSTDest>0.00</vBCSTDest><vICMSSTDest>0.00</vICMSSTDest>"), cstRep41},
      {"50", cst(cst50, [](TICMS& c) { c.vICMS = Valor("0"); }), Icms("ICMS40", "50", ""), cst50},
      {"51 with every value zero",
       cst(cst51,
           [](TICMS& c) {
             c = TICMS{};
             c.orig = oeEstrangeiraAdquiridaBrasil;
             c.CST = cst51;
           }),
       Icms("ICMS51", "51", "<modBC>0</modBC>"), cst51},
      {"51", cst(cst51, [](TICMS& c) { c.pRedBC = Valor("33.33"); }),
       Icms("ICMS51", "51", "<modBC>1</modBC><pRedBC>33.33</pRedBC><vBC>100.00</vBC>" + aliq), cst51},
      {"60", cst(cst60), Icms("ICMS60", "60", kRetido), cst60},
      {"70", cst(cst70, [](TICMS& c) { c.pRedBC = Valor("41.66"); }),
       Icms("ICMS70", "70", "<modBC>1</modBC><pRedBC>41.66</pRedBC><vBC>100.00</vBC>" + aliq + kST), cst70},
      {"90", cst(cst90), Icms("ICMS90", "90", kProprio + kST), cst90},
      {"90 with a reduction", cst(cst90, [](TICMS& c) { c.pRedBC = Valor("10"); }),
       Icms("ICMS90", "90", semRed + "<pRedBC>10.00</pRedBC>" + aliq + kST), cst90},
      {"90 with pBCOp", cst(cst90, [](TICMS& c) { c.pBCOp = Valor("5"); }),
       Icms("ICMSPart", "90", kProprio + kST + "<pBCOp>5.00</pBCOp><UFST/>"), cstPart90},
      {"Rep41 already in the model", cst(cstRep41),
       Icms("ICMSST", "41", kRetido + "<vBCSTDest>0.00</vBCSTDest><vICMSSTDest>0.00</vICMSSTDest>"), cstRep41},
      {"80", cst(cst80), Icms("ICMS80", "80", ""), cst80},
      {"81", cst(cst81), Icms("ICMS81", "81", ""), cst81},
      {"91", cst(cstICMSOutraUF), Icms("ICMS", "90", ""), cstICMSOutraUF},
      {"SN", cst(cstICMSSN), Icms("ICMS", "SN", ""), cstICMSSN},
  };
  for (const CasoICMS& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    TICMS& icms = Item(n).Imposto.ICMS;
    PreencherICMS(icms);
    c.ajustar(icms);
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "ICMS"), c.icms);
    EXPECT_EQ(icms.CST, c.cstDepois);
    // The changed model gives the same document again.
    EXPECT_EQ(Gerar(n).xml, s.xml);
  }
}

TEST(NFeWItens, IcmsSituationsWithoutCodeWriteAnEmptyCst) {
  for (TkxnCSTIcms cst : {cst45, cstVazio}) {
    TNFe n = ComUmItem();
    Item(n).Imposto.ICMS.CST = cst;
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "ICMS"), "<ICMS><ICMS><orig>0</orig><CST/></ICMS></ICMS>");
    EXPECT_EQ(s.alertas,
              std::vector<TAlerta>{Alerta("N12", "CST", "Código da situação tributária"_cp, "Nenhum valor informado")});
  }
}

// Situations with no ICMS group in the NF-e layout are still written as the
// tables say, and reported on their situation code.
TEST(NFeWItens, IcmsSituationsWithoutAGroupOfTheLayout) {
  struct Caso {
    const char* nome;
    TkxnCRT crt;
    TkxnCSTIcms cst;
    TkxnCSOSNIcms csosn;
    std::string icms;
    std::optional<TAlerta> alerta;  // none: no alert
  };
  const TAlerta cst = Alerta("N12", "CST", "Código da situação tributária"_cp, kInvalido);
  const TAlerta csosn = Alerta("N12a", "CSOSN", "Código de Situação da Operação – Simples Nacional"_cp, kInvalido);
  const Caso casos[] = {
      {"80", crtRegimeNormal, cst80, csosn101, "<ICMS><ICMS80><orig>0</orig><CST>80</CST></ICMS80></ICMS>", cst},
      {"81", crtRegimeNormal, cst81, csosn101, "<ICMS><ICMS81><orig>0</orig><CST>81</CST></ICMS81></ICMS>", cst},
      {"other UF", crtSimplesExcessoReceita, cstICMSOutraUF, csosnVazio,
       "<ICMS><ICMS><orig>0</orig><CST>90</CST></ICMS></ICMS>", cst},
      {"SN under the normal regime", crtRegimeNormal, cstICMSSN, csosnVazio,
       "<ICMS><ICMS><orig>0</orig><CST>SN</CST></ICMS></ICMS>", cst},
      {"Simples Nacional without CSOSN", crtSimplesNacional, cst00, csosnVazio,
       "<ICMS><ICMSSN><orig>0</orig><CSOSN>0</CSOSN></ICMSSN></ICMS>", csosn},
      {"Simples Nacional with CSOSN",
       crtSimplesNacional,
       cst80,
       csosn102,
       "<ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102></ICMS>",
       {}},
      {"90 under the normal regime", crtRegimeNormal, cst90, csosnVazio, "", {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    n.Emit.CRT = c.crt;
    Item(n).Imposto.ICMS.CST = c.cst;
    Item(n).Imposto.ICMS.CSOSN = c.csosn;
    const Saida s = Gerar(n);
    if (!c.icms.empty()) {
      EXPECT_EQ(Elemento(s.xml, "ICMS"), c.icms);
    }
    EXPECT_EQ(s.alertas, c.alerta ? std::vector<TAlerta>{*c.alerta} : std::vector<TAlerta>{});
  }
}

TEST(NFeWItens, Icms60InTheOlderLayoutWritesTheSubstitutionValues) {
  TNFe n = ComUmItem();
  n.infNFe.SetVersao(1.10);
  PreencherICMS(Item(n).Imposto.ICMS);
  Item(n).Imposto.ICMS.CST = cst60;
  EXPECT_EQ(Elemento(Gerar(n).xml, "ICMS"), Icms("ICMS60", "60", "<vBCST>140.00</vBCST><vICMSST>5.80</vICMSST>"));
}

TEST(NFeWItens, IcmsGroupsOfTheSimplesNacional) {
  struct Caso {
    TkxnCSOSNIcms csosn;
    std::string grupo, campos;
  };
  const Caso casos[] = {
      {csosn101, "ICMSSN101", kCredito}, {csosn102, "ICMSSN102", ""},
      {csosn103, "ICMSSN102", ""},       {csosn300, "ICMSSN102", ""},
      {csosn400, "ICMSSN102", ""},       {csosn201, "ICMSSN201", kST + kCredito},
      {csosn202, "ICMSSN202", kST},      {csosn203, "ICMSSN202", kST},
      {csosn500, "ICMSSN500", kRetido},  {csosn900, "ICMSSN900", kProprio + kST + kCredito},
      {csosnVazio, "ICMSSN", ""},
  };
  for (const Caso& c : casos) {
    TNFe n = ComUmItem();
    n.Emit.CRT = crtSimplesNacional;
    TICMS& icms = Item(n).Imposto.ICMS;
    PreencherICMS(icms);
    icms.CST = cst10;  // not read under the simplified regime
    icms.UFST = "SP";
    icms.CSOSN = c.csosn;
    const std::string codigo = CSOSNIcmsParaCodigo(c.csosn);
    SCOPED_TRACE(codigo);
    EXPECT_EQ(Elemento(Gerar(n).xml, "ICMS"), "<ICMS><" + c.grupo + ">" + kOrig + "<CSOSN>" + codigo + "</CSOSN>" +
                                                  c.campos + "</" + c.grupo + "></ICMS>");
    EXPECT_EQ(icms.CST, cst10);
  }
}

TEST(NFeWItens, EmitterAboveTheSimplesLimitUsesTheNormalGroups) {
  TNFe n = ComUmItem();
  n.Emit.CRT = crtSimplesExcessoReceita;
  PreencherICMS(Item(n).Imposto.ICMS);
  Item(n).Imposto.ICMS.CSOSN = csosn101;
  EXPECT_EQ(Elemento(Gerar(n).xml, "ICMS"), Icms("ICMS00", "00", kProprio));
}

TEST(NFeWItens, IcmsGroupSuffixes) {
  const std::pair<TkxnCSTIcms, const char*> tabela[] = {
      {cst00, "00"},       {cst10, "10"},    {cst20, "20"},  {cst30, "30"},        {cst40, "40"},
      {cst41, "40"},       {cst45, ""},      {cst50, "40"},  {cst51, "51"},        {cst60, "60"},
      {cst70, "70"},       {cst80, "80"},    {cst81, "81"},  {cst90, "90"},        {cstPart10, "Part"},
      {cstPart90, "Part"}, {cstRep41, "ST"}, {cstVazio, ""}, {cstICMSOutraUF, ""}, {cstICMSSN, ""},
  };
  for (const auto& [cst, sufixo] : tabela) EXPECT_EQ(TNFeW::CSTIcmsParaSufixoGrupo(cst), sufixo) << cst;
}

// ---------------------------------------------------------------- IPI and II

TEST(NFeWItens, IpiGroupVariants) {
  const std::string_view tributavel = "IPI Tributável"_cp;
  struct Caso {
    const char* nome;
    bool gerarNaoTributado;
    std::function<void(TIPI&)> ajustar;
    std::string ipi;
    std::string cEnqDepois;
    std::vector<TAlerta> alertas;
  };
  const Caso casos[] = {
      {"nothing to write", true, [](TIPI&) {}, "", "", {}},
      {"only the framework code",
       true,
       [](TIPI& i) { i.cEnq = "999"; },
       "<IPI><cEnq>999</cEnq><IPITrib><CST>00</CST><vBC>0.00</vBC><pIPI>0.00</pIPI><vIPI>0.00</vIPI></IPITrib></IPI>",
       "999",
       {}},
      {"taxed by rate, framework code filled in",
       true,
       [](TIPI& i) {
         i.CST = ipi50;
         i.vBC = Valor("49.23");
         i.pIPI = Valor("5");
         i.vIPI = Valor("2.46");
       },
       "<IPI><cEnq>999</cEnq><IPITrib><CST>50</CST><vBC>49.23</vBC><pIPI>5.00</pIPI><vIPI>2.46</vIPI></IPITrib></IPI>",
       "999",
       {}},
      {"both forms: the quantity wins",
       true,
       [](TIPI& i) {
         i.CST = ipi99;
         i.vBC = Valor("100");
         i.pIPI = Valor("10");
         i.qUnid = Valor("5");
         i.vIPI = Valor("1");
       },
       "<IPI><cEnq>999</cEnq><IPITrib><CST>99</CST><qUnid>5.0000</qUnid><vUnid>0.0000</vUnid><vIPI>1.00</vIPI>"
       "</IPITrib></IPI>",
       "999",
       {Alerta("O07", "IPITrib", tributavel,
               "As TAG <vBC> e <pIPI> não podem ser informadas em conjunto com as TAG <qUnid> e <vUnid>"_cp)}},
      {"stamps and producer",
       true,
       [](TIPI& i) {
         i.clEnq = "00001";
         i.CNPJProd = "60891033000109";
         i.cSelo = "BR0001234567";
         i.qSelo = 12;
         i.cEnq = "101";
         i.CST = ipi49;
       },
       "<IPI><clEnq>00001</clEnq><CNPJProd>60891033000109</CNPJProd><cSelo>BR0001234567</cSelo><qSelo>12</qSelo>"
       "<cEnq>101</cEnq><IPITrib><CST>49</CST><vBC>0.00</vBC><pIPI>0.00</pIPI><vIPI>0.00</vIPI></IPITrib></IPI>",
       "101",
       {}},
      {"non-taxed with the option on",
       true,
       [](TIPI& i) { i.CST = ipi53; },
       "<IPI><cEnq>999</cEnq><IPINT><CST>53</CST></IPINT></IPI>",
       "999",
       {}},
      {"non-taxed with the option off", false, [](TIPI& i) { i.CST = ipi53; }, "", "", {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    TIPI& ipi = Item(n).Imposto.IPI;
    c.ajustar(ipi);
    const Saida s = Gerar(n, [&](TNFeW& w) { w.Opcoes().GerarTagIPIparaNaoTributado = c.gerarNaoTributado; });
    EXPECT_EQ(Elemento(s.xml, "IPI"), c.ipi);
    EXPECT_EQ(ipi.cEnq, c.cEnqDepois);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

TEST(NFeWItens, ImportDutyOnlyWithItsValue) {
  TNFe n = ComUmItem();
  TII& ii = Item(n).Imposto.II;
  ii.vBc = Valor("4923");
  ii.vDespAdu = Valor("150");
  EXPECT_EQ(Elemento(Gerar(n).xml, "II"), "");
  ii.vII = Valor("689.22");
  EXPECT_EQ(Elemento(Gerar(n).xml, "II"),
            "<II><vBC>4923.00</vBC><vDespAdu>150.00</vDespAdu><vII>689.22</vII><vIOF>0.00</vIOF></II>");
}

// ---------------------------------------------------------------- PIS and COFINS

TEST(NFeWItens, PisAndCofinsGroupByTaxSituation) {
  // Ordinals of TkxnCstPis and TkxnCstCofins are the same situations.
  for (int o = pis01; o <= pis99; ++o) {
    const auto pis = static_cast<TkxnCstPis>(o);
    const std::string codigo = CstPisParaCodigo(pis);
    SCOPED_TRACE(codigo);
    const char* variante = o <= pis02 ? "Aliq" : o == pis03 ? "Qtde" : o <= pis09 ? "NT" : "Outr";
    TNFe n = ComUmItem();
    Item(n).Imposto.PIS.CST = pis;
    Item(n).Imposto.COFINS.CST = static_cast<TkxnCstCofins>(o);
    const Saida s = Gerar(n);
    EXPECT_TRUE(Elemento(s.xml, "PIS").starts_with(std::string("<PIS><PIS") + variante + "><CST>" + codigo + "</CST>"))
        << Elemento(s.xml, "PIS");
    EXPECT_TRUE(
        Elemento(s.xml, "COFINS").starts_with(std::string("<COFINS><COFINS") + variante + "><CST>" + codigo + "</CST>"))
        << Elemento(s.xml, "COFINS");
  }
}

TEST(NFeWItens, PisAndCofinsFields) {
  struct Caso {
    const char* nome;
    TkxnCstPis cst;
    bool aliquota, quantidade;
    std::string pis, cofins;
    bool alerta;
  };
  const Caso casos[] = {
      {"Aliq", pis01, true, false,
       "<PIS><PISAliq><CST>01</CST><vBC>80.00</vBC><pPIS>1.65</pPIS><vPIS>1.32</vPIS></PISAliq></PIS>",
       "<COFINS><COFINSAliq><CST>01</CST><vBC>80.00</vBC><pCOFINS>7.60</pCOFINS><vCOFINS>6.08</vCOFINS>"
       "</COFINSAliq></COFINS>",
       false},
      {"Qtde with zero values", pis03, false, false,
       "<PIS><PISQtde><CST>03</CST><qBCProd>0.0000</qBCProd><vAliqProd>0.0000</vAliqProd><vPIS>1.32</vPIS>"
       "</PISQtde></PIS>",
       "<COFINS><COFINSQtde><CST>03</CST><qBCProd>0.0000</qBCProd><vAliqProd>0.0000</vAliqProd>"
       "<vCOFINS>6.08</vCOFINS></COFINSQtde></COFINS>",
       false},
      {"NT", pis06, true, true, "<PIS><PISNT><CST>06</CST></PISNT></PIS>",
       "<COFINS><COFINSNT><CST>06</CST></COFINSNT></COFINS>", false},
      {"Outr by rate", pis49, true, false,
       "<PIS><PISOutr><CST>49</CST><vBC>80.00</vBC><pPIS>1.65</pPIS><vPIS>1.32</vPIS></PISOutr></PIS>",
       "<COFINS><COFINSOutr><CST>49</CST><vBC>80.00</vBC><pCOFINS>7.60</pCOFINS><vCOFINS>6.08</vCOFINS>"
       "</COFINSOutr></COFINS>",
       false},
      {"Outr with both forms: the quantity wins", pis99, true, true,
       "<PIS><PISOutr><CST>99</CST><qBCProd>10.0000</qBCProd><vAliqProd>0.1200</vAliqProd><vPIS>1.32</vPIS>"
       "</PISOutr></PIS>",
       "<COFINS><COFINSOutr><CST>99</CST><qBCProd>10.0000</qBCProd><vAliqProd>0.5500</vAliqProd>"
       "<vCOFINS>6.08</vCOFINS></COFINSOutr></COFINS>",
       true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    TImposto& imp = Item(n).Imposto;
    imp.PIS.CST = c.cst;
    imp.COFINS.CST = static_cast<TkxnCstCofins>(c.cst);
    imp.PIS.vPIS = Valor("1.32");
    imp.COFINS.vCOFINS = Valor("6.08");
    if (c.aliquota) {
      imp.PIS.vBC = imp.COFINS.vBC = Valor("80");
      imp.PIS.pPIS = Valor("1.65");
      imp.COFINS.pCOFINS = Valor("7.6");
    }
    if (c.quantidade) {
      imp.PIS.qBCProd = imp.COFINS.qBCProd = Valor("10");
      imp.PIS.vAliqProd = Valor("0.12");
      imp.COFINS.vAliqProd = Valor("0.55");
    }
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "PIS"), c.pis);
    EXPECT_EQ(Elemento(s.xml, "COFINS"), c.cofins);
    const std::string_view outras = "Grupo PIS outras operações"_cp;
    std::vector<TAlerta> alertas;
    if (c.alerta)
      alertas = {
          Alerta("Q05", "PISOutr", outras,
                 "As TAG <vBC> e <pPIS> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>"_cp),
          Alerta("S05", "COFINSOutr", outras,
                 "As TAG <vBC> e <pCOFINS> não podem ser informadas em conjunto com as TAG <qBCProd> e "
                 "<vAliqProd>"_cp)};
    EXPECT_EQ(s.alertas, alertas);
  }
}

TEST(NFeWItens, SubstitutionPisAndCofinsByForm) {
  struct Caso {
    const char* nome;
    const char *vBC, *p, *q, *vAliq, *valor;
    std::vector<std::string> pisst;  // every PISST element; COFINSST the same with its tags
  };
  const Caso casos[] = {
      {"nothing", "0", "0", "0", "0", "0", {}},
      {"only the value", "0", "0", "0", "0", "0.33", {}},
      {"a base with a negative rate", "5", "-10", "0", "0", "0.33", {}},
      {"negative values", "-1", "0", "0", "-1", "-1", {}},
      {"rate", "20.13", "1.65", "0", "0", "0.33", {"<vBC>20.13</vBC><p>1.65</p><v>0.33</v>"}},
      {"quantity",
       "0",
       "0",
       "10.8",
       "0.0864",
       "0.93",
       {"<qBCProd>10.8000</qBCProd><vAliqProd>0.0864</vAliqProd><v>0.93</v>"}},
      {"both forms",
       "100",
       "1.65",
       "10",
       "0",
       "1",
       {"<vBC>100.00</vBC><p>1.65</p><v>1.00</v>",
        "<qBCProd>10.0000</qBCProd><vAliqProd>0.0000</vAliqProd><v>1.00</v>"}},
  };
  // The cases are written with <p> and <v> for the rate and the value tags.
  const auto trocar = [](std::string s, const std::string& p, const std::string& v) {
    const std::vector<std::pair<std::string, std::string>> trocas = {
        {"<p>", "<" + p + ">"}, {"</p>", "</" + p + ">"}, {"<v>", "<" + v + ">"}, {"</v>", "</" + v + ">"}};
    for (const auto& [de, para] : trocas)
      for (std::size_t i; (i = s.find(de)) != std::string::npos;) s.replace(i, de.size(), para);
    return s;
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    TImposto& imp = Item(n).Imposto;
    imp.PISST = {Valor(c.vBC), Valor(c.p), Valor(c.q), Valor(c.vAliq), Valor(c.valor)};
    imp.COFINSST = {Valor(c.vBC), Valor(c.p), Valor(c.q), Valor(c.vAliq), Valor(c.valor)};
    const Saida s = Gerar(n);
    ASSERT_EQ(Ocorrencias(s.xml, "PISST"), static_cast<int>(c.pisst.size()));
    ASSERT_EQ(Ocorrencias(s.xml, "COFINSST"), static_cast<int>(c.pisst.size()));
    for (std::size_t k = 0; k < c.pisst.size(); ++k) {
      EXPECT_EQ(Elemento(s.xml, "PISST", static_cast<int>(k)),
                "<PISST>" + trocar(c.pisst[k], "pPIS", "vPIS") + "</PISST>");
      EXPECT_EQ(Elemento(s.xml, "COFINSST", static_cast<int>(k)),
                "<COFINSST>" + trocar(c.pisst[k], "pCOFINS", "vCOFINS") + "</COFINSST>");
    }
    std::vector<TAlerta> alertas;
    if (c.pisst.size() == 2)
      alertas = {
          Alerta("R01", "PISST", "Grupo PIS outras operações"_cp,
                 "As TAG <vBC> e <pPIS> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>"_cp),
          Alerta("T01", "COFINSST", "Grupo PIS outras operações"_cp,
                 "As TAG <vBC> e <pCOFINS> não podem ser informadas em conjunto com as TAG <qBCProd> e "
                 "<vAliqProd>"_cp)};
    // Positive values that neither form takes are not written: reported.
    if (c.pisst.empty() && Valor(c.valor) > Currency(0))
      alertas = {Alerta("R01", "PISST", "Grupo PIS outras operações"_cp,
                        "As TAG <vBC> e <pPIS> ou as TAG <qBCProd> e <vAliqProd> devem ser informadas"),
                 Alerta("T01", "COFINSST", "Grupo PIS outras operações"_cp,
                        "As TAG <vBC> e <pCOFINS> ou as TAG <qBCProd> e <vAliqProd> devem ser informadas")};
    EXPECT_EQ(s.alertas, alertas);
  }
}

// A pair whose values reach the Currency limit is still present: the sum
// must not wrap around to a negative number.
TEST(NFeWItens, PairsNearTheCurrencyLimitStayPresent) {
  const Currency maximo = Currency::DeBruto(INT64_MAX);
  TNFe n = ComUmItem();
  TImposto& imp = Item(n).Imposto;
  imp.IPI.CST = ipi50;
  imp.IPI.vBC = maximo;
  imp.IPI.pIPI = Valor("1");
  imp.IPI.qUnid = maximo;
  imp.IPI.vUnid = Valor("1");
  imp.PIS.CST = pis99;
  imp.PIS.vBC = maximo;
  imp.PIS.pPIS = Valor("1");
  imp.PIS.qBCProd = maximo;
  imp.PIS.vAliqProd = Valor("1");
  imp.PISST.vBc = maximo;
  imp.PISST.pPis = Valor("1");
  imp.COFINSST.qBCProd = maximo;
  imp.COFINSST.vAliqProd = Valor("1");
  const Saida s = Gerar(n);
  EXPECT_NE(Elemento(s.xml, "IPITrib").find("<vUnid>1.0000</vUnid>"), std::string::npos);
  EXPECT_NE(Elemento(s.xml, "PISOutr").find("<vAliqProd>1.0000</vAliqProd>"), std::string::npos);
  EXPECT_NE(Elemento(s.xml, "PISST").find("<pPIS>1.00</pPIS>"), std::string::npos);
  EXPECT_NE(Elemento(s.xml, "COFINSST").find("<vAliqProd>1.0000</vAliqProd>"), std::string::npos);
  const auto alertado = [&](std::string_view id, std::string_view tag) {
    for (const TAlerta& a : s.alertas)
      if (a.ID == id && a.TAG == tag) return true;
    return false;
  };
  EXPECT_TRUE(alertado("O07", "IPITrib")) << ::testing::PrintToString(s.alertas);
  EXPECT_TRUE(alertado("Q05", "PISOutr")) << ::testing::PrintToString(s.alertas);
}

// ---------------------------------------------------------------- ISSQN

TNFe ComServico() {
  TNFe n = ComUmItem();
  TImposto& imp = Item(n).Imposto;
  PreencherICMS(imp.ICMS);
  imp.IPI.CST = ipi50;
  imp.IPI.vIPI = Valor("1");
  imp.II.vII = Valor("1");
  imp.PIS.CST = pis07;
  imp.COFINS.CST = cof07;
  imp.ISSQN.vBC = Valor("90");
  imp.ISSQN.vAliq = Valor("5");
  imp.ISSQN.vISSQN = Valor("4.5");
  imp.ISSQN.cMunFG = 1100205;
  imp.ISSQN.cListServ = 108;
  imp.ISSQN.cSitTrib = ISSQNcSitTribRETIDA;
  return n;
}

const std::string kISSQN =
    "<ISSQN><vBC>90.00</vBC><vAliq>5.00</vAliq><vISSQN>4.50</vISSQN><cMunFG>1100205</cMunFG>"
    "<cListServ>108</cListServ>";

TEST(NFeWItens, ServiceItemCarriesIssqnInsteadOfIcmsIpiAndII) {
  TNFe n = ComServico();
  EXPECT_EQ(Elemento(Gerar(n).xml, "imposto"),
            "<imposto>" + kISSQN +
                "<cSitTrib>R</cSitTrib></ISSQN><PIS><PISNT><CST>07</CST></PISNT></PIS>"
                "<COFINS><COFINSNT><CST>07</CST></COFINSNT></COFINS></imposto>");
}

TEST(NFeWItens, OlderLayoutPutsIssqnLastAndWithoutSituation) {
  TNFe n = ComServico();
  n.infNFe.SetVersao(1.10);
  Item(n).Imposto.ISSQN.cSitTrib = ISSQNcSitTribVazio;
  const std::string imposto = Elemento(Gerar(n).xml, "imposto");
  const std::size_t icms = imposto.find("<ICMS>"), ipi = imposto.find("<IPI>"), ii = imposto.find("<II>"),
                    cofins = imposto.find("<COFINS>"), issqn = imposto.find("<ISSQN>");
  EXPECT_TRUE(icms < ipi && ipi < ii && ii < cofins && cofins < issqn) << imposto;
  EXPECT_EQ(Elemento(imposto, "ISSQN"), kISSQN + "</ISSQN>");

  Item(n).Imposto.ISSQN = TISSQN{};
  EXPECT_EQ(Ocorrencias(Gerar(n).xml, "ISSQN"), 0);
}

// A service item always carries ISSQN, even with zero values; ISSQN values of
// an item without the situation are not written and are reported.
TEST(NFeWItens, IssqnOfServiceItemsAndIssqnValuesWithoutSituation) {
  struct Caso {
    const char* nome;
    double versao;
    std::function<void(TISSQN&)> ajustar;
    std::vector<std::string> grupos;  // first groups of imposto, in order
    std::vector<TAlerta> alertas;
  };
  const TAlerta situacao = Alerta("U07", "cSitTrib", "Código de Tributação do ISSQN"_cp, "Nenhum valor informado");
  const TAlerta municipio = Alerta("U05", "cMunFG", "Código do Município FG"_cp, kInvalido);
  const TAlerta lista = Alerta("U06", "cListServ", "Lista Prestação de Serviços"_cp, "Nenhum valor informado");
  const Caso casos[] = {
      {"service with zero values",
       2.00,
       [](TISSQN& i) {
         i = TISSQN{};
         i.cSitTrib = ISSQNcSitTribISENTA;
       },
       {"ISSQN", "PIS"},
       {municipio, lista}},
      {"service", 2.00, [](TISSQN&) {}, {"ISSQN", "PIS"}, {}},
      {"values without situation",
       2.00,
       [](TISSQN& i) { i.cSitTrib = ISSQNcSitTribVazio; },
       {"ICMS", "IPI", "II", "PIS"},
       {situacao}},
      {"only a municipality without situation",
       2.00,
       [](TISSQN& i) {
         i = TISSQN{};
         i.cMunFG = 1100205;
       },
       {"ICMS", "IPI", "II", "PIS"},
       {situacao}},
      {"no ISSQN at all", 2.00, [](TISSQN& i) { i = TISSQN{}; }, {"ICMS", "IPI", "II", "PIS"}, {}},
      {"older layout without situation",
       1.10,
       [](TISSQN& i) { i.cSitTrib = ISSQNcSitTribVazio; },
       {"ICMS", "IPI", "II", "PIS"},
       {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComServico();
    n.infNFe.SetVersao(c.versao);
    c.ajustar(Item(n).Imposto.ISSQN);
    const Saida s = Gerar(n);
    const std::string imposto = Elemento(s.xml, "imposto");
    std::size_t antes = 0;
    for (const std::string& grupo : c.grupos) {
      const std::size_t p = Inicio(imposto, grupo, 0);
      EXPECT_TRUE(p != std::string::npos && p >= antes) << grupo << " in " << imposto;
      antes = p;
    }
    if (c.grupos.front() == "ISSQN") {
      EXPECT_EQ(Ocorrencias(imposto, "ICMS"), 0) << imposto;
    } else if (c.versao >= 2.00) {
      EXPECT_EQ(Ocorrencias(imposto, "ISSQN"), 0) << imposto;
    }
    EXPECT_EQ(s.alertas, c.alertas);
  }
  // The zero-valued service writes every field of the group.
  TNFe n = ComServico();
  Item(n).Imposto.ISSQN = TISSQN{};
  Item(n).Imposto.ISSQN.cSitTrib = ISSQNcSitTribNORMAL;
  EXPECT_EQ(Elemento(Gerar(n).xml, "ISSQN"),
            "<ISSQN><vBC>0.00</vBC><vAliq>0.00</vAliq><vISSQN>0.00</vISSQN><cMunFG>0000000</cMunFG>"
            "<cListServ>0</cListServ><cSitTrib>N</cSitTrib></ISSQN>");
}

TEST(NFeWItens, IssqnCodeChecks) {
  struct Caso {
    const char* nome;
    int cMunFG, cListServ;
    bool validarLista;
    std::string campos;
    std::vector<TAlerta> alertas;
  };
  const std::string_view municipio = "Código do Município FG"_cp, lista = "Lista Prestação de Serviços"_cp;
  const Caso casos[] = {
      {"abroad", 9999999, 108, true, "<cMunFG>9999999</cMunFG><cListServ>108</cListServ>", {}},
      {"unknown municipality",
       1234567,
       108,
       true,
       "<cMunFG>1234567</cMunFG><cListServ>108</cListServ>",
       {Alerta("U05", "cMunFG", municipio, kInvalido)}},
      {"service outside the list",
       1100205,
       1799,
       true,
       "<cMunFG>1100205</cMunFG><cListServ>1799</cListServ>",
       {Alerta("U06", "cListServ", lista, kInvalido)}},
      {"list not checked", 1100205, 1799, false, "<cMunFG>1100205</cMunFG><cListServ>1799</cListServ>", {}},
      {"no service code",
       1100205,
       0,
       true,
       "<cMunFG>1100205</cMunFG><cListServ>0</cListServ>",
       {Alerta("U06", "cListServ", lista, "Nenhum valor informado")}},
      {"no service code, list not checked",
       1100205,
       0,
       false,
       "<cMunFG>1100205</cMunFG><cListServ>0</cListServ>",
       {Alerta("U06", "cListServ", lista, "Nenhum valor informado")}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComServico();
    Item(n).Imposto.ISSQN.cMunFG = c.cMunFG;
    Item(n).Imposto.ISSQN.cListServ = c.cListServ;
    const Saida s = Gerar(n, [&](TNFeW& w) { w.Opcoes().ValidarListaServicos = c.validarLista; });
    EXPECT_NE(Elemento(s.xml, "ISSQN").find("<vISSQN>4.50</vISSQN>" + c.campos + "<cSitTrib>"), std::string::npos);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

// ---------------------------------------------------------------- document groups

TEST(NFeWItens, EmptyDocumentDataWritesOnlyTotalAndTransport) {
  TNFe n = ComUmItem();
  const Saida s = Gerar(n);
  EXPECT_EQ(Elemento(s.xml, "total"),
            "<total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vBCST>0.00</vBCST><vST>0.00</vST>"
            "<vProd>0.00</vProd><vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII>"
            "<vIPI>0.00</vIPI><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS><vOutro>0.00</vOutro><vNF>0.00</vNF>"
            "</ICMSTot></total>");
  EXPECT_NE(s.xml.find("</total><transp><modFrete>0</modFrete></transp></infNFe>"), std::string::npos);
  EXPECT_TRUE(s.alertas.empty()) << ::testing::PrintToString(s.alertas);
}

TEST(NFeWItens, ServiceTotalsAndWithholdingsWriteOnlyWhatIsSet) {
  TNFe n = ComUmItem();
  n.Total.ISSQNtot.vCOFINS = Valor("0.01");
  n.Total.retTrib.vRetPrev = Valor("58.83");
  n.Total.retTrib.vRetPIS = Valor("-1");
  const std::string total = Elemento(Gerar(n).xml, "total");
  EXPECT_NE(total.find("</ICMSTot><ISSQNtot><vCOFINS>0.01</vCOFINS></ISSQNtot><retTrib><vRetPIS>-1.00</vRetPIS>"
                       "<vRetPrev>58.83</vRetPrev></retTrib></total>"),
            std::string::npos)
      << total;
  n.Total = TTotal{};
  n.Total.ISSQNtot.vServ = Valor("-5");
  n.Total.retTrib.vIRRF = Valor("-5");
  EXPECT_EQ(Elemento(Gerar(n).xml, "total").find("<ISSQNtot>"), std::string::npos);
  EXPECT_EQ(Elemento(Gerar(n).xml, "total").find("<retTrib>"), std::string::npos);
}

TEST(NFeWItens, CarrierFields) {
  struct Caso {
    const char* nome;
    TTransporta transporta;
    bool validarInscricoes;
    std::string grupo;
    std::vector<TAlerta> alertas;
  };
  const std::string_view ie = "Inscrição Estadual"_cp;
  const Caso casos[] = {
      {"nothing", {}, true, "", {}},
      {"only the name",
       {"", "POST MASTER COMERCIAL LTDA", "", "", "", ""},
       true,
       "<transporta><xNome>POST MASTER COMERCIAL LTDA</xNome></transporta>",
       {}},
      {"complete, IE with dots",
       {"60.891.033/0001-09", "KRON", "111.393.871.117", "RUA A, 1", "SAO PAULO", "SP"},
       true,
       "<transporta><CNPJ>60891033000109</CNPJ><xNome>KRON</xNome><IE>111393871117</IE><xEnder>RUA A, 1</xEnder>"
       "<xMun>SAO PAULO</xMun><UF>SP</UF></transporta>",
       {}},
      {"by CPF, exempt",
       {"864.264.006-53", "AGNALDO", " ISENTO ", "", "", "MG"},
       true,
       "<transporta><CPF>86426400653</CPF><xNome>AGNALDO</xNome><IE>ISENTO</IE><UF>MG</UF></transporta>",
       {}},
      {"lower-case exempt keeps no digit",
       {"", "AGNALDO", "isento", "", "", "MG"},
       true,
       "<transporta><xNome>AGNALDO</xNome><UF>MG</UF></transporta>",
       {}},
      {"valid IE, checks on",
       {"", "X", "062.425.887.0284", "", "", "MG"},
       true,
       "<transporta><xNome>X</xNome><IE>0624258870284</IE><UF>MG</UF></transporta>",
       {}},
      {"wrong IE, checks on",
       {"", "X", "062.425.887.0285", "", "", "MG"},
       true,
       "<transporta><xNome>X</xNome><IE>0624258870285</IE><UF>MG</UF></transporta>",
       {Alerta("X07", "IE", ie, kInvalido)}},
      {"wrong IE, checks off",
       {"", "X", "0624258870285", "", "", "MG"},
       false,
       "<transporta><xNome>X</xNome><IE>0624258870285</IE><UF>MG</UF></transporta>",
       {}},
      {"unknown UF",
       {"", "", "", "", "", "ZZ"},
       true,
       "<transporta><UF>ZZ</UF></transporta>",
       {Alerta("X10", "UF", "Sigla da UF", kInvalido)}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    n.Transp.Transporta = c.transporta;
    const Saida s = Gerar(n, [&](TNFeW& w) { w.Opcoes().ValidarInscricoes = c.validarInscricoes; });
    EXPECT_EQ(Elemento(s.xml, "transporta"), c.grupo);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

TEST(NFeWItens, TransportGroupsInLayoutOrder) {
  TNFe n = ComUmItem();
  TTransp& t = n.Transp;
  t.modFrete = mfSemFrete;
  t.Transporta.xNome = "RETIRA";
  t.retTransp.CFOP = "5.353";
  t.veicTransp.placa = "HBN9738";
  t.veicTransp.UF = "MG";
  for (int k = 0; k < 6; ++k) {
    TreboqueCollectionItem& r = t.Reboque.Add();
    r.placa = "ABC000" + std::to_string(k);
    r.UF = k == 5 ? "ZZ" : "SP";
    r.RNTC = k == 0 ? "000000" : "";
  }
  t.vagao = "VG-1";
  t.balsa = "B-2";
  t.Vol.Add();
  TVolCollectionItem& v = t.Vol.Add();
  v.qVol = 23;
  v.pesoL = Valor("120.36");
  v.Lacres.Add().nLacre = "L-1";
  v.Lacres.Add().nLacre = "L-2";
  const Saida s = Gerar(n);
  std::string reboques;
  for (int k = 0; k < 6; ++k)
    reboques += "<reboque><placa>ABC000" + std::to_string(k) + "</placa><UF>" + (k == 5 ? "ZZ" : "SP") + "</UF>" +
                (k == 0 ? "<RNTC>000000</RNTC>" : "") + "</reboque>";
  EXPECT_EQ(Elemento(s.xml, "transp"),
            "<transp><modFrete>9</modFrete><transporta><xNome>RETIRA</xNome></transporta><retTransp>"
            "<vServ>0.00</vServ><vBCRet>0.00</vBCRet><pICMSRet>0.00</pICMSRet><vICMSRet>0.00</vICMSRet>"
            "<CFOP>5353</CFOP><cMunFG>0</cMunFG></retTransp><veicTransp><placa>HBN9738</placa><UF>MG</UF>"
            "</veicTransp>" +
                reboques +
                "<vagao>VG-1</vagao><balsa>B-2</balsa><vol></vol><vol><qVol>23</qVol><pesoL>120.360</pesoL>"
                "<lacres><nLacre>L-1</nLacre></lacres><lacres><nLacre>L-2</nLacre></lacres></vol></transp>");
  const std::string_view municipio = "Código do Município FG"_cp;
  EXPECT_EQ(s.alertas, (std::vector<TAlerta>{Alerta("X17", "cMunFG", municipio, kInvalido),
                                             Alerta("X22", "reboque", "Reboque",
                                                    "Número de ocorrências maior que o máximo permitido - Máximo 5"_cp),
                                             Alerta("X24", "UF", "Sigla da UF", kInvalido)}));
}

TEST(NFeWItens, VehicleUfIsChecked) {
  TNFe n = ComUmItem();
  n.Transp.veicTransp.RNTC = "000000";
  const Saida s = Gerar(n);
  EXPECT_EQ(Elemento(s.xml, "veicTransp"), "<veicTransp><placa/><UF/><RNTC>000000</RNTC></veicTransp>");
  EXPECT_EQ(s.alertas, (std::vector<TAlerta>{Alerta("X19", "placa", "Placa do Veículo"_cp, "Nenhum valor informado"),
                                             Alerta("X20", "UF", "Sigla da UF", "Nenhum valor informado"),
                                             Alerta("X20", "UF", "Sigla da UF", kInvalido)}));
}

TEST(NFeWItens, BillingGroups) {
  struct Caso {
    const char* nome;
    TFat fat;
    int duplicatas;
    std::string cobr;
  };
  const std::string dup = "<dup><nDup>0044525/01</nDup><dVenc>2013-12-17</dVenc><vDup>51.69</vDup></dup>";
  const Caso casos[] = {
      {"nothing", {}, 0, ""},
      {"duplicates only", {}, 2, "<cobr>" + dup + dup + "</cobr>"},
      {"invoice only",
       {"488", Valor("540"), Valor("0"), Valor("540")},
       0,
       "<cobr><fat><nFat>488</nFat><vOrig>540.00</vOrig><vLiq>540.00</vLiq></fat></cobr>"},
      {"invoice number only", {" 0001 ", {}, {}, {}}, 1, "<cobr><fat><nFat>0001</nFat></fat>" + dup + "</cobr>"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    n.Cobr.Fat = c.fat;
    for (int k = 0; k < c.duplicatas; ++k) {
      TDupCollectionItem& d = n.Cobr.Dup.Add();
      d.nDup = "0044525/01";
      d.dVenc = CodificarDataHora(2013, 12, 17);
      d.vDup = Valor("51.69");
    }
    EXPECT_EQ(Elemento(Gerar(n).xml, "cobr"), c.cobr);
  }
}

// The layout requires the value of each instalment; the field writer leaves a
// zero out, so a duplicate without value is reported.
TEST(NFeWItens, DuplicateWithoutValueIsReported) {
  struct Caso {
    const char* nome;
    TDupCollectionItem dup;
    std::string grupo;
    bool alerta;
  };
  const Caso casos[] = {
      {"empty", {}, "<dup></dup>", true},
      {"number and date only",
       {"001", CodificarDataHora(2013, 12, 17), {}},
       "<dup><nDup>001</nDup><dVenc>2013-12-17</dVenc></dup>",
       true},
      {"value only", {"", 0, Valor("51.69")}, "<dup><vDup>51.69</vDup></dup>", false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe n = ComUmItem();
    n.Cobr.Dup.Add() = c.dup;
    const Saida s = Gerar(n);
    EXPECT_EQ(Elemento(s.xml, "cobr"), "<cobr>" + c.grupo + "</cobr>");
    EXPECT_EQ(s.alertas,
              c.alerta ? std::vector<TAlerta>{Alerta("Y10", "vDup", "Valor da duplicata", "Nenhum valor informado")}
                       : std::vector<TAlerta>{});
  }
}

// Both kinds of observation trim their field name: the layout allows no blanks around it.
TEST(NFeWItens, ObservationsKeepTheirFieldNameAsAnEscapedAttribute) {
  TNFe n = ComUmItem();
  TInfAdic& inf = n.InfAdic;
  inf.infCpl = "PD - 800455;Controle:(12827)";
  const std::string contribuinte[] = {" A ", std::string("Pedido & \"Cotação\""_cp), "", "123456789012345678901"};
  for (const std::string& campo : contribuinte) {
    TobsContCollectionItem& o = inf.obsCont.Add();
    o.xCampo = campo;
    o.xTexto = "texto";
  }
  for (const char* campo : {" A ", "<PTA>", " 123456789012345678901 "}) {
    TobsFiscoCollectionItem& o = inf.obsFisco.Add();
    o.xCampo = campo;
    o.xTexto = "16.000458387-01";
  }
  TprocRefCollectionItem& p = inf.procRef.Add();
  p.nProc = "0012345-67.2013.4.01.3800";
  p.indProc = ipOutros;
  const Saida s = Gerar(n);
  EXPECT_EQ(Elemento(s.xml, "infAdic"),
            "<infAdic><infCpl>PD - 800455;Controle:(12827)</infCpl>"
            "<obsCont xCampo=\"A\"><xTexto>texto</xTexto></obsCont>"
            "<obsCont xCampo=\"Pedido &amp; &quot;Cotacao&quot;\"><xTexto>texto</xTexto></obsCont>"
            "<obsCont xCampo=\"\"><xTexto>texto</xTexto></obsCont>"
            "<obsCont xCampo=\"123456789012345678901\"><xTexto>texto</xTexto></obsCont>"
            "<obsFisco xCampo=\"A\"><xTexto>16.000458387-01</xTexto></obsFisco>"
            "<obsFisco xCampo=\"&lt;PTA&gt;\"><xTexto>16.000458387-01</xTexto></obsFisco>"
            "<obsFisco xCampo=\"123456789012345678901\"><xTexto>16.000458387-01</xTexto></obsFisco>"
            "<procRef><nProc>0012345-67.2013.4.01.3800</nProc><indProc>9</indProc></procRef></infAdic>");
  const std::string_view campo = "Identificação do Campo"_cp;
  EXPECT_EQ(s.alertas,
            (std::vector<TAlerta>{Alerta("Z05", "xCampo", campo, "Nenhum valor informado"),
                                  Alerta("Z05", "xCampo", campo, "Tamanho maior que o máximo permitido"_cp),
                                  Alerta("Z08", "xCampo", campo, "Tamanho maior que o máximo permitido"_cp)}));
}

TEST(NFeWItens, AdditionalInformationCountAlerts) {
  for (int quantidade : {10, 11}) {
    SCOPED_TRACE(quantidade);
    TNFe n = ComUmItem();
    for (int k = 0; k < quantidade; ++k) {
      TobsContCollectionItem& c = n.InfAdic.obsCont.Add();
      c.xCampo = "C" + std::to_string(k);
      c.xTexto = "T";
      TobsFiscoCollectionItem& f = n.InfAdic.obsFisco.Add();
      f.xCampo = "F" + std::to_string(k);
      f.xTexto = "T";
    }
    n.InfAdic.obsFisco.Items(0).xCampo = "  ";
    const Saida s = Gerar(n);
    EXPECT_EQ(Ocorrencias(s.xml, "obsCont"), quantidade);
    EXPECT_EQ(Ocorrencias(s.xml, "obsFisco"), quantidade);
    const std::string_view maximo = "Número de ocorrências maior que o máximo permitido - Máximo 10"_cp;
    std::vector<TAlerta> alertas;
    if (quantidade > 10)
      alertas.push_back(Alerta("Z04", "obsCont", "Observações de interesse do contribuite"_cp, maximo));
    if (quantidade > 10) alertas.push_back(Alerta("Z07", "obsFisco", "Observações de interesse do fisco"_cp, maximo));
    alertas.push_back(Alerta("Z08", "xCampo", "Identificação do Campo"_cp, "Nenhum valor informado"));
    EXPECT_EQ(s.alertas, alertas);
  }
}

TEST(NFeWItens, ExportPurchaseAndInformationAreWrittenOnlyWithData) {
  TNFe n = ComUmItem();
  n.InfAdic.infAdFisco = "   ";
  n.exporta.xLocEmbarq = " ";
  n.compra.xNEmp = " ";
  n.cana.safra = " ";
  const Saida vazio = Gerar(n);
  for (const char* grupo : {"infAdic", "exporta", "compra", "cana", "cobr"})
    EXPECT_EQ(Ocorrencias(vazio.xml, grupo), 0) << grupo;

  n.exporta.UFembarq = "PR";
  n.exporta.xLocEmbarq = "PARANAGUA";
  n.compra.xPed = "98001921";
  Saida s = Gerar(n);
  EXPECT_NE(s.xml.find("</transp><exporta><UFEmbarq>PR</UFEmbarq><xLocEmbarq>PARANAGUA</xLocEmbarq></exporta>"
                       "<compra><xPed>98001921</xPed></compra></infNFe>"),
            std::string::npos);
  EXPECT_TRUE(s.alertas.empty());

  n.exporta.UFembarq = "BR";
  s = Gerar(n);
  EXPECT_EQ(s.alertas, std::vector<TAlerta>{Alerta("ZA02", "UFEmbarq",
                                                   "Sigla da UF onde ocorrerá o embarque dos produtos"_cp, kInvalido)});
}

TEST(NFeWItens, SugarCaneWithDailySuppliesAndDeductions) {
  TNFe n = ComUmItem();
  TCana& c = n.cana;
  c.safra = "2013/2014";
  c.ref = "10/2013";
  c.qTotMes = 2501.5;
  c.qTotAnt = 412000.25;
  c.qTotGer = 414501.75;
  for (int dia = 1; dia <= 2; ++dia) {
    TForDiaCollectionItem& f = c.fordia.Add();
    f.dia = dia;
    f.qtde = Valor("1250.75");
  }
  TDeducCollectionItem& d = c.deduc.Add();
  d.xDed = "TAXA DE ARMAZENAGEM";
  d.vDed = Valor("120");
  c.vFor = Valor("48500");
  c.vTotDed = Valor("120");
  c.vLiqFor = Valor("48380");
  const Saida s = Gerar(n);
  EXPECT_EQ(Elemento(s.xml, "cana"),
            "<cana><safra>2013/2014</safra><ref>10/2013</ref>"
            "<forDia dia=\"1\"><qtde>1250.7500000000</qtde></forDia><forDia dia=\"2\"><qtde>1250.7500000000</qtde>"
            "</forDia><qTotMes>2501.5000000000</qTotMes><qTotAnt>412000.2500000000</qTotAnt>"
            "<qTotGer>414501.7500000000</qTotGer><deduc><xDed>TAXA DE ARMAZENAGEM</xDed><vDed>120.00</vDed></deduc>"
            "<vFor>48500.00</vFor><vTotDed>120.00</vTotDed><vLiqFor>48380.00</vLiqFor></cana>");
  EXPECT_TRUE(s.alertas.empty()) << ::testing::PrintToString(s.alertas);
}

TEST(NFeWItens, SugarCaneCountAlerts) {
  struct Caso {
    int dias, deducoes;
    std::vector<TAlerta> alertas;
  };
  const TAlerta forDia = Alerta("ZC04", "forDia", "Grupo de Fornecimento diário de cana"_cp,
                                "Número de ocorrências maior que o máximo permitido - Máximo 31"_cp);
  const TAlerta deduc = Alerta("ZC10", "deduc", "Grupo de Deduções – Taxas e Contribuições"_cp,
                               "Número de ocorrências maior que o máximo permitido - Máximo 10"_cp);
  const Caso casos[] = {{31, 10, {}}, {32, 10, {forDia}}, {31, 11, {deduc}}, {40, 20, {forDia, deduc}}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::to_string(c.dias) + " days, " + std::to_string(c.deducoes) + " deductions");
    TNFe n = ComUmItem();
    for (int k = 0; k < c.dias; ++k) {
      TForDiaCollectionItem& f = n.cana.fordia.Add();
      f.dia = k % 31 + 1;
      f.qtde = Valor("1");
    }
    for (int k = 0; k < c.deducoes; ++k) {
      TDeducCollectionItem& d = n.cana.deduc.Add();
      d.xDed = "TAXA";
      d.vDed = Valor("1");
    }
    const Saida s = Gerar(n);
    EXPECT_EQ(Ocorrencias(s.xml, "forDia"), c.dias);
    EXPECT_EQ(Ocorrencias(s.xml, "deduc"), c.deducoes);
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

}  // namespace

void PrintTo(const TAlerta& a, std::ostream* saida) {
  *saida << win1252::ParaUtf8(FormatarAlerta(a, "%ID%|%TAG%|%DESCRICAO%|%MSG%"));
}
