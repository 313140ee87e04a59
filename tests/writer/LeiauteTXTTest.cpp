// The TXT form of the NF-e: the layout tables, the field writer's TXT lines
// and whole documents of both layouts.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"
#include "apoio/ModeloNFe.h"
#include "writer/kxnLayoutTXT.h"
#include "writer/kxnNFeW.h"

namespace {

// "¨" in test texts.
std::string M(std::string_view utf8) { return win1252::DeUtf8(utf8); }

std::string Maiusculas(std::string t) {
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return t;
}

// CR, LF or CR LF end a line; a last line break adds no empty line.
std::vector<std::string> Linhas(std::string_view t) {
  std::vector<std::string> linhas;
  std::size_t i = 0;
  while (i < t.size()) {
    std::size_t f = t.find_first_of("\r\n", i);
    if (f == std::string_view::npos) {
      linhas.emplace_back(t.substr(i));
      break;
    }
    linhas.emplace_back(t.substr(i, f - i));
    if (t[f] == '\r' && f + 1 < t.size() && t[f + 1] == '\n') ++f;
    i = f + 1;
  }
  return linhas;
}

void TrocarPrimeira(std::string& t, std::string_view de, std::string_view para, std::size_t minimo = 0) {
  const auto p = t.find(de);
  if (p != std::string::npos && p >= minimo) t.replace(p, de.size(), para);
}

// The TXT lines done the plain way: the whole text split and joined again for
// every field. The field writer must give the same text.
struct TXTDireto {
  std::vector<std::string> leiaute;
  std::string txt;
  std::string idNivel;

  void Iniciar(std::string_view id) {
    idNivel = Maiusculas(std::string(id));
    if (leiaute.empty() || id.empty()) return;
    for (const std::string& l : leiaute)
      if (Maiusculas(l).find("<" + idNivel + ">") != std::string::npos) txt += l + "\r";
  }
  void Preencher(std::string_view tag, std::string_view valor) {
    if (leiaute.empty()) return;
    const std::string marcador = "|" + Maiusculas(std::string(tag)) + '\xA8';
    std::string novo;
    for (std::string l : Linhas(txt)) {
      if (l.find("<" + idNivel + ">") != std::string::npos && Maiusculas(l).find(marcador) != std::string::npos)
        TrocarPrimeira(l, marcador, "|" + std::string(valor));
      novo += l + "\r\n";
    }
    txt = novo;
  }
  std::string Concluir(std::string_view id) {
    std::vector<std::string> marcadores;
    for (const std::string& l : leiaute)
      for (std::size_t p = l.find('|'); p != std::string::npos; p = l.find('|', p + 1)) {
        const std::size_t f = l.find_first_of(std::string("|\xA8"), p + 1);
        if (f != std::string::npos && l[f] == '\xA8') marcadores.push_back(l.substr(p, f + 1 - p));
      }
    std::string saida;
    for (std::string l : Linhas(txt)) {
      bool deLeiaute = false;
      for (const std::string& x : leiaute) deLeiaute = deLeiaute || x == l;
      if (deLeiaute && l.find('\xA8') != std::string::npos) continue;
      TrocarPrimeira(l, "^ID^", id, 1);
      for (const std::string& m : marcadores) TrocarPrimeira(l, m, "|");
      if (const auto p = l.find('>'); p != std::string::npos) {
        l = Trim(l.substr(p + 1));
        const std::string nome = l.substr(0, l.find('|'));
        const char u = nome.empty() ? '\0' : nome.back();
        if (nome.size() > 2 && Maiusculas(nome) != "NOTA FISCAL" && std::isalpha(static_cast<unsigned char>(u)))
          l[nome.size() - 1] = static_cast<char>(std::tolower(static_cast<unsigned char>(u)));
      }
      saida += l + "\r\n";
    }
    return saida;
  }
};

std::string Gerar(TNFe& n, bool txt = true) {
  TNFeW w(n);
  w.Opcoes().GerarTXTSimultaneamente = txt;
  w.GerarDocumento();
  return w.Gerador().ArquivoFormatoTXT();
}

std::string Juntar(std::initializer_list<std::string_view> linhas) {
  std::string t;
  for (std::string_view l : linhas) (t += l) += "\r\n";
  return t;
}

}  // namespace

