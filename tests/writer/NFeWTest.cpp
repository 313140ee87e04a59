#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"
#include "writer/kxnNFeW.h"

namespace {

const std::string kChave = "35100511222333000181550010000001231123456780";  // composed from NFeValida()

// A document with one plain item that raises no alert.
TNFe NFeValida() {
  TNFe n;
  n.Ide.cUF = 35;
  n.Ide.cNF = 12345678;
  n.Ide.natOp = "VENDA";
  n.Ide.modelo = 55;
  n.Ide.serie = 1;
  n.Ide.nNF = 123;
  n.Ide.dEmi = CodificarDataHora(2010, 5, 4);
  n.Ide.tpNF = tnSaida;
  n.Ide.cMunFG = 3550308;
  n.Ide.verProc = "1.0";
  n.Emit.CNPJCPF = "11.222.333/0001-81";
  n.Emit.xNome = "EMITENTE LTDA";
  n.Emit.IE = "ISENTO";
  TenderEmit& e = n.Emit.EnderEmit;
  e.xLgr = "RUA A";
  e.nro = "5";
  e.xBairro = "CENTRO";
  e.cMun = 3550308;
  e.xMun = "SAO PAULO";
  e.UF = "SP";
  e.CEP = 1310100;
  n.Dest.CNPJCPF = "111.444.777-35";
  n.Dest.xNome = "CLIENTE";
  n.Dest.IE = "ISENTO";
  TenderDest& d = n.Dest.EnderDest;
  d.xLgr = "RUA B";
  d.nro = "SEM NUMERO";
  d.xBairro = "CENTRO";
  d.cMun = 3304557;
  d.xMun = "RIO DE JANEIRO";
  d.UF = "RJ";
  TProd& p = n.Det.Add().Prod;
  p.nItem = 1;
  p.cProd = "001";
  p.xProd = "PRODUTO";
  p.NCM = "84713012";
  p.CFOP = "5102";
  p.uCom = p.uTrib = "UN";
  p.qCom = p.qTrib = Currency(1);
  p.vUnCom = p.vUnTrib = 10;
  p.vProd = Currency(10);
  return n;
}

// The XML of a model and its alerts, with the alert template cut to "ID:%ID% %MSG%".
struct Saida {
  bool ok = false;
  std::string xml;
  std::vector<std::string> alertas;
};

Saida Gerar(TNFe& n, void (*ajustar)(TNFeW&) = nullptr) {
  TNFeW w(n);
  w.Gerador().Opcoes().FormatoAlerta = "%ID% %MSG%";
  if (ajustar) ajustar(w);
  Saida s;
  s.ok = w.GerarDocumento();
  s.xml = w.Gerador().ArquivoFormatoXML();
  s.alertas = w.Gerador().ListaDeAlertas();
  return s;
}

bool Contem(const std::string& texto, std::string_view trecho) { return texto.find(trecho) != std::string::npos; }

std::string Texto(std::string_view v) { return std::string(v); }

}  // namespace

TEST(NFeW, WritesFrameIdentificationAndPartiesOfAValidDocument) {
  TNFe n = NFeValida();
  n.Ide.cDV = 7;
  const Saida s = Gerar(n);
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.alertas, std::vector<std::string>{});
  // Up to the recipient: the groups after it are written by the other group writers.
  ASSERT_NE(s.xml.find("</dest>"), std::string::npos);
  EXPECT_EQ(
      s.xml.substr(0, s.xml.find("</dest>") + 7),
      "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"2.00\" Id=\"NFe" + kChave +
          "\">"
          "<ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA</natOp><indPag>0</indPag><mod>55</mod><serie>1</serie>"
          "<nNF>123</nNF><dEmi>2010-05-04</dEmi><tpNF>1</tpNF><cMunFG>3550308</cMunFG><tpImp>1</tpImp>"
          "<tpEmis>1</tpEmis><cDV>0</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><procEmi>0</procEmi>"
          "<verProc>1.0</verProc></ide>"
          "<emit><CNPJ>11222333000181</CNPJ><xNome>EMITENTE LTDA</xNome><enderEmit><xLgr>RUA A</xLgr>"
          "<nro>005</nro><xBairro>CENTRO</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"
          "<CEP>01310100</CEP><cPais>1058</cPais><xPais>BRASIL</xPais></enderEmit><IE/><CRT>3</CRT></emit>"
          "<dest><CPF>11144477735</CPF><xNome>CLIENTE</xNome><enderDest><xLgr>RUA B</xLgr><nro>SEM NUMERO</nro>"
          "<xBairro>CENTRO</xBairro><cMun>3304557</cMun><xMun>RIO DE JANEIRO</xMun><UF>RJ</UF><cPais>1058</cPais>"
          "<xPais>BRASIL</xPais></enderDest><IE>ISENTO</IE></dest>");
  EXPECT_TRUE(s.xml.ends_with("</infNFe></NFe>"));
  EXPECT_EQ(n.infNFe.ID, "NFe" + kChave);
  EXPECT_TRUE(ConferirChaveAcesso(n.infNFe.ID));
  EXPECT_EQ(n.Ide.cDV, 0);
  EXPECT_EQ(n.Ide.cNF, 12345678);
}

