#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <string>

#include "apoio/PaginaTeste.h"
#include "converter/TextoPagina.h"
#include "converter/ZoltHTMLtoXML.h"
#include "nfe/DataHora.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"

using namespace pagina_teste;

namespace {

std::string Substituir(std::string texto, std::string_view de, std::string_view para) {
  const std::size_t p = texto.find(de);
  EXPECT_NE(p, std::string::npos) << de;
  if (p != std::string::npos) texto.replace(p, de.size(), para);
  return texto;
}

// A page of one item with CST 00 and IPI.
std::string PaginaSimples() {
  return PaginaCom(Item(1, "DELFOS SND TINTO 1,80M", std::string(kICMS00) + std::string(kIPI)));
}

TNFe Ler(const std::string& pagina) {
  TNFe nfe;
  EXPECT_TRUE(LerPaginaNFe(pagina, nfe));
  return nfe;
}

Currency C(const char* decimal) { return Currency::DeDecimal(decimal); }

}  // namespace

TEST(ConverterPagina, ReadsIdentificationProtocolAndParties) {
  const TNFe nfe = Ler(PaginaSimples());
  EXPECT_EQ(nfe.infNFe.ID, kChave);
  EXPECT_EQ(nfe.procNFe.chNFe, kChave);
  EXPECT_EQ(nfe.Ide.nNF, 1);
  EXPECT_EQ(nfe.Ide.cNF, 300000);
  EXPECT_EQ(nfe.Ide.modelo, 55);
  EXPECT_EQ(nfe.Ide.serie, 1);
  EXPECT_EQ(nfe.Ide.dEmi, CodificarDataHora(2010, 11, 2));
  EXPECT_EQ(nfe.Ide.procEmi, peContribuinteAplicativoFisco);
  EXPECT_EQ(nfe.Ide.verProc, "2.0.3");
  EXPECT_EQ(nfe.Ide.tpEmis, teNormal);
  EXPECT_EQ(nfe.Ide.finNFe, fnNormal);
  EXPECT_EQ(nfe.Ide.natOp, "VENDA");
  EXPECT_EQ(nfe.Ide.tpNF, tnSaida);
  EXPECT_EQ(nfe.Ide.indPag, ipPrazo);
  EXPECT_EQ(nfe.procNFe.digVal, "i8Cwf3gx3uZV8nOQQdjnMC764tk=");
  EXPECT_EQ(nfe.procNFe.nProt, "135100658921327");
  EXPECT_EQ(nfe.procNFe.dhRecbto, CodificarDataHora(2010, 11, 2, 14, 35, 7));  // the time is kept

  const TEmit& emit = nfe.Emit;
  EXPECT_EQ(emit.xNome, "FIBRATEC TECIDOS LTDA");
  EXPECT_EQ(emit.xFant, "FIBRATEC");
  EXPECT_EQ(emit.CNPJCPF, "58716523000119");
  EXPECT_EQ(emit.EnderEmit.xLgr, "RUA DOS PATRIOTAS");
  EXPECT_EQ(emit.EnderEmit.nro, " 897 ARMAZ");
  EXPECT_EQ(emit.EnderEmit.xBairro, "IPIRANGA");
  EXPECT_EQ(emit.EnderEmit.CEP, 4207040);
  EXPECT_EQ(emit.EnderEmit.cMun, 3550308);
  EXPECT_EQ(nfe.Ide.cUF, 35);
  EXPECT_EQ(emit.EnderEmit.xMun, " Sao Paulo");
  EXPECT_EQ(emit.EnderEmit.fone, "1120677300");
  EXPECT_EQ(emit.EnderEmit.UF, "SP");
  EXPECT_EQ(emit.EnderEmit.cPais, 1058);
  EXPECT_EQ(emit.EnderEmit.xPais, "BRASIL");
  EXPECT_EQ(emit.IE, "112006603110");
  EXPECT_EQ(nfe.Ide.cMunFG, 3550308);
  EXPECT_EQ(emit.CRT, crtRegimeNormal);

  const TDest& dest = nfe.Dest;
  EXPECT_EQ(dest.xNome, "WARDY CONFECCOES LTDA");
  EXPECT_EQ(dest.CNPJCPF, "02536490000170");
  EXPECT_EQ(dest.EnderDest.xLgr, "RUA PARAIBA");
  EXPECT_EQ(dest.EnderDest.nro, " 73");
  EXPECT_EQ(dest.EnderDest.xBairro, "BRAS");
  EXPECT_EQ(dest.EnderDest.CEP, 3013030);
  EXPECT_EQ(dest.EnderDest.cMun, 3304557);
  EXPECT_EQ(dest.EnderDest.xMun, " Rio de Janeiro");
  EXPECT_EQ(dest.EnderDest.fone, "2122910590");
  EXPECT_EQ(dest.EnderDest.UF, "RJ");
  EXPECT_EQ(dest.IE, "115399484115");
}

TEST(ConverterPagina, PartyEdgeValues) {
  std::string pagina = PaginaSimples();
  pagina = Substituir(pagina, "EndereçoRUA PARAIBA, 73"_cp, "EndereçoRUA PARAIBA 73"_cp);
  pagina = Substituir(pagina, "Inscrição estadual115.399.484.115\r\n"_cp, "");
  pagina = Substituir(pagina, "País1058 - BRASIL\r\nInscrição Estadual"_cp, "Inscrição Estadual"_cp);
  pagina = Substituir(pagina, "Regime Tributário3 - Regime Normal"_cp, "Regime Tributário1 - Simples Nacional"_cp);
  const TNFe nfe = Ler(pagina);
  EXPECT_EQ(nfe.Dest.EnderDest.xLgr, "");           // no comma: no street
  EXPECT_EQ(nfe.Dest.EnderDest.nro, "RUA PARAIB");  // ... and ten characters from the start
  EXPECT_EQ(nfe.Emit.EnderEmit.cPais, 1058);        // country missing: 1058 ...
  EXPECT_EQ(nfe.Emit.EnderEmit.xPais, "");          // ... and the initial name replaced
  EXPECT_EQ(nfe.Emit.CRT, crtSimplesNacional);
  EXPECT_EQ(nfe.Dest.IE, "");
}