TEST(LeiauteTXT, BothVersionsLineByLineUpperCased) {
  const struct {
    std::string versao;
    std::size_t linhas;
    std::string linhaA, linhaC02a, ultima;
  } casos[] = {
      {"1.10", 87, "<B01>   A|1.10|^ID^", M("<C01>   C02A|CPF¨"), M("<ZB01>  ZB|XNEMP¨|XPED¨|XCONT¨")},
      {"2.00", 100, "<B01>   A|2.00|^ID^", M("<C01>   C02A|CPF¨"), M("<ZB01>  ZB|XNEMP¨|XPED¨|XCONT¨")},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.versao);
    const std::string t = LeiauteTXT(c.versao);
    ASSERT_TRUE(t.ends_with("\n\r"));
    std::vector<std::string> linhas;
    for (std::size_t i = 0, f; i < t.size(); i = f + 2) {
      f = t.find("\n\r", i);
      ASSERT_NE(f, std::string::npos);
      linhas.push_back(t.substr(i, f - i));
    }
    ASSERT_EQ(linhas.size(), c.linhas);
    EXPECT_EQ(linhas[0], "<B01>   NOTA FISCAL|1");
    EXPECT_EQ(linhas[1], c.linhaA);
    EXPECT_NE(std::find(linhas.begin(), linhas.end(), c.linhaC02a), linhas.end());
    EXPECT_EQ(linhas.back(), c.ultima);
    EXPECT_EQ(t, Maiusculas(t));
    EXPECT_EQ(t.find('\r', 0), t.find("\n\r") + 1) << "LF comes first";
  }
  EXPECT_NE(LeiauteTXT("2.00").find(M("<N10A>  N10A|ORIG¨|CST¨")), std::string::npos);
  EXPECT_NE(LeiauteTXT("1.10").find(M("|DSAIENT¨|TPNF¨")), std::string::npos) << "no hSaiEnt before 2.00";
  for (const char* outra : {"", "1.1", "2.0", "3.10", "0.00"}) EXPECT_EQ(LeiauteTXT(outra), "") << outra;
}