TEST(NFeW, GivenIdIsNormalisedAndOverwritesCheckDigitAndCode) {
  const std::string digitos = "35100511222333000181550010000001231876543219";
  for (const std::string& id : {" nfe" + digitos + " ", digitos, "NFe" + digitos, "NFENFE" + digitos}) {
    TNFe n = NFeValida();
    n.infNFe.ID = id;
    const Saida s = Gerar(n);
    EXPECT_EQ(n.infNFe.ID, "NFe" + digitos) << id;
    EXPECT_EQ(n.Ide.cDV, 9);
    EXPECT_EQ(n.Ide.cNF, 87654321);
    EXPECT_TRUE(Contem(s.xml, "Id=\"NFe" + digitos + "\""));
    EXPECT_TRUE(Contem(s.xml, "<cNF>87654321</cNF>"));
    EXPECT_TRUE(Contem(s.xml, "<cDV>9</cDV>"));
  }
  // The older layout reads a nine-digit code and writes the stored version.
  TNFe antiga = NFeValida();
  antiga.infNFe.SetVersao(1.1);
  antiga.infNFe.ID = digitos;
  const Saida s = Gerar(antiga);
  EXPECT_TRUE(Contem(s.xml, "<infNFe versao=\"1.10\" Id="));
  EXPECT_TRUE(Contem(s.xml, "<cNF>187654321</cNF>"));
  EXPECT_FALSE(Contem(s.xml, "<CRT>"));
  EXPECT_EQ(antiga.Ide.cNF, 187654321);
}

TEST(NFeW, KeyErrorsAndIdsThatAreNoKeys) {
  TNFe semChave = NFeValida();
  semChave.Ide.nNF = -1;  // no key can be composed
  EXPECT_THROW(Gerar(semChave), ErroConversao);

  TNFe comId = NFeValida();
  comId.Ide.nNF = -1;
  comId.infNFe.ID = "NFe" + kChave;
  const Saida s = Gerar(comId);
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.alertas.front(), "A01 Erro ao gerar a chave da NFe!");
  EXPECT_TRUE(Contem(s.xml, "</infNFe></NFe>"));

  // Without a numeric code one is drawn at random, so two runs give two keys.
  TNFe a = NFeValida(), b = NFeValida();
  a.Ide.cNF = b.Ide.cNF = 0;
  Gerar(a);
  Gerar(b);
  EXPECT_TRUE(ConferirChaveAcesso(a.infNFe.ID)) << a.infNFe.ID;
  EXPECT_NE(a.infNFe.ID, b.infNFe.ID);
  EXPECT_EQ(a.Ide.cNF, std::stoi(a.infNFe.ID.substr(38, 8)));

  for (const char* id : {"NFe123X", "NFe3510051122233300018155001"}) {
    TNFe n = NFeValida();
    n.infNFe.ID = id;
    EXPECT_THROW(Gerar(n), ErroConversao) << id;
  }
}