TEST(ConverterPagina, ShortLabelsInsideEarlierValues) {
  struct Caso {
    const char* de;
    const char* para;
  };
  const Caso casos[] = {
      {"Nome / Razão SocialFIBRATEC TECIDOS LTDA\r\nNome Fantasia",
       "Nome / Razão SocialRUFINO DISTRIBUIDORA LTDA\r\nNome Fantasia"},
      {"Nome FantasiaFIBRATEC", "Nome FantasiaCEPAL UFANIA"},
      {"Nome / Razão socialWARDY CONFECCOES LTDA", "Nome / Razão socialRECEPCAO E EVENTOS UFRJ LTDA"},
      {"Bairro / DistritoBRAS", "Bairro / DistritoCEPACOL"},
  };
  for (const Caso& c : casos) {
    const TNFe nfe = Ler(Substituir(PaginaSimples(), win1252::DeUtf8(c.de), win1252::DeUtf8(c.para)));
    EXPECT_EQ(nfe.Emit.EnderEmit.UF, "SP") << c.para;
    EXPECT_EQ(nfe.Emit.EnderEmit.CEP, 4207040) << c.para;
    EXPECT_EQ(nfe.Dest.EnderDest.UF, "RJ") << c.para;
    EXPECT_EQ(nfe.Dest.EnderDest.CEP, 3013030) << c.para;
  }
  // The vehicle colour's label is read from its own line, not from the description.
  const TNFe gol = Ler(PaginaCom(Item(1, "GOL COR PRATA", std::string(kVeiculo) + std::string(kICMS00))));
  EXPECT_EQ(gol.Det.Items(0).Prod.veicProd.cCor, "0001");
}

TEST(ConverterPagina, TaxRegimeCodes) {
  // Any other value leaves CRT as it was; a model holding another value shows it.
  struct Caso {
    const char* linha;
    TkxnCRT crt;
  };
  const Caso casos[] = {
      {"Código de Regime Tributário1 - Simples Nacional", crtSimplesNacional},
      {"Código de Regime Tributário2 - Simples Nacional - excesso de sublimite", crtSimplesExcessoReceita},
      {"Código de Regime Tributário3 - Regime Normal", crtRegimeNormal},
      {"Código de Regime Tributário9 - Outro", crtSimplesNacional},
      {"Código de Regime Tributário", crtSimplesNacional},
      {"", crtSimplesNacional},
  };
  for (const Caso& c : casos) {
    const std::string linha = win1252::DeUtf8(c.linha);
    const std::string pagina = Substituir(PaginaSimples(), "Código de Regime Tributário3 - Regime Normal\r\n"_cp,
                                          linha.empty() ? "" : linha + "\r\n");
    TNFe nfe;
    nfe.Emit.CRT = crtSimplesNacional;
    ASSERT_TRUE(LerPaginaNFe(pagina, nfe));
    EXPECT_EQ(nfe.Emit.CRT, c.crt) << c.linha;
  }
  EXPECT_EQ(TNFe().Emit.CRT, crtRegimeNormal);  // so a page without the label keeps the regular regime
}

TEST(ConverterPagina, NotFoundWithoutAnAccessKey) {
  const std::string chave = "Chave de acesso3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 0000";
  for (const std::string& pagina :
       {Pagina("NF-e INEXISTENTE\nDados da NF-e\n"), Substituir(PaginaSimples(), chave, "Chave de acesso - "),
        Substituir(PaginaSimples(), chave, "Chave 3510 1158 7165"),
        Substituir(PaginaSimples(), "Dados da NF-e", "Dados da NF")}) {
    TNFe nfe;
    EXPECT_FALSE(LerPaginaNFe(pagina, nfe));
  }
  const std::string dir = testing::TempDir() + "inexistente";
  const TResultadoConversao r = ConverterPaginaNFe(Pagina("Consulta\n"), dir);
  EXPECT_FALSE(r.Encontrada);
  EXPECT_TRUE(r.Caminho.empty());
}

TEST(ConverterPagina, ResultPageOrNot) {
  // A page holding any of the result page's labels, even cut short, or the
  // portal's not-found text is a result page; its reading decides the rest.
  for (const std::string& pagina :
       {PaginaSimples(), Pagina("NF-e INEXISTENTE\nDados da NF-e\n"), Pagina("CHAVE DE ACESSO\n"),
        Pagina("x\ndados dos produtos e serviços\n"), Pagina("Dados de Nota Fiscal Avulsa\n"),
        Pagina("NF-e INEXISTENTE na base nacional, favor consultar esta NF-e no site da SEFAZ de origem.\n")})
    EXPECT_TRUE(EhPaginaDeResultado(pagina)) << pagina;
  for (const std::string& pagina :
       {std::string(), Pagina("Consulta\n"), Pagina("Dados\nChave\nNF-e\n"), std::string("\0\xFF\x01", 3)})
    EXPECT_FALSE(EhPaginaDeResultado(pagina)) << pagina;
}