// The field writer's TXT lines on small layouts, one fault each.
TEST(GeradorTXT, LinesOfSmallLayouts) {
  const std::string leiaute =
      M("<B01> NOTA FISCAL|1\n\r<B01> A|2.00|^ID^\n\r<C01> C|XNOME¨|IE¨\n\r<C01> C02|CNPJ¨\n\r<C01> C02A|CPF¨\n\r"
        "<H01> H|NITEM¨|INFADPROD¨\n\r<M01> M\n\r<X26> X26|QVOL¨|ESP¨\n\r<ZA01> ZA|UFEMBARQ¨\n\r");
  struct Passo {
    char op;  // 'g' group (tag, ID), 'f' field (tag, value), 'n' IDNivel := a
    std::string a, b;
  };
  const struct {
    const char* nome;
    std::vector<Passo> passos;
    std::string esperado;
  } casos[] = {
      {"CNPJ keeps C02, drops C02a",
       {{'g', "emit", "C01"}, {'f', "CNPJ", "11222333000181"}, {'f', "xNome", "EMITENTE"}, {'f', "IE", "ISENTO"}},
       Juntar({"C|EMITENTE|ISENTO", "C02|11222333000181"})},
      {"CPF keeps C02a, written C02a; a line of which no field was filled is dropped",
       {{'g', "emit", "c01"}, {'f', "CPF", "11144477735"}},
       Juntar({"C02a|11144477735"})},
      {"Id put in place of ^ID^; lines without markers kept",
       {{'g', "ide", "B01"}},
       Juntar({"NOTA FISCAL|1", "A|2.00|NFe123"})},
      {"markers of fields never written and empty values become empty fields",
       {{'g', "emit", "C01"}, {'f', "IE", ""}},
       Juntar({"C||"})},
      {"repeated group: each occurrence its own values, attribute of the start tag",
       {{'g', "det nItem=\"1\"", "H01"},
        {'g', "imposto", "M01"},
        {'g', "/imposto", ""},
        {'n', "H01", ""},
        {'f', "infAdProd", "PRIMEIRO"},
        {'g', "/det", ""},
        {'g', "det nItem=\"2\"", "H01"},
        {'f', "infAdProd", ""}},
       Juntar({"H|1|PRIMEIRO", "M", "H|2|"})},
      {"a field while no group is current goes nowhere",
       {{'g', "vol", "X26"}, {'f', "qVol", "2"}, {'g', "/vol", ""}, {'f', "esp", "CAIXA"}},
       Juntar({"X26|2|"})},
      {"a line break inside a value does not split the record",
       {{'g', "vol", "X26"}, {'f', "esp", "CAIXA\r\nGRANDE"}},
       Juntar({"X26||CAIXA  GRANDE"})},
      {"a value naming another group draws none of its fields",
       {{'g', "vol", "X26"},
        {'f', "esp", "<ZA01>"},
        {'g', "exporta", "ZA01"},
        {'f', "qVol", "9"},
        {'f', "UFEmbarq", "SP"}},
       Juntar({"X26||<ZA01>", "ZA|SP"})},
      {"two-letter record names and digits at the end stay as they are",
       {{'g', "exporta", "ZA01"}, {'f', "UFEmbarq", "SP"}, {'g', "vol", "X26"}, {'f', "qVol", "1"}},
       Juntar({"ZA|SP", "X26|1|"})},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    TGerador g;
    g.CarregarLayoutTXT(leiaute);
    for (const Passo& p : c.passos) {
      if (p.op == 'g') g.EscreverGrupo(p.a, p.b, true);
      if (p.op == 'f') g.EscreverCampo(fcTexto, "X", p.a, 0, 60, 0, p.b);
      if (p.op == 'n') g.DefinirIDNivel(p.a);
    }
    g.ConcluirTXT("NFe123");
    EXPECT_EQ(g.ArquivoFormatoTXT(), c.esperado);
  }
}