TEST(NFeW, EnvelopeOnlyWithAProtocolNumber) {
  TNFe n = NFeValida();
  EXPECT_TRUE(Gerar(n).xml.starts_with("<NFe xmlns="));

  n.procNFe.tpAmb = taHomologacao;
  n.procNFe.verAplic = "SP_NFE_PL_006";
  n.procNFe.chNFe = kChave;
  n.procNFe.dhRecbto = CodificarDataHora(2010, 5, 4, 13, 5, 9);
  n.procNFe.nProt = "135100000000001";
  n.procNFe.digVal = "abc=";
  n.procNFe.cStat = 100;
  n.procNFe.xMotivo = "Autorizado o uso da NF-e";
  const Saida s = Gerar(n);
  EXPECT_TRUE(s.ok);
  EXPECT_TRUE(
      s.xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                        "<nfeProc versao=\"2.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                        "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe"))
      << s.xml;
  EXPECT_TRUE(
      s.xml.ends_with("</infNFe></NFe><protNFe versao=\"2.00\"><infProt><tpAmb>2</tpAmb>"
                      "<verAplic>SP_NFE_PL_006</verAplic><chNFe>" +
                      kChave +
                      "</chNFe>"
                      "<dhRecbto>2010-05-04T13:05:09</dhRecbto><nProt>135100000000001</nProt>"
                      "<digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                      "</infProt></protNFe></nfeProc>"))
      << s.xml;
}

TEST(NFeW, SignatureWrittenAsTheOptionSays) {
  struct Caso {
    TkxnTagAssinatura opcao;
    bool digest, valor, certificado;
    bool escrita;
  };
  const Caso casos[] = {
      {taSempre, false, false, false, true},
      {taNunca, true, true, true, false},
      {taSomenteSeAssinada, true, false, false, false},
      {taSomenteSeAssinada, true, true, true, true},
      {taSomenteParaNaoAssinada, false, false, false, true},
      {taSomenteParaNaoAssinada, false, false, true, false},
  };
  for (const Caso& c : casos) {
    TNFe n = NFeValida();
    n.signature.DigestValue = c.digest ? "d" : "";
    n.signature.SignatureValue = c.valor ? "s" : "";
    n.signature.X509Certificate = c.certificado ? "x" : "";
    TNFeW w(n);
    w.Opcoes().GerarTagAssinatura = c.opcao;
    EXPECT_TRUE(w.GerarDocumento());
    const std::string& xml = w.Gerador().ArquivoFormatoXML();
    EXPECT_EQ(Contem(xml, "</infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"), c.escrita) << c.opcao;
    EXPECT_TRUE(xml.ends_with("</Signature></NFe>") == c.escrita) << c.opcao;
    EXPECT_EQ(n.signature.URI, c.escrita ? kChave : "");
  }
  // The signature's alerts stay in its own writer.
  TNFe n = NFeValida();
  n.signature.DigestValue = std::string(1000, 'A');
  TNFeW w(n);
  w.Opcoes().GerarTagAssinatura = taSempre;
  EXPECT_TRUE(w.GerarDocumento());
  EXPECT_EQ(w.Assinatura().Gerador.ListaDeAlertas().size(), 1u);
}

TEST(NFeW, ReferencesOneGroupPerItem) {
  TNFe n = NFeValida();
  n.Ide.NFref.Add().refNFe = "NFe" + kChave;
  TRefNF& nf = n.Ide.NFref.Add().RefNF;
  nf.cUF = 35;
  nf.AAMM = "1005";
  nf.CNPJ = "11.222.333/0001-81";
  nf.modelo = 1;
  nf.serie = 1;
  nf.nNF = 10;
  Saida s = Gerar(n);
  EXPECT_TRUE(s.ok) << ::testing::PrintToString(s.alertas);
  EXPECT_TRUE(Contem(s.xml, "<cMunFG>3550308</cMunFG><NFref><refNFe>" + kChave +
                                "</refNFe></NFref>"
                                "<NFref><refNF><cUF>35</cUF><AAMM>1005</AAMM><CNPJ>11222333000181</CNPJ><mod>01</mod>"
                                "<serie>1</serie><nNF>10</nNF></refNF></NFref><tpImp>"))
      << s.xml;

  TNFe outra = NFeValida();
  TNFrefCollectionItem& r = outra.Ide.NFref.Add();
  r.RefNF = nf;
  r.RefNF.modelo = 55;
  r.RefNF.AAMM = "1013";
  r.RefNFP.cUF = 35;
  r.RefNFP.AAMM = "1005";
  r.RefNFP.CNPJCPF = "111.444.777-35";
  r.RefNFP.IE = "ISENTO";
  r.RefNFP.modelo = "4";
  r.RefNFP.serie = 2;
  r.RefNFP.nNF = 7;
  r.refCTe = "35100511222333000181570010000001231123456789";
  r.RefECF.modelo = ECFModRef2B;
  r.RefECF.nECF = "1";
  r.RefECF.nCOO = "23";
  s = Gerar(outra);
  EXPECT_TRUE(Contem(s.xml, "<mod>55</mod>"));
  EXPECT_TRUE(Contem(
      s.xml,
      "<refNFP><cUF>35</cUF><AAMM>1005</AAMM><CPF>11144477735</CPF><IE>ISENTO</IE>"
      "<mod>04</mod><serie>2</serie><nNF>7</nNF></refNFP><refCTe>35100511222333000181570010000001231123456789</refCTe>"
      "<refECF><mod>2B</mod><nECF>001</nECF><nCOO>000023</nCOO></refECF></NFref>"))
      << s.xml;
  EXPECT_EQ(s.alertas,
            (std::vector<std::string>{Texto("B16 Periodo inválido"_cp), Texto("B18 Modelo de documento inválido"_cp),
                                      Texto("B20i Conteúdo inválido"_cp)}));

  outra.Ide.NFref.Items(0).RefECF.nECF = "";  // a number is needed
  EXPECT_THROW(Gerar(outra), ErroConversao);
}

TEST(NFeW, EmptyReferenceIsReported) {
  TNFe n = NFeValida();
  n.Ide.NFref.Add().refNFe = "NFe" + kChave;
  n.Ide.NFref.Add().RefNF.cUF = 35;  // data without a number: nothing of it is written
  n.Ide.NFref.Add();
  const Saida s = Gerar(n);
  EXPECT_TRUE(Contem(s.xml, "<NFref><refNFe>" + kChave + "</refNFe></NFref><NFref></NFref><NFref></NFref><tpImp>"))
      << s.xml;
  EXPECT_EQ(s.alertas, (std::vector<std::string>{"B12a Nenhum valor informado", "B12a Nenhum valor informado"}));
}

// One writer used again after a failed generation: the corrected model
// succeeds, with the alert path and indentation of a first generation.
TEST(NFeW, EachGenerationStartsWithoutAlerts) {
  TNFe n = NFeValida();
  n.Ide.cUF = 99;
  n.infNFe.ID = "NFe" + kChave;
  TNFeW w(n);
  w.Gerador().Opcoes().IdentarXML = true;
  w.Opcoes().GerarTagAssinatura = taSempre;
  n.signature.DigestValue = std::string(1000, 'A');
  EXPECT_FALSE(w.GerarDocumento());
  ASSERT_EQ(w.Gerador().ListaDeAlertas().size(), 1u);
  const std::string primeiro = w.Gerador().ListaDeAlertas()[0];
  EXPECT_EQ(w.Assinatura().Gerador.ListaDeAlertas().size(), 1u);

  n.Ide.cUF = 35;
  n.signature.DigestValue = "d";
  EXPECT_TRUE(w.GerarDocumento()) << ::testing::PrintToString(w.Gerador().ListaDeAlertas());
  EXPECT_TRUE(w.Assinatura().Gerador.ListaDeAlertas().empty());
  EXPECT_TRUE(w.Gerador().TagNivel().empty());
  EXPECT_EQ(w.Gerador().NivelAtual(), 0);
  EXPECT_TRUE(w.Gerador().ArquivoFormatoXML().starts_with("<NFe xmlns"));

  n.Ide.cUF = 99;
  EXPECT_FALSE(w.GerarDocumento());
  EXPECT_EQ(w.Gerador().ListaDeAlertas(), std::vector<std::string>{primeiro});
}

// The layout is the one of the version the versao attribute shows.
TEST(NFeW, LayoutFollowsTheWrittenVersion) {
  struct Caso {
    double versao;
    const char* atributo;
    bool leiaute200;
  };
  const Caso casos[] = {
      {1.995, "versao=\"2.00\"", true},  {1.999, "versao=\"2.00\"", true}, {2.004, "versao=\"2.00\"", true},
      {1.994, "versao=\"1.99\"", false}, {1.1, "versao=\"1.10\"", false},  {0, "versao=\"2.00\"", true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.versao);
    TNFe n = NFeValida();
    n.infNFe.SetVersao(c.versao);
    TNFeW w(n);
    EXPECT_EQ(w.Leiaute200(), c.leiaute200);
    w.GerarDocumento();
    const std::string& xml = w.Gerador().ArquivoFormatoXML();
    EXPECT_TRUE(Contem(xml, std::string("<infNFe ") + c.atributo));
    EXPECT_EQ(w.Schema(), c.leiaute200 ? TsPL006 : TsPL005c);
    EXPECT_EQ(Contem(xml, "<CRT>"), c.leiaute200);
    EXPECT_EQ(Contem(xml, "<indTot>"), c.leiaute200);
    EXPECT_EQ(Contem(xml, "<cNF>12345678</cNF>"), c.leiaute200);
  }
}

TEST(NFeW, IdentificationOptionalFieldsAndAlertPath) {
  TNFe n = NFeValida();
  n.Ide.cUF = 99;
  n.Ide.dSaiEnt = CodificarDataHora(2010, 5, 5);
  n.Ide.hSaiEnt = CodificarHora(8, 30, 0);
  n.Ide.dhCont = CodificarDataHora(2010, 5, 4, 13, 5, 9);
  n.Ide.xJust = "SEM CONEXAO";
  n.infNFe.ID = "NFe" + kChave;
  TNFeW w(n);
  EXPECT_FALSE(w.GerarDocumento());
  const std::string& xml = w.Gerador().ArquivoFormatoXML();
  EXPECT_TRUE(Contem(xml, "<dSaiEnt>2010-05-05</dSaiEnt><hSaiEnt>08:30:00</hSaiEnt>"));
  EXPECT_TRUE(Contem(xml, "<dhCont>2010-05-04T13:05:09</dhCont><xJust>SEM CONEXAO</xJust></ide>"));
  // The root and infNFe stay out of the alert path.
  EXPECT_EQ(w.Gerador().ListaDeAlertas(),
            std::vector<std::string>{
                Texto("TAG:<ide> ID:B02/cUF(Código do UF (Unidade da Federação)) - Conteúdo inválido."_cp)});
}

TEST(NFeW, TestEnvironmentReplacesTheRecipient) {
  TNFe n = NFeValida();
  n.Ide.tpAmb = taHomologacao;
  n.Dest.IE = "123456789";
  Saida s = Gerar(n);
  EXPECT_TRUE(Contem(s.xml,
                     "<dest><CNPJ>99999999000191</CNPJ>"
                     "<xNome>NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL</xNome>"));
  EXPECT_TRUE(Contem(s.xml, "</enderDest><IE/></dest>"));

  n.Dest.EnderDest.UF = "EX";
  s = Gerar(n);
  EXPECT_TRUE(Contem(s.xml, "<dest><CPF>11144477735</CPF>"));
}

TEST(NFeW, AddressesAbroad) {
  TNFe n = NFeValida();
  n.Emit.EnderEmit.cPais = 0;
  n.Dest.EnderDest.cPais = 1600;
  n.Dest.EnderDest.xPais = "CHINA";
  Saida s = Gerar(n);
  EXPECT_TRUE(Contem(s.xml, "<emit><CNPJ/>"));
  EXPECT_TRUE(Contem(s.xml,
                     "<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF><CEP>01310100</CEP>"
                     "<cPais>1058</cPais>"));
  EXPECT_TRUE(Contem(s.xml, "<dest><CNPJ/>"));
  EXPECT_TRUE(Contem(s.xml,
                     "<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF><cPais>1600</cPais>"
                     "<xPais>CHINA</xPais>"));
  EXPECT_TRUE(s.ok) << ::testing::PrintToString(s.alertas);

  // The emitter's code check runs on the model's own code; a recipient with country 0 has no cPais.
  n.Emit.EnderEmit.cMun = 0;
  n.Dest.EnderDest.cPais = 0;
  s = Gerar(n);
  EXPECT_FALSE(Contem(s.xml, "<cPais>0000</cPais>"));
  EXPECT_TRUE(Contem(s.xml, "<UF>EX</UF><xPais>CHINA</xPais>"));
  EXPECT_EQ(s.alertas,
            (std::vector<std::string>{Texto("C10 Conteúdo inválido"_cp), Texto("E14 Conteúdo inválido"_cp)}));
}

// A recipient country code is written as given: padding it to four digits
// would turn codes that are no country into Brazil's. Codes outside the
// country table are reported.
TEST(NFeW, RecipientCountryCodeOutsideFourDigits) {
  struct Caso {
    int cPais;
    std::string campo;
    std::vector<std::string> alertas;
  };
  const std::string maior = Texto("E14 Tamanho maior que o máximo permitido"_cp);
  const std::string invalido = Texto("E14 Conteúdo inválido"_cp);
  const Caso casos[] = {
      {1058, "<cPais>1058</cPais>", {}},
      {132, "<cPais>0132</cPais>", {}},
      {91058, "<cPais>91058</cPais>", {maior + " [91058]", invalido}},
      {11058, "<cPais>11058</cPais>", {maior + " [11058]", invalido}},
      {-1058, "<cPais>-1058</cPais>", {maior + " [-1058]", invalido}},
      {-5, "<cPais>-5</cPais>", {invalido}},
      {1234, "<cPais>1234</cPais>", {invalido}},  // not listed, and its check digit is wrong
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.cPais);
    TNFe n = NFeValida();
    n.Dest.EnderDest.cPais = c.cPais;
    const Saida s = Gerar(n);
    EXPECT_TRUE(Contem(s.xml, "</UF>" + c.campo + "<xPais>")) << s.xml;
    EXPECT_EQ(s.alertas, c.alertas);
  }
}

TEST(NFeW, PickupDeliveryAndSingleIssueGroups) {
  TNFe n = NFeValida();
  n.Retirada.xLgr = "   ";
  n.Retirada.CNPJCPF = "11222333000181";
  n.Entrega.CNPJCPF = "11222333000181";
  n.Entrega.xLgr = "RUA C";
  n.Entrega.nro = "7";
  n.Entrega.xBairro = "BAIRRO";
  n.Entrega.cMun = 3304557;
  n.Entrega.xMun = "RIO";
  n.Entrega.UF = "XX";
  n.Avulsa.CNPJ = "11222333000181";
  n.Avulsa.xOrgao = "SEFAZ";
  n.Avulsa.matr = "1";
  n.Avulsa.xAgente = "AGENTE";
  n.Avulsa.fone = "(11) 5555-1234";
  n.Avulsa.UF = "SP";
  n.Avulsa.nDAR = "9";
  n.Avulsa.dEmi = CodificarDataHora(2010, 5, 4);
  n.Avulsa.vDAR = Currency::DeDecimal("10.5");
  n.Avulsa.repEmi = "REP";
  n.Avulsa.dPag = CodificarDataHora(2010, 5, 6);
  const Saida s = Gerar(n, [](TNFeW& w) { w.Opcoes().AjustarTagNro = false; });
  EXPECT_FALSE(Contem(s.xml, "<retirada>"));
  EXPECT_TRUE(Contem(s.xml,
                     "<avulsa><CNPJ>11222333000181</CNPJ><xOrgao>SEFAZ</xOrgao><matr>1</matr>"
                     "<xAgente>AGENTE</xAgente><fone>1155551234</fone><UF>SP</UF><nDAR>9</nDAR>"
                     "<dEmi>2010-05-04</dEmi><vDAR>10.50</vDAR><repEmi>REP</repEmi><dPag>2010-05-06</dPag>"
                     "</avulsa><dest>"));
  EXPECT_TRUE(Contem(s.xml,
                     "</dest><entrega><CNPJ>11222333000181</CNPJ><xLgr>RUA C</xLgr><nro>7</nro>"
                     "<xBairro>BAIRRO</xBairro><cMun>3304557</cMun><xMun>RIO</xMun><UF>XX</UF></entrega>"));
  EXPECT_TRUE(Contem(s.xml, "<nro>5</nro>"));
  EXPECT_EQ(s.alertas, std::vector<std::string>{Texto("G09 Conteúdo inválido"_cp)});
  // The option pads the number of every address group.
  n.Retirada.xLgr = "RUA D";
  n.Retirada.nro = "12";
  const std::string xml = Gerar(n).xml;
  EXPECT_TRUE(Contem(xml, "<retirada><CNPJ>11222333000181</CNPJ><xLgr>RUA D</xLgr><nro>012</nro>")) << xml;
  EXPECT_TRUE(Contem(xml, "<entrega><CNPJ>11222333000181</CNPJ><xLgr>RUA C</xLgr><nro>007</nro>")) << xml;
}

TEST(NFeW, RegistrationChecksOnlyWhenAsked) {
  TNFe n = NFeValida();
  n.Emit.IE = "1234567890";
  n.Dest.IE = "123";
  n.Dest.ISUF = "123456789";
  EXPECT_TRUE(Gerar(n).ok);

  const auto validar = [](TNFeW& w) { w.Opcoes().ValidarInscricoes = true; };
  Saida s = Gerar(n, validar);
  EXPECT_EQ(s.alertas, (std::vector<std::string>{Texto("C17 Conteúdo inválido"_cp), Texto("E17 Conteúdo inválido"_cp),
                                                 Texto("E18 Conteúdo inválido"_cp)}));
  n.Emit.IE = "";
  n.Dest.IE = "ISENTO";
  n.Dest.ISUF = "";
  s = Gerar(n, validar);
  EXPECT_EQ(s.alertas, std::vector<std::string>{"C17 Nenhum valor informado"});
  n.Ide.procEmi = peAvulsaFisco;
  EXPECT_TRUE(Gerar(n, validar).ok);
}

TEST(NFeW, MunicipalityNamesFromTheListFiles) {
  const auto dir = std::filesystem::path(SALVEXA_BINARY_DIR) / "tests" / "writer-tmp" / "municipios";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  {
    std::ofstream f(dir / "MunIBGE-UF35.txt", std::ios::binary);
    f << "3550100 OUTRA\r\n3550308\r\n  S\xC3O PAULO 3550308 \r\n";
  }
  {
    std::ofstream f(dir / "MunIBGE-UF33.txt", std::ios::binary);  // bare CRs end the lines too
    f << "3303302 NITEROI\r3304557 RIO DE JANEIRO\r3300100 ANGRA";
  }
  TNFe n = NFeValida();
  TNFeW w(n);
  EXPECT_EQ(w.NormatizarMunicipio("SP CAPITAL", "SP", 3550308), "SP CAPITAL");  // option off
  w.Opcoes().NormatizarMunicipios = true;
  w.Opcoes().PathArquivoMunicipios = dir.string() + "/";
  EXPECT_EQ(w.NormatizarMunicipio("SP CAPITAL", "SP", 3550308), "S\xC3O PAULO");
  EXPECT_EQ(w.NormatizarMunicipio("SP CAPITAL", "SP", 3599999), "SP CAPITAL");  // no line
  EXPECT_EQ(w.NormatizarMunicipio("NITEROI", "MG", 3106200), "NITEROI");        // no file
  EXPECT_EQ(w.NormatizarMunicipio("RIO", "RJ", 3304557), "RIO DE JANEIRO");
  EXPECT_EQ(w.NormatizarMunicipio("ANGRA DOS REIS", "RJ", 3300100), "ANGRA");  // last line without an end
  EXPECT_EQ(w.NormatizarMunicipio("X", "SP", 9999999), "X");                   // abroad
  w.GerarDocumento();
  EXPECT_TRUE(Contem(w.Gerador().ArquivoFormatoXML(), "<xMun>SAO PAULO</xMun>"));  // accent removed on writing
}