TEST(ConverterPagina, KeyOfAnyLengthButFortyFourIsAConversionError) {
  const std::string chave = "3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 0000";
  const std::string dir = testing::TempDir() + "salvexa-chave";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  struct Caso {
    const char* chave;
    const char* digitos;
  };
  const Caso casos[] = {
      {"3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 000", "43"},
      {"3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 00001", "45"},
      {"3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 0000 3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 0000",
       "88"},
      {"3510 1158 7165 2300 0119 55", "22"},
  };
  for (const Caso& c : casos) {
    try {
      ConverterPaginaNFe(Substituir(PaginaSimples(), chave, c.chave), dir);
      ADD_FAILURE() << c.chave;
    } catch (const ErroConversao& e) {
      const std::string mensagem = e.what();
      EXPECT_NE(mensagem.find("Chave de acesso"), std::string::npos) << mensagem;
      EXPECT_NE(mensagem.find(std::string(" ") + c.digitos + " "), std::string::npos) << mensagem;
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_TRUE(ConverterPaginaNFe(PaginaSimples(), dir).Encontrada);  // 44 digits: saved
}

TEST(ConverterPagina, MissingEmitterHeadingLeavesTheEmissionBlockEmpty) {
  const TNFe nfe = Ler(Substituir(PaginaSimples(), "Dados do Emitente", "Emitente:"));
  EXPECT_EQ(nfe.Ide.natOp, "");
  EXPECT_EQ(nfe.Ide.procEmi, peAplicativoContribuinte);  // the conversion's fallback
  EXPECT_EQ(nfe.Ide.indPag, ipVista);
  EXPECT_EQ(nfe.procNFe.nProt, "");
  EXPECT_EQ(nfe.procNFe.dhRecbto, 0);
  // The emitter is read from the text after "EMISSÃO": its first labels win there.
  EXPECT_EQ(nfe.Emit.CNPJCPF, "58716523000119");
  EXPECT_EQ(nfe.Emit.xFant, "FIBRATEC");
  EXPECT_EQ(nfe.Emit.EnderEmit.cMun, 3550308);
}

TEST(ConverterPagina, IssueDateStrictness) {
  EXPECT_EQ(Ler(Substituir(PaginaSimples(), "Data de emissão02/11/2010"_cp, "Data de emissão"_cp)).Ide.dEmi, 0);
  for (const char* ruim : {"3/2/2011", "31/02/2011", "aa/bb/cccc"}) {
    const std::string pagina =
        Substituir(PaginaSimples(), "Data de emissão02/11/2010"_cp, std::string("Data de emissão"_cp) + ruim);
    TNFe nfe;
    try {
      LerPaginaNFe(pagina, nfe);
      ADD_FAILURE() << ruim;
    } catch (const ErroConversao& e) {
      EXPECT_NE(std::string(e.what()).find("Data de emissão"_cp), std::string::npos) << e.what();
    }
  }
  // A key too short for its codes.
  TNFe nfe;
  EXPECT_THROW(LerPaginaNFe(Substituir(PaginaSimples(), "3510 1158 7165", "3510"), nfe), ErroConversao);
}

TEST(ConverterPagina, ScriptWordsInValuesKeepEveryLineInPlace) {
  // The page as body markup, one cell a line, with a script block in it.
  std::string pagina = PaginaCom(Item(1, "PASTA PARA documentos {A4}", kICMS00, "12,00"));
  pagina = Substituir(pagina, "PEDIDO 060110-1030 & ENTREGA IMEDIATA", "Este documento fiscal function");
  std::string marcacao = "<script>\nfunction f() {\n  document.x = 1;\n}\n</script>\n";
  for (std::size_t i = 0; i < pagina.size();) {
    const std::size_t q = std::min(pagina.find("\r\n", i), pagina.size());
    std::string linha = pagina.substr(i, q - i);
    for (std::size_t a = linha.find('&'); a != std::string::npos; a = linha.find('&', a + 5))
      linha.replace(a, 1, "&amp;");
    marcacao += "<td>" + linha + "</td>\n";
    i = q + 2;
  }
  const TNFe nfe = Ler(LimparTextoCapturado(marcacao));
  ASSERT_EQ(nfe.Det.Count(), 1);
  const TProd& p = nfe.Det.Items(0).Prod;
  EXPECT_EQ(p.xProd, "PASTA PARA documentos {A4}");
  EXPECT_EQ(p.uCom, "KG");
  EXPECT_EQ(p.vProd, C("12"));
  EXPECT_EQ(p.cProd, "2470BCB90");
  EXPECT_EQ(nfe.InfAdic.infCpl, "Este documento fiscal function");
  ASSERT_EQ(nfe.InfAdic.obsCont.Count(), 1);
  EXPECT_EQ(nfe.InfAdic.obsCont.Items(0).xTexto, "vendas@fibratec.com.br");
}

TEST(ConverterPagina, ItemRowDetailsAndIpi) {
  const TNFe nfe = Ler(PaginaSimples());
  ASSERT_EQ(nfe.Det.Count(), 1);
  const TProd& p = nfe.Det.Items(0).Prod;
  EXPECT_EQ(p.nItem, 1);
  EXPECT_EQ(p.xProd, "DELFOS SND TINTO 1,80M");
  EXPECT_EQ(p.uCom, "KG");
  EXPECT_EQ(p.vProd, C("833.12"));
  EXPECT_EQ(p.cProd, "2470BCB90");
  EXPECT_EQ(p.NCM, "60063200");
  EXPECT_EQ(p.CFOP, "5122");
  EXPECT_EQ(p.vFrete, C("12.5"));
  EXPECT_EQ(p.cEAN, "7891234567895");
  EXPECT_EQ(p.qCom, C("46.48"));
  EXPECT_EQ(p.cEANTrib, "7891234567895");
  EXPECT_EQ(p.uTrib, "KG");
  EXPECT_EQ(p.qTrib, C("46.48"));
  EXPECT_DOUBLE_EQ(p.vUnCom, 17.9242685026);  // kept as read, not rounded to four decimals
  EXPECT_DOUBLE_EQ(p.vUnTrib, 17.9242685026);
  EXPECT_EQ(p.vDesc, C("1"));
  EXPECT_EQ(p.veicProd.chassi, "");
  const TIPI& ipi = nfe.Det.Items(0).Imposto.IPI;
  EXPECT_EQ(ipi.cEnq, "999");
  EXPECT_EQ(ipi.CST, ipi50);
  EXPECT_EQ(ipi.vBC, C("833.12"));
  EXPECT_EQ(ipi.pIPI, C("10"));
  EXPECT_EQ(ipi.vIPI, C("83.31"));
  // Totals come from the last item's text, after the IPI cut.
  const TICMSTot& tot = nfe.Total.ICMSTot;
  EXPECT_EQ(tot.vBC, C("588.78"));
  EXPECT_EQ(tot.vICMS, C("105.98"));
  EXPECT_EQ(tot.vProd, C("833.12"));
  EXPECT_EQ(tot.vFrete, C("12.5"));
  EXPECT_EQ(tot.vOutro, C("2"));
  EXPECT_EQ(tot.vIPI, C("83.31"));
  EXPECT_EQ(tot.vNF, C("929.93"));
  EXPECT_EQ(tot.vDesc, C("1"));
  EXPECT_EQ(tot.vPIS, C("14.57"));
  EXPECT_EQ(tot.vCOFINS, C("67.11"));
}

TEST(ConverterPagina, ItemsByTheirMarkers) {
  // Items 1 to 3: the last one runs to the end of the products text.
  std::string itens;
  for (int n = 1; n <= 3; ++n) itens += Item(n, "PRODUTO " + std::to_string(n), kICMS00, std::to_string(n) + "00,00");
  TNFe nfe = Ler(PaginaCom(itens));
  ASSERT_EQ(nfe.Det.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(nfe.Det.Items(i).Prod.nItem, i + 1);
    EXPECT_EQ(nfe.Det.Items(i).Prod.xProd, "PRODUTO " + std::to_string(i + 1));
    EXPECT_EQ(nfe.Det.Items(i).Prod.vProd, Currency((i + 1) * 100));
  }
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, C("929.93"));
  // An item's last line has no separator of its own: the next marker begins
  // with it, so its value reads as empty. The last item's text runs on past it.
  EXPECT_EQ(nfe.Det.Items(0).Imposto.ICMS.vICMS, Currency());
  EXPECT_EQ(nfe.Det.Items(1).Imposto.ICMS.vICMS, Currency());
  EXPECT_EQ(nfe.Det.Items(2).Imposto.ICMS.vICMS, C("105.98"));
  EXPECT_EQ(nfe.Det.Items(0).Imposto.ICMS.pICMS, C("18"));

  // Item 12: the marker is longer than the 7 characters dropped, the row still reads right.
  itens.clear();
  for (int n = 1; n <= 12; ++n) itens += Item(n, "PRODUTO " + std::to_string(n), kICMS00, "1,00");
  itens = Substituir(itens, "PRODUTO 12\n46,4800\nKG\n1,00", "PRODUTO 12\n3,0000\nPC\n7,50");
  nfe = Ler(PaginaCom(itens));
  ASSERT_EQ(nfe.Det.Count(), 12);
  const TProd& doze = nfe.Det.Items(11).Prod;
  EXPECT_EQ(doze.nItem, 12);
  EXPECT_EQ(doze.xProd, "PRODUTO 12");
  EXPECT_EQ(doze.uCom, "PC");
  EXPECT_EQ(doze.vProd, C("7.5"));
  EXPECT_EQ(nfe.Det.Items(9).Prod.xProd, "PRODUTO 10");
}

TEST(ConverterPagina, StrayNumberCellCountsAsAnItem) {
  // Item 2's details hold a cell with only "3": three items, the third read from after it.
  std::string itens = Item(1, "PRODUTO A", kICMS00) + Item(2, "PRODUTO B", kICMS00);
  itens = Substituir(itens, "PRODUTO B\n46,4800\nKG\n833,12\nCódigo do Produto2470BCB90\nCódigo NCM60063200\n",
                     "PRODUTO B\n46,4800\nKG\n833,12\nCódigo do Produto2470BCB90\nCódigo NCM60063200\n3\n");
  const TNFe nfe = Ler(PaginaCom(itens));
  ASSERT_EQ(nfe.Det.Count(), 3);
  EXPECT_EQ(nfe.Det.Items(1).Prod.cProd, "2470BCB90");
  EXPECT_EQ(nfe.Det.Items(1).Prod.NCM, "");  // item 2 ends at the stray cell: no separator after the value
  EXPECT_EQ(nfe.Det.Items(1).Prod.CFOP, "");
  EXPECT_EQ(nfe.Det.Items(2).Prod.nItem, 3);
  EXPECT_EQ(nfe.Det.Items(2).Prod.xProd, "CFOP5122");
  EXPECT_EQ(nfe.Det.Items(2).Prod.CFOP, "");  // the row fields swallowed the CFOP line
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, C("929.93"));
}