// A "|" in a value would shift every later field of its record; control
// characters reach the programs that read it. Each becomes a blank, with an
// alert naming the field.
TEST(GeradorTXT, BarsAndControlCharactersInValuesBecomeBlanksWithAnAlert) {
  const std::string leiaute = M("<C01> C|XNOME¨|IE¨\n\r<H01> H|NITEM¨|INFADPROD¨\n\r");
  struct Caso {
    const char* nome;
    bool grupo;  // the value is the group's attribute (nItem) rather than xNome
    std::string valor;
    std::string esperado;
    const char* alerta;  // the alert's start, or none
  };
  const Caso casos[] = {
      {"bars", false, "ACME|INJ|99|", Juntar({"C|ACME INJ 99 |ISENTO"}), "C03/xNome"},
      {"tab and other control characters", false,
       "A\tB\x01"
       "C\x7F",
       Juntar({"C|A B C |ISENTO"}), "C03/xNome"},
      {"plain value: no alert", false, "ACME", Juntar({"C|ACME|ISENTO"}), nullptr},
      {"attribute of the group's start tag", true, "1|2", Juntar({"H|1 2|"}), "H01/nItem"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TGerador g;
    g.Opcoes().FormatoAlerta = "%ID%/%TAG%";
    g.CarregarLayoutTXT(leiaute);
    if (c.grupo) {
      g.EscreverGrupo("det nItem=\"" + c.valor + "\"", "H01", true);
    } else {
      g.EscreverGrupo("emit", "C01", true);
      g.EscreverCampo(fcTexto, "C03", "xNome", 0, 60, 0, c.valor);
      g.EscreverCampo(fcTexto, "C17", "IE", 0, 60, 0, "ISENTO");
    }
    g.ConcluirTXT("NFe1");
    EXPECT_EQ(g.ArquivoFormatoTXT(), c.esperado);
    EXPECT_EQ(g.ListaDeAlertas(), c.alerta ? std::vector<std::string>{c.alerta} : std::vector<std::string>{});
  }
}

TEST(GeradorTXT, NothingWithoutLayoutOrPendingLines) {
  TGerador g;
  g.EscreverGrupo("emit", "c01", true);
  EXPECT_EQ(g.IDNivel(), "C01");
  g.EscreverCampo(fcTexto, "C03", "xNome", 0, 60, 1, "X");
  g.ConcluirTXT("NFe1");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "");

  g.CarregarLayoutTXT(LeiauteTXT("2.00"));
  g.EscreverGrupo("emit", "C01", true);
  g.EscreverCampo(fcTexto, "C03", "xNome", 0, 60, 1, "X");
  g.ConcluirTXT("NFe1");
  const std::string kept = g.ArquivoFormatoTXT();
  ASSERT_FALSE(kept.empty());
  g.ConcluirTXT("NFe1");
  EXPECT_EQ(g.ArquivoFormatoTXT(), kept) << "no group opened: nothing to conclude";

  g.EscreverGrupo("emit", "C01", true);
  g.CarregarLayoutTXT("");
  g.ConcluirTXT("NFe1");
  EXPECT_EQ(g.ArquivoFormatoTXT(), kept) << "loading a layout drops the pending lines";
}

// Random runs of groups, fields, repeated groups and IDNivel resets on the
// real layout: the same text as the plain way.
TEST(GeradorTXT, SameTextAsSplittingTheWholeTextForEveryField) {
  for (const char* versao : {"1.10", "2.00"}) {
    const std::string texto = LeiauteTXT(versao);
    const std::vector<std::string> leiaute = Linhas(texto);
    std::vector<std::string> grupos;
    std::vector<std::string> nomes = {"NITEM", "NADA", "xnome"};
    for (const std::string& l : leiaute) {
      if (l.empty()) continue;
      grupos.push_back(l.substr(1, l.find('>') - 1));
      for (std::size_t p = l.find('|'); p != std::string::npos; p = l.find('|', p + 1))
        if (const auto f = l.find('\xA8', p); f != std::string::npos && l.find('|', p + 1) > f)
          nomes.push_back(l.substr(p + 1, f - p - 1));
    }
    for (unsigned semente = 1; semente <= 20; ++semente) {
      SCOPED_TRACE(std::string(versao) + " seed " + std::to_string(semente));
      std::mt19937 aleatorio(semente);
      const auto sorteio = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(aleatorio);
      };
      TGerador g;
      g.CarregarLayoutTXT(texto);
      TXTDireto d{leiaute, "", ""};
      for (int passo = 0; passo < 400; ++passo) {
        const std::size_t escolha = sorteio(10);
        if (escolha < 2) {
          const std::string& id = grupos[sorteio(grupos.size())];
          g.IniciarLinhasTXT(id);
          d.Iniciar(id);
        } else if (escolha < 3) {
          const std::string& id = grupos[sorteio(grupos.size())];
          g.DefinirIDNivel(id);
          d.idNivel = id;
        } else {
          const std::string& nome = nomes[sorteio(nomes.size())];
          const std::string valor = sorteio(4) == 0 ? "" : "v" + std::to_string(passo);
          g.PreencherCampoTXT(nome, valor);
          d.Preencher(nome, valor);
        }
      }
      g.ConcluirTXT("NFe9");
      EXPECT_EQ(g.ArquivoFormatoTXT(), d.Concluir("NFe9"));
    }
  }
}

TEST(NFeWTXT, OnlyWhenAsked) {
  TNFe n = modelo::NFeRegimeNormal();
  modelo::AdicionarItem(n, modelo::kProdutos[0]);
  EXPECT_EQ(Gerar(n, false), "");
  TNFeW w(n);
  w.Opcoes().GerarTXTSimultaneamente = true;
  w.GerarDocumento();
  const std::string comTXT = w.Gerador().ArquivoFormatoTXT();
  EXPECT_FALSE(comTXT.empty());
  w.Opcoes().GerarTXTSimultaneamente = false;
  w.GerarDocumento();
  EXPECT_EQ(w.Gerador().ArquivoFormatoTXT(), "") << "a second generation without TXT leaves none of the first";
}

// Layout 2.00: an emitter with a CPF (C02a kept and lower-cased, C02 dropped),
// the composed key in the A record, dhCont never written (an empty field),
// a Simples Nacional item (N10d).
TEST(NFeWTXT, SmallDocumentOfLayout200) {
  TNFe n = modelo::NFeSimplesNacional();
  n.infNFe.ID = "";
  n.Emit.CNPJCPF = "111.444.777-35";
  n.Ide.cNF = 12345678;
  modelo::AdicionarItem(n, modelo::kProdutos[11]);
  n.Det.Items(0).infAdProd = "SERVICO";
  n.Det.Items(0).Imposto.ICMS.CSOSN = csosn102;
  EXPECT_EQ(Gerar(n),
            Juntar({
                "NOTA FISCAL|1",
                "A|2.00|NFe11101211144477735000550010000004881123456788",
                "B|11|12345678|VENDA NO ESTADO "
                "MERC.ADQ.TERCEIROS|0|55|1|488|2010-12-02|2010-12-02|17:04:25|1|1100205|1|1|8|2|1|0|1.0.0.0||",
                "C|MicroLine Software|MicroLine Software|00000000415138||999911111|4645101|1",
                "C02a|11144477735",
                "C05|Av. Rafael Vaz e Silva|003091||LIBERDADE|1100205|PORTO VELHO|RO|78904120|1058|BRASIL|6933213610",
                "E|NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL|||wagneraragao@zipmail.com.br",
                "E02|99999999000191",
                "E05|RUA QUINTINO BOCAIUV-LOJA 01|005810||OLARIA|1100205|PORTO VELHO|RO|76801250|1058|BRASIL|",
                "H|1|SERVICO",
                "I|MAO 0002||SERVICOS "
                "ELETRICOS--------------------------------|99999999||5933|H|2.0000|45.0000000000|90.00||H|2.0000|45."
                "0000000000|||||1||",
                "M",
                "N",
                "N10d|0|102",
                "Q",
                "Q02|01|0.00|0.00|0.00",
                "S",
                "S02|01|0.00|0.00|0.00",
                "W",
                "W02|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00",
                "X|0",
            }));
}

// Layout 1.10: an emitter with a CNPJ (C02 kept, C02a dropped), 9-digit cNF,
// no hSaiEnt, dhCont, CRT or email fields; no items.
TEST(NFeWTXT, SmallDocumentOfLayout110) {
  TNFe n = modelo::NFeRegimeNormal();
  n.infNFe.SetVersao(1.10);
  EXPECT_EQ(
      Gerar(n),
      Juntar({
          "NOTA FISCAL|1",
          "A|1.10|NFe31141019592641000372550020009458071111021102",
          "B|31|111102110|VENDA ESTADUAL|1|55|2|945807|2014-10-21|2014-10-21|1|3118601|1|1|2|1|1|0|2.0",
          "C|CEREALISTA NOVA SAFRA LTDA|NOVA SAFRA|0624258870284|||",
          "C02|19592641000372",
          "C05|VIA MANOEL JACINTO COELHO JUNIOR|981|GALPAO 3|CAMPINA "
          "VERDE|3118601|CONTAGEM|MG|32150245|1058|BRASIL|3133688300",
          "E|FIGUEIREDO ALIMENTOS CONGELADOS LTDA-ME|0017498080010|",
          "E02|13411752000197",
          "E05|RUA FURTADO DE MENEZES, 366 A|366||SANTA ROSA|3106200|BELO HORIZONTE|MG|31255780|1058|BRASIL|32441999",
          "W",
          "W02|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00",
          "X|0",
      }));
}