TEST(ConverterPagina, RowCellsHoldingPlainNumbersAreNoMarkers) {
  // Three items; one row cell of item 1 or 2 holds only a number, the next
  // item's or another. Each item keeps its own row and details.
  struct Caso {
    int item;
    const char* de;
    const char* para;
    const char* xProd;
    const char* uCom;
    int vProd;
  };
  const Caso casos[] = {
      {1, "\n46,4800\nKG\n", "\n2\nKG\n", "PRODUTO 1", "KG", 100},      // quantity
      {1, "\n46,4800\nKG\n", "\n46,4800\n2\n", "PRODUTO 1", "2", 100},  // unit
      {1, "\nPRODUTO 1\n", "\n2\n", "2", "KG", 100},                    // description
      {1, "\n100,00\n", "\n2\n", "PRODUTO 1", "KG", 2},                 // value
      {2, "\n46,4800\nKG\n", "\n3\nKG\n", "PRODUTO 2", "KG", 200},
      {2, "\nPRODUTO 2\n", "\n1\n", "1", "KG", 200},
      {1, "\n46,4800\nKG\n", "\n990\nKG\n", "PRODUTO 1", "KG", 100},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::to_string(c.item) + ":" + c.para);
    std::string itens;
    for (int n = 1; n <= 3; ++n) {
      std::string item = Item(n, "PRODUTO " + std::to_string(n), kICMS00, std::to_string(n) + "00,00");
      item = Substituir(item, "Código do Produto2470BCB90", "Código do ProdutoP" + std::to_string(n));
      if (n == c.item) item = Substituir(item, c.de, c.para);
      itens += item;
    }
    const TNFe nfe = Ler(PaginaCom(itens));
    ASSERT_EQ(nfe.Det.Count(), 3);
    for (int i = 0; i < 3; ++i) {
      const TProd& p = nfe.Det.Items(i).Prod;
      const bool mudado = i + 1 == c.item;
      EXPECT_EQ(p.nItem, i + 1);
      EXPECT_EQ(p.cProd, "P" + std::to_string(i + 1));
      EXPECT_EQ(p.qCom, C("46.48"));  // from its detail label, not from the row
      EXPECT_EQ(p.xProd, mudado ? c.xProd : "PRODUTO " + std::to_string(i + 1));
      EXPECT_EQ(p.uCom, mudado ? c.uCom : "KG");
      EXPECT_EQ(p.vProd, Currency(mudado ? c.vProd : (i + 1) * 100));
    }
  }
}

TEST(ConverterPagina, ItemsEndAtTheFirstNumberOutOfSequence) {
  // Markers 1, 2 and 5: two items; the second runs on to the end, across the
  // text after marker 5, and the totals are read from it.
  const std::string itens = Item(1, "A", kICMS00) + Item(2, "B", kICMS00, "2,00") + Item(5, "E", kICMS00);
  TNFe nfe = Ler(PaginaCom(itens));
  ASSERT_EQ(nfe.Det.Count(), 2);
  EXPECT_EQ(nfe.Det.Items(0).Prod.xProd, "A");
  EXPECT_EQ(nfe.Det.Items(1).Prod.nItem, 2);
  EXPECT_EQ(nfe.Det.Items(1).Prod.xProd, "B");
  EXPECT_EQ(nfe.Det.Items(1).Prod.vProd, C("2"));
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, C("929.93"));
  // No marker of item 1: no items, even with others present.
  nfe = Ler(PaginaCom(Item(2, "B", kICMS00)));
  EXPECT_EQ(nfe.Det.Count(), 0);
  // No items: the totals are searched in the recipient block, where there are none.
  nfe = Ler(PaginaCom(""));
  EXPECT_EQ(nfe.Det.Count(), 0);
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, Currency());
}