TEST(NFeWTXT, SeveralItemsAndVolumes) {
  TNFe n = modelo::NFeRegimeNormal();
  for (int i = 0; i < 3; ++i) modelo::AdicionarItem(n, modelo::kProdutos[i]);
  n.Transp.Vol.Add().qVol = 2;
  TVolCollectionItem& vol = n.Transp.Vol.Add();
  vol.esp = "CAIXA";
  vol.Lacres.Add().nLacre = "L1";
  vol.Lacres.Add().nLacre = "L2";
  EXPECT_EQ(
      Gerar(n),
      Juntar({
          "NOTA FISCAL|1",
          "A|2.00|NFe31141019592641000372550020009458071111021102",
          "B|31|11102110|VENDA ESTADUAL|1|55|2|945807|2014-10-21|2014-10-21||1|3118601|1|1|2|1|1|0|2.0||",
          "C|CEREALISTA NOVA SAFRA LTDA|NOVA SAFRA|0624258870284||||3",
          "C02|19592641000372",
          "C05|VIA MANOEL JACINTO COELHO JUNIOR|981|GALPAO 3|CAMPINA "
          "VERDE|3118601|CONTAGEM|MG|32150245|1058|BRASIL|3133688300",
          "E|FIGUEIREDO ALIMENTOS CONGELADOS LTDA-ME|0017498080010||lila@casadeguste.com.br",
          "E02|13411752000197",
          "E05|RUA FURTADO DE MENEZES, 366 A|366||SANTA ROSA|3106200|BELO HORIZONTE|MG|31255780|1058|BRASIL|32441999",
          "H|1|",
          "I|220030|7896036096697|EXTRATO DE TOMATE ELEFANTE TP "
          "1,1KG|20029090||5405|UN|10.0000|8.0000000000|80.00|7896036096697|UN|10.0000|8.0000000000|||||1||",
          "M",
          "N",
          "N02|0|00|0|0.00|0.00|0.00",
          "Q",
          "Q02|01|0.00|0.00|0.00",
          "S",
          "S02|01|0.00|0.00|0.00",
          "H|2|",
          "I|323|7896434920549|LEITE UHT TRIANGULO INTEGRAL "
          "12X1L|04012010||5102|CX|3.0000|27.2100000000|81.63|7896434920549|CX|3.0000|27.2100000000|||||1||",
          "M",
          "N",
          "N02|0|00|0|0.00|0.00|0.00",
          "Q",
          "Q02|01|0.00|0.00|0.00",
          "S",
          "S02|01|0.00|0.00|0.00",
          "H|3|",
          "I|4040|7896417201047|FARINHA DE TRIGO TP1 VILMA 10X1KG "
          "PLAST|11010010||5102|FD|1.0000|19.1100000000|19.11|7896417201047|FD|1.0000|19.1100000000|||||1||",
          "M",
          "N",
          "N02|0|00|0|0.00|0.00|0.00",
          "Q",
          "Q02|01|0.00|0.00|0.00",
          "S",
          "S02|01|0.00|0.00|0.00",
          "W",
          "W02|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00",
          "X|0",
          "X26|2|||||",
          "X26||CAIXA||||",
          "X33|L1",
          "X33|L2",
      }));
}