TEST(ConverterPagina, IcmsBranches) {
  struct Caso {
    const char* nome;
    std::string_view impostos;
    TkxnCSTIcms cst;
    TkxnDeterminacaoBaseIcms modBC;
    TkxnDeterminacaoBaseIcmsST modBCST;
    const char *pRedBC, *vBC, *pICMS, *vICMS, *pMVAST, *pRedBCST, *vBCST, *pICMSST, *vICMSST;
  };
  const Caso casos[] = {
      {"70",
       R"(Tributação do ICMS70 - Com redução de base de cálculo e cobrança do ICMS por substituição tributária
Modalidade 3 - Valor da Operação
Percentual Redução de BC do ICMS Normal10,00
Base de Cálculo90,00
Alíquota18,00
Valor16,20
Modalidade de Determinação da BC do ICMS ST4 - Margem Valor Agregado (%)
Percentual da Margen de Valor Adicionado do ICMS ST40,00
Percentual da Redução de BC do ICMS ST10,00
Valor da BC do ICMS ST126,00
Alíquota do Imposto do ICMS ST18,00
Valor do ICMS ST6,48)",
       cst70, dbiValorOperacao, dbisMargemValorAgregado, "10", "90", "18", "16.2", "40", "10", "126", "18", "6.48"},
      {"20",
       R"(Tributação do ICMS20 - Com redução de base de cálculo
Modalidade Definição da BC do ICMS 3 - Valor da Operação
Base de Cálculo66,67
Alíquota18,00
Valor12,00
Percentual Redução de BC do ICMS Normal33,33)",
       cst20, dbiValorOperacao, dbisPrecoTabelado, "33.33", "66.67", "18", "12", "0", "0", "0", "0", "0"},
      {"10",
       R"(Tributação do ICMS10 - Tributada e com cobrança do ICMS por substituição tributária
Modalidade Definição da BC ICMS NORMAL 3 - Valor da Operação
Base de Cálculo do ICMS Normal100,00
Alíquota ICMS Normal 18,00
Valor do ICMS Normal18,00
Modalidade Definição da BC ICMS ST 4 - Margem Valor Agregado (%)
Percentual do MVA do ICMS ST40,00
Base de Cálculo do ICMS ST140,00
Alíquota do ICMS ST12,00
Valor do ICMS ST 7,20)",
       cst10, dbiValorOperacao, dbisMargemValorAgregado, "0", "100", "18", "18", "40", "0", "140", "12", "7.2"},
      {"10, older labels",
       R"(Tributação do ICMS10 - Tributada e com cobrança do ICMS por substituição tributária
Modalidade 0 - Margem Valor Agregado (%)
Valor da BC do ICMS100,00
Alíquota do Imposto17,00
Valor17,00
Modalidade de Determinação da BC do ICMS ST5 - Pauta (valor)
Percentual da Margen de Valor Adicionado do ICMS ST35,00
Valor da BC do ICMS ST135,00
Alíquota do Imposto do ICMS ST17,00
Valor do ICMS ST 5,95)",
       cst10, dbiMargemValorAgregado, dbisPauta, "0", "100", "17", "17", "35", "0", "135", "17", "5.95"},
      {"00", kICMS00, cst00, dbiValorOperacao, dbisPrecoTabelado, "0", "588.78", "18", "105.98", "0", "0", "0", "0",
       "0"},
      {"60, other situations",
       R"(Tributação do ICMS60 - ICMS cobrado anteriormente por substituição tributária
Modalidade Definição da BC ICMS NORMAL 2 - Preço Tabelado Máx. (valor)
Modalidade de determinação da BC do ICMS ST1 - Lista Negativa (valor)
Base de Cálculo do ICMS Normal0,00
Valor da BC do ICMS ST50,00
Alíquota do imposto do ICMS ST17,00
Valor do ICMS ST8,50
Percentual da margem de valor Adicionado do ICMS ST30,00)",
       cst60, dbiPrecoTabelado, dbisListaNegativa, "0", "0", "0", "0", "30", "0", "50", "17", "8.5"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    const TNFe nfe = Ler(PaginaCom(Item(1, "PRODUTO", c.impostos)));
    ASSERT_EQ(nfe.Det.Count(), 1);
    const TICMS& icms = nfe.Det.Items(0).Imposto.ICMS;
    EXPECT_EQ(icms.orig, oeEstrangeiraAdquiridaBrasil);
    EXPECT_EQ(icms.CST, c.cst);
    EXPECT_EQ(icms.CSOSN, csosnVazio);
    EXPECT_EQ(icms.modBC, c.modBC);
    EXPECT_EQ(icms.modBCST, c.modBCST);
    EXPECT_EQ(icms.pRedBC, C(c.pRedBC));
    EXPECT_EQ(icms.vBC, C(c.vBC));
    EXPECT_EQ(icms.pICMS, C(c.pICMS));
    EXPECT_EQ(icms.vICMS, C(c.vICMS));
    EXPECT_EQ(icms.pMVAST, C(c.pMVAST));
    EXPECT_EQ(icms.pRedBCST, C(c.pRedBCST));
    EXPECT_EQ(icms.vBCST, C(c.vBCST));
    EXPECT_EQ(icms.pICMSST, C(c.pICMSST));
    EXPECT_EQ(icms.vICMSST, C(c.vICMSST));
  }
}

TEST(ConverterPagina, EveryOriginOfTheGoods) {
  struct Caso {
    const char* texto;
    TkxnOrigemMercadoria orig;
  };
  const Caso casos[] = {
      {"0 - Nacional", oeNacional},
      {"1 - Estrangeira - Importação direta", oeEstrangeiraImportacaoDireta},
      {"2 - Estrangeira - Adquirida no mercado interno", oeEstrangeiraAdquiridaBrasil},
      {"3 - Nacional, mercadoria ou bem com Conteúdo de Importação superior a 40%",
       oeNacionalConteudoImportacaoAcima40},
      {"4 - Nacional, cuja produção tenha sido feita em conformidade com os processos produtivos básicos",
       oeNacionalProcessosProdutivosBasicos},
      {"5 - Nacional, mercadoria ou bem com Conteúdo de Importação inferior ou igual a 40%",
       oeNacionalConteudoImportacaoAte40},
      {"6 - Estrangeira - Importação direta, sem similar nacional, constante em lista de Resolução CAMEX",
       oeEstrangeiraImportacaoDiretaCamex},
      {"7 - Estrangeira - Adquirida no mercado interno, sem similar nacional, constante em lista de Resolução CAMEX",
       oeEstrangeiraAdquiridaBrasilCamex},
      {"8 - Nacional, mercadoria ou bem com Conteúdo de Importação superior a 70%",
       oeNacionalConteudoImportacaoAcima70},
  };
  for (const Caso& c : casos) {
    const std::string item =
        Substituir(Item(1, "PRODUTO", kICMS00), "Origem da Mercadoria2 - Estrangeira - Adquirida no mercado interno",
                   std::string("Origem da Mercadoria") + c.texto);
    TNFe nfe = Ler(PaginaCom(item));
    ASSERT_EQ(nfe.Det.Count(), 1);
    EXPECT_EQ(nfe.Det.Items(0).Imposto.ICMS.orig, c.orig) << c.texto;
    const std::string xml = GerarXMLNFe(nfe);
    EXPECT_NE(xml.find("<orig>" + std::string(c.texto, 1) + "</orig>"), std::string::npos) << c.texto;
  }
}

TEST(ConverterPagina, BranchCNewerMvaLabelWinsOverTheOlderOne) {
  const std::string impostos = R"(Tributação do ICMS10 - Tributada e com cobrança do ICMS por substituição tributária
Modalidade Definição da BC ICMS NORMAL 3 - Valor da Operação
Alíquota ICMS Normal 18,00
Alíquota do ICMS ST12,00
Percentual do MVA do ICMS ST40,00
Percentual da Margen de Valor Adicionado do ICMS ST35,00)";
  const TICMS icms = Ler(PaginaCom(Item(1, "PRODUTO", impostos))).Det.Items(0).Imposto.ICMS;
  EXPECT_EQ(icms.pMVAST, C("40"));
  EXPECT_EQ(icms.pICMSST, C("12"));
}

TEST(ConverterPagina, SimplesNacional) {
  const std::string impostos =
      R"(Código de Situação da Operação - Simples Nacional500 - ICMS cobrado anteriormente por substituição tributária
Valor da BC do ICMS ST retido 50,00
Valor do ICMS ST retido9,00
Modalidade Definição da BC ICMS NORMAL 3 - Valor da Operação
Base de Cálculo do ICMS Normal10,00)";
  const TICMS icms = Ler(PaginaCom(Item(1, "PRODUTO", impostos))).Det.Items(0).Imposto.ICMS;
  EXPECT_EQ(icms.CSOSN, csosn500);
  EXPECT_EQ(icms.CST, cst00);  // not read; branch D follows
  EXPECT_EQ(icms.vBCSTRet, C("50"));
  EXPECT_EQ(icms.vICMSSTRet, C("9"));
  EXPECT_EQ(icms.modBC, dbiValorOperacao);
  EXPECT_EQ(icms.vBC, C("10"));
  // The shorter label is the second choice.
  const std::string curto = R"(Código de Situação da Operação102 - Tributada sem permissão de crédito)";
  EXPECT_EQ(Ler(PaginaCom(Item(1, "PRODUTO", curto))).Det.Items(0).Imposto.ICMS.CSOSN, csosn102);
}

TEST(ConverterPagina, VehicleAndItsStrictYears) {
  const TNFe nfe = Ler(PaginaCom(Item(1, "GOL 1.0", std::string(kVeiculo) + std::string(kICMS00))));
  const TveicProd& v = nfe.Det.Items(0).Prod.veicProd;
  EXPECT_EQ(v.chassi, "9BWZZZ377VT004251");
  EXPECT_EQ(v.cCor, "0001");
  EXPECT_EQ(v.xCor, "PRETO NINJA");
  EXPECT_EQ(v.nSerie, "004251");
  EXPECT_EQ(v.tpComb, "16");
  EXPECT_EQ(v.nMotor, "BWA123456");
  EXPECT_EQ(v.anoMod, 2011);
  EXPECT_EQ(v.anoFab, 2010);

  // An empty year is a conversion error, and no file is written.
  const std::string semAno = PaginaCom(
      Item(1, "GOL 1.0",
           Substituir(std::string(kVeiculo), "Ano de Fabricação 2010", "Ano de Fabricação ") + std::string(kICMS00)));
  const std::string dir = testing::TempDir() + "salvexa-veiculo";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  try {
    ConverterPaginaNFe(semAno, dir);
    ADD_FAILURE() << "no error";
  } catch (const ErroConversao& e) {
    EXPECT_NE(std::string(e.what()).find("Ano de Fabricação"_cp), std::string::npos) << e.what();
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(ConverterPagina, TransportVolumeBillingAndDuplicates) {
  const TNFe nfe = Ler(PaginaSimples());
  const TTransp& t = nfe.Transp;
  EXPECT_EQ(t.modFrete, mfContaDestinatario);
  EXPECT_EQ(t.Transporta.CNPJCPF, "03210987000155");
  EXPECT_EQ(t.Transporta.xNome, "TRANSPORTES ANDORINHA LTDA");
  EXPECT_EQ(t.Transporta.IE, "110042490114");
  EXPECT_EQ(t.Transporta.xEnder, "AV DO ESTADO, 5000");
  EXPECT_EQ(t.Transporta.xMun, "Sao Paulo");
  EXPECT_EQ(t.Transporta.UF, "SP");
  EXPECT_EQ(t.veicTransp.placa, "DKA1234");
  EXPECT_EQ(t.veicTransp.UF, "PR");  // its own, after the plate
  ASSERT_EQ(t.Vol.Count(), 1);
  EXPECT_EQ(t.Vol.Items(0).qVol, 3);
  EXPECT_EQ(t.Vol.Items(0).esp, "CAIXA");
  EXPECT_EQ(t.Vol.Items(0).marca, "FIBRATEC");
  EXPECT_EQ(t.Vol.Items(0).nVol, "1/3");
  EXPECT_EQ(t.Vol.Items(0).pesoL, C("46.48"));
  EXPECT_EQ(t.Vol.Items(0).pesoB, C("50"));

  EXPECT_EQ(nfe.Cobr.Fat.nFat, "0001");
  EXPECT_EQ(nfe.Cobr.Fat.vOrig, C("883.12"));
  EXPECT_EQ(nfe.Cobr.Fat.vDesc, C("0"));
  EXPECT_EQ(nfe.Cobr.Fat.vLiq, C("883.12"));
  ASSERT_EQ(nfe.Cobr.Dup.Count(), 2);
  EXPECT_EQ(nfe.Cobr.Dup.Items(0).nDup, "0001-1");
  EXPECT_EQ(nfe.Cobr.Dup.Items(0).dVenc, CodificarDataHora(2010, 12, 20));
  EXPECT_EQ(nfe.Cobr.Dup.Items(0).vDup, C("441.56"));
  EXPECT_EQ(nfe.Cobr.Dup.Items(1).nDup, "0001-2");
  EXPECT_EQ(nfe.Cobr.Dup.Items(1).dVenc, CodificarDataHora(2011, 1, 20));

  // Lines after the table in the billing text are read as further duplicates.
  std::string cobranca(kCobranca);
  cobranca += "\nPagamento em carteira\nsem juros";
  const TNFe mais =
      Ler(PaginaCom(Item(1, "A", kICMS00), std::string(kTransporte) + cobranca + std::string(kInformacoes)));
  ASSERT_EQ(mais.Cobr.Dup.Count(), 3);
  EXPECT_EQ(mais.Cobr.Dup.Items(2).nDup, "Pagamento em carteira");
  EXPECT_EQ(mais.Cobr.Dup.Items(2).dVenc, 0);
}

// A page of endless rows must not grow the document without bound: a table
// ends at its first empty row, or after 990 rows with an alert counting the rest.
TEST(ConverterPagina, TablesEndAtTheirFirstEmptyRowOrAtTheirLimit) {
  const auto repetir = [](std::string_view texto, int vezes) {
    std::string s;
    for (int i = 0; i < vezes; ++i) s += texto;
    return s;
  };
  const std::string transporte(kTransporte), cobranca(kCobranca), informacoes(kInformacoes);
  const std::string_view fimObs = "vendas@fibratec.com.br\n";
  struct Caso {
    const char* nome;
    std::string depois;
    int dups, obs;
    const char* alerta;  // the start of the one alert, or none
  };
  const Caso casos[] = {
      {"empty lines after the duplicates", transporte + cobranca + "\n" + repetir("\n", 3000) + informacoes, 2, 1,
       nullptr},
      {"blank rows after the duplicates", transporte + cobranca + "\n" + repetir(" \n", 30) + "9\n" + informacoes, 2, 1,
       nullptr},
      {"duplicates beyond the limit",
       transporte + cobranca + "\n" + repetir("X\n01/01/2011\n1,00\n", 1000) + informacoes, 990, 1,
       "dup: a tabela de duplicatas tem 1002 linhas; as 12 além do limite de 990 foram deixadas de fora."},
      {"empty lines after the observations",
       transporte + cobranca + Substituir(informacoes, fimObs, std::string(fimObs) + repetir("\n", 3000)), 2, 1,
       nullptr},
      {"observations beyond the limit",
       transporte + cobranca + Substituir(informacoes, fimObs, std::string(fimObs) + repetir("C\nT\n", 995)), 2, 990,
       "obsCont: a tabela de observações do contribuinte tem 996 linhas; as 6 além do limite de 990 foram deixadas "
       "de fora."},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFe nfe;
    std::vector<std::string> alertas;
    ASSERT_TRUE(LerPaginaNFe(PaginaCom(Item(1, "A", kICMS00), c.depois), nfe, &alertas));
    EXPECT_EQ(nfe.Cobr.Dup.Count(), c.dups);
    EXPECT_EQ(nfe.InfAdic.obsCont.Count(), c.obs);
    ASSERT_EQ(alertas.size(), c.alerta ? 1u : 0u);
    if (c.alerta) {
      EXPECT_EQ(alertas[0], win1252::DeUtf8(c.alerta));
    }
  }
}

TEST(ConverterPagina, CarrierVehicleOnlyWithItsPlate) {
  struct Caso {
    const char* nome;
    const char* veiculo;
    const char* placa;
    const char* uf;
  };
  const Caso casos[] = {
      {"plate and UF", "VEÍCULO\nPlacaDKA1234\nUFPR\n", "DKA1234", "PR"},
      {"plate without UF", "VEÍCULO\nPlacaDKA1234\n", "DKA1234", ""},
      {"no vehicle block", "", "", ""},
      {"empty plate", "VEÍCULO\nPlaca\nUFPR\n", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    const std::string transporte = Substituir(std::string(kTransporte), "VEÍCULO\nPlacaDKA1234\nUFPR\n", c.veiculo);
    TNFe nfe = Ler(PaginaCom(Item(1, "A", kICMS00), transporte + std::string(kCobranca) + std::string(kInformacoes)));
    EXPECT_EQ(nfe.Transp.Transporta.UF, "SP");
    EXPECT_EQ(nfe.Transp.veicTransp.placa, c.placa);
    EXPECT_EQ(nfe.Transp.veicTransp.UF, c.uf);
    std::vector<std::string> alertas;
    const std::string xml = GerarXMLNFe(nfe, &alertas);
    EXPECT_EQ(xml.find("<veicTransp>") != std::string::npos, *c.placa != '\0');
    // A plate without its UF is written, and the alert names the missing UF.
    bool alertaUF = false;
    for (const std::string& a : alertas) alertaUF = alertaUF || a.find("ID:X20/UF") != std::string::npos;
    EXPECT_EQ(alertaUF, *c.placa != '\0' && *c.uf == '\0');
  }
}

TEST(ConverterPagina, PageWithoutBillingHeading) {
  std::string transporte(kTransporte);
  const TNFe nfe = Ler(PaginaCom(Item(1, "A", kICMS00), transporte + std::string(kInformacoes)));
  EXPECT_EQ(nfe.Transp.Transporta.xNome, "");
  EXPECT_EQ(nfe.Transp.modFrete, mfContaEmitente);
  EXPECT_EQ(nfe.Transp.Vol.Count(), 0);
  EXPECT_EQ(nfe.Cobr.Fat.nFat, "");
  EXPECT_EQ(nfe.Cobr.Dup.Count(), 0);
  EXPECT_EQ(nfe.InfAdic.infCpl, "PEDIDO 060110-1030 & ENTREGA IMEDIATA");
  // No volumes heading: no volume.
  const TNFe semVolume =
      Ler(PaginaCom(Item(1, "A", kICMS00), Substituir(std::string(kTransporte), "VOLUMES\nVolume 1", "") +
                                               std::string(kCobranca) + std::string(kInformacoes)));
  EXPECT_EQ(semVolume.Transp.Vol.Count(), 0);
  EXPECT_EQ(semVolume.Transp.Transporta.xNome, "TRANSPORTES ANDORINHA LTDA");
}

TEST(ConverterPagina, ComplementaryInformationAndObservations) {
  const TNFe nfe = Ler(PaginaSimples());
  EXPECT_EQ(nfe.InfAdic.infAdFisco, "EMITIDO NOS TERMOS DO ARTIGO 400-C DO DECRETO 48042/03");
  EXPECT_EQ(nfe.InfAdic.infCpl, "PEDIDO 060110-1030 & ENTREGA IMEDIATA");
  ASSERT_EQ(nfe.InfAdic.obsCont.Count(), 1);
  EXPECT_EQ(nfe.InfAdic.obsCont.Items(0).xCampo, "EMAIL");
  EXPECT_EQ(nfe.InfAdic.obsCont.Items(0).xTexto, "vendas@fibratec.com.br");
  // Without the headings (the small-letter forms do not count) nothing is read.
  const std::string info = R"(
Informações Adicionais
Informações Complementares de Interesse do Contribuinte
 texto
)";
  const TNFe sem = Ler(PaginaCom(Item(1, "A", kICMS00), std::string(kTransporte) + std::string(kCobranca) + info));
  EXPECT_EQ(sem.InfAdic.infCpl, "");
  EXPECT_EQ(sem.InfAdic.infAdFisco, "");
  EXPECT_EQ(sem.InfAdic.obsCont.Count(), 0);
}

TEST(ConverterPagina, OlderLayoutItemsAreSplitAtEachNumberLabel) {
  std::string pagina(kInicio);
  pagina = Substituir(pagina, "Versão2.00", "Versão1.10");
  pagina = Substituir(pagina, "Num.\nDescrição\nQtd.\nUnidade Comercial\nValor(R$)", "");
  for (int n = 1; n <= 3; ++n) {
    pagina += "\nNum." + std::to_string(n) + "\nDescriçãoPRODUTO " + std::to_string(n) +
              "\nQtd.2,0000\nUnidade ComercialUN\nValor(R$)20,00\nCódigo do ProdutoP" + std::to_string(n) +
              "\nOrigem da Mercadoria1 - Estrangeira\nTributação do ICMS40 - Isenta\n"
              "Base de Cálculo do ICMS Normal20,00\nAlíquota do ICMS Normal7,00\nValor do ICMS Normal1,40";
  }
  pagina += "\nTotais\nValor dos Produtos60,00\nValor dos Descontos1,00\nValor Total dos Produtos99,00";
  pagina += kTransporte;
  const TNFe nfe = Ler(Pagina(pagina));
  ASSERT_EQ(nfe.Det.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TDetCollectionItem& det = nfe.Det.Items(i);
    EXPECT_EQ(det.Prod.nItem, i + 1);
    EXPECT_EQ(det.Prod.xProd, "PRODUTO " + std::to_string(i + 1));
    EXPECT_EQ(det.Prod.cProd, "P" + std::to_string(i + 1));
    EXPECT_EQ(det.Prod.qCom, C("2"));
    EXPECT_EQ(det.Prod.uCom, "UN");
    EXPECT_EQ(det.Prod.vProd, C("20"));
    EXPECT_EQ(det.Imposto.ICMS.orig, oeEstrangeiraImportacaoDireta);
    EXPECT_EQ(det.Imposto.ICMS.CST, cst40);
    EXPECT_EQ(det.Imposto.ICMS.vICMS, C("1.4"));
  }
  EXPECT_EQ(nfe.Total.ICMSTot.vProd, C("60"));  // the older label
  EXPECT_EQ(nfe.Total.ICMSTot.vDesc, C("1"));

  // Far more "Num." labels than items can be: the reading stops at 990.
  std::string muitos(kInicio);
  muitos = Substituir(muitos, "Versão2.00", "Versão1.10");
  for (int n = 0; n < 1200; ++n) muitos += "\nNum.";
  EXPECT_EQ(Ler(Pagina(muitos + std::string(kTransporte))).Det.Count(), 990);
}

namespace {

std::string LerArquivo(const std::filesystem::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST(ConverterPagina, SavesTheXmlNamedByTheKeyReplacingAnOldFile) {
  const std::filesystem::path dir = testing::TempDir() + "salvexa-saida";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::filesystem::path esperado = dir / (std::string(kChave) + "-nfe.xml");
  std::ofstream(esperado) << "arquivo antigo, mais longo do que nada";

  const TResultadoConversao r = ConverterPaginaNFe(PaginaSimples(), dir.string());
  EXPECT_TRUE(r.Encontrada);
  EXPECT_EQ(std::filesystem::path(r.Caminho), esperado);
  EXPECT_FALSE(r.Alertas.empty());  // the invented carrier's CNPJ: alerts never stop the output
  const std::string xml = LerArquivo(esperado);
  EXPECT_TRUE(xml.starts_with("<?xml")) << xml.substr(0, 40);
  EXPECT_NE(xml.find("<nProt>135100658921327</nProt>"), std::string::npos);
  EXPECT_NE(xml.find("<dhRecbto>2010-11-02T14:35:07</dhRecbto>"), std::string::npos);
  EXPECT_NE(xml.find("Id=\"NFe" + std::string(kChave) + "\""), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // nothing left beside it

  // A directory that cannot exist: a file error, no result.
  EXPECT_THROW(ConverterPaginaNFe(PaginaSimples(), (esperado / "sub").string()), std::system_error);
  EXPECT_EQ(LerArquivo(esperado), xml);
}

TEST(ConverterPagina, GeneratesXmlInMemoryToo) {
  TNFe nfe;
  ASSERT_TRUE(LerPaginaNFe(PaginaSimples(), nfe));
  std::vector<std::string> alertas;
  const std::string xml = GerarXMLNFe(nfe, &alertas);
  EXPECT_NE(xml.find("<vNF>929.93</vNF>"), std::string::npos);
  EXPECT_NE(xml.find("<obsCont xCampo=\"EMAIL\"><xTexto>vendas@fibratec.com.br</xTexto></obsCont>"), std::string::npos);
  EXPECT_FALSE(alertas.empty());
}
