#include <gtest/gtest.h>

#include <locale>

#include "converter/TextoPagina.h"
#include "nfe/DataHora.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"

namespace {

// Page text lines joined the way the converter joins them.
std::string Juntado(std::string_view linhas) { return JuntarLinhas(linhas); }

}  // namespace

TEST(Limpeza, RemovesTagsKeepingTheMarkupLines) {
  EXPECT_EQ(RemoverTags("<td><label>Processo</label></td><td><span>0 - com aplicativo do Contribuinte</span></td>"),
            "Processo0 - com aplicativo do Contribuinte");
  EXPECT_EQ(RemoverTags("<p>a</p>\n  <b>b</b>\r\nc"), "a\n  b\r\nc");
  EXPECT_EQ(RemoverTags("a > b <i>c"), "a > b c");
  EXPECT_EQ(RemoverTags("texto<span class=\"x\""), "texto");  // an unclosed tag drops the rest
  EXPECT_EQ(RemoverTags(""), "");
}

TEST(Limpeza, NbspRemovedInAnyCaseMarkupReferencesDecoded) {
  EXPECT_EQ(RemoverNbsp("R$&nbsp;10,00"), "R$10,00");
  EXPECT_EQ(RemoverNbsp("&NBSP;a&Nbsp;&nbsp;b&nbsp"), "ab&nbsp");
  // A company name with "&" must reach the XML as one "&amp;", not "&amp;amp;".
  EXPECT_EQ(RemoverNbsp("C&amp;A & C"), "C&A & C");
  EXPECT_EQ(RemoverNbsp("&lt;b&gt; &quot;x&quot; &amp;nbsp; &AMP; &#38; &amp"), "<b> \"x\" &nbsp; &AMP; &#38; &amp");
}

TEST(Limpeza, LineBreaksBecomeCrLf) {
  EXPECT_EQ(NormalizarQuebrasDeLinha("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
}

TEST(Limpeza, LineFilterDropsOnlyBlankLinesAndKeepsTheLast) {
  struct Caso {
    const char* entrada;
    const char* saida;
  };
  const Caso casos[] = {
      {"a\r\n   \r\n\t\r\nb", "a\r\nb"},
      // Values may hold these words and braces: their lines stay.
      {"PASTA PARA documentos\r\nfunction x()\r\n{\r\nx }\r\nfim",
       "PASTA PARA documentos\r\nfunction x()\r\n{\r\nx }\r\nfim"},
      {"a\r\n  ", "a\r\n  "},        // the last line stays even when blank
      {"a\r\n \r\n", "a\r\n \r\n"},  // ... and the final break stays
      {"\r\n\r\nb\r\n", "b\r\n"},
      {"a\r\n\r\n", "a\r\n\r\n"},  // the empty line before the final break is the last line
      {"", ""},
  };
  for (const auto& c : casos) EXPECT_EQ(FiltrarLinhas(c.entrada), c.saida) << c.entrada;
}

TEST(Limpeza, ScriptsStylesAndCommentsDroppedWithTheirContent) {
  struct Caso {
    const char* entrada;
    const char* saida;
  };
  const Caso casos[] = {
      {"a<script>function f() { document.x = 1; }</script>b", "ab"},
      {"a\n<SCRIPT type=\"text/javascript\">\nvar x = '<td>';\n</Script >\nb", "a\n\n\n\nb"},  // breaks stay
      {"<style>td { color: red }</style><noscript><p>Ative o JavaScript</p></noscript>c", "c"},
      {"a<!-- <td>comentario</td>\n -->b<!---->c", "a\nbc"},
      {"<!-- <script> -->x<scripts>y</scripts><styles>", "x<scripts>y</scripts><styles>"},
      {"<script/>x</script>y", "y"},
      {"a<script>nunca fechado", "a"},  // unclosed: the rest goes
      {"a<!-- nunca fechado\nb", "a\n"},
      {"a<script", "a<script"},  // a bare name at the end is no element
      {"<b>documento</b> {x}", "<b>documento</b> {x}"},
      {"", ""},
  };
  for (const auto& c : casos) EXPECT_EQ(RemoverScriptsEComentarios(c.entrada), c.saida) << c.entrada;
}

TEST(Limpeza, WholeCaptureCleaning) {
  const std::string marcacao =
      "<div>\n  <script>function f() { document.write(1); }</script>\n"
      "  <td><label>Valor Total da NFe</label><span>R$&nbsp;1.234,56</span></td>\r"
      "  <td>A&amp;B</td>\n\n<p>   </p>";
  EXPECT_EQ(LimparTextoCapturado(marcacao), "  Valor Total da NFeR$1.234,56\r\n  A&B\r\n   ");
  // Values with the words and braces of scripts keep their lines, so nothing after them shifts.
  const std::string_view valores =
      "<td>Descrição</td>\n<td>PASTA PARA documentos {A4}</td>\n<td>2,0000</td>\n"
      "<script>\nfunction f() {\n  document.title = 'x';\n}\n</script>\n"
      "<td>INFORMAÇÕES COMPLEMENTARES</td>\n<td>Este documento fiscal function</td>\n"_cp;
  EXPECT_EQ(LimparTextoCapturado(valores),
            "Descrição\r\nPASTA PARA documentos {A4}\r\n2,0000\r\nINFORMAÇÕES COMPLEMENTARES\r\n"
            "Este documento fiscal function\r\n"_cp);
}

TEST(TextoPagina, JoinsLinesAndFoldsAsciiOnly) {
  EXPECT_EQ(JuntarLinhas("a\r\nb\r\n\r\nc\r\n"), "a|&|b|&||&|c|&|");
  EXPECT_EQ(JuntarLinhas("a\nb"), "a\nb");
  EXPECT_EQ(DobrarAscii("Emissão éÉ az"_cp), "EMISSãO éÉ AZ"_cp);
  EXPECT_EQ(Aparar(" \t x y \r"), "x y");
}

TEST(TextoPagina, SectionCutIgnoresAsciiCaseOnly) {
  const TextoDobrado pagina(Juntado("cabeca\r\nDados da NF-e\r\nEmissão\r\nemissÃo\r\nfim"_cp));
  Trecho resto = pagina.Inteiro();
  Trecho secao;
  CortarNaSecao(" DADOS DA NF-E ", resto, resto, secao);
  EXPECT_EQ(secao.texto, "cabeca|&|");
  EXPECT_TRUE(resto.texto.starts_with("Dados da NF-e"));
  EXPECT_EQ(resto.dobrado.substr(0, 13), "DADOS DA NF-E");
  // The capital heading does not match a small accented letter, but ASCII case is free.
  CortarNaSecao("EMISSÃO"_cp, resto, resto, secao);
  EXPECT_EQ(secao.texto, "Dados da NF-e|&|Emissão|&|"_cp);
  EXPECT_EQ(resto.texto, "emissÃo|&|fim"_cp);
  // A missing heading: empty section, the rest text untouched.
  CortarNaSecao("Dados do Emitente", resto, resto, secao);
  EXPECT_TRUE(secao.empty());
  EXPECT_EQ(resto.texto, "emissÃo|&|fim"_cp);
}

TEST(TextoPagina, ValueAfterLabel) {
  const std::string texto = Juntado(
      "Município3550308 - SAO PAULO\r\nUF SP\r\nMUNICÍPIO35\r\nRua\r\n Fone/Fax (11) 5555-1234 \r\n"
      "CEP35|&|x\r\nultimo 99"_cp);
  struct Caso {
    std::string_view rotulo;
    int contagem;
    std::string_view valor;
  };
  const Caso casos[] = {
      {"Município"_cp, 0, "3550308 - SAO PAULO"},
      {"município"_cp, 7, "3550308"},  // first occurrence, ASCII case ignored
      {"Município"_cp, 2, "35"},
      {" Fone/Fax", 0, "(11) 5555-1234"},  // label and value trimmed
      {"uf", 0, "SP"},
      {"MUNICÍPIO"_cp, 7, "35|&|Ru"},  // a counted value crosses the separator
      {"ultimo", 0, ""},               // last line without a separator
      {"ultimo", 10, "99"},
      {"ausente", 0, ""},
      {"  ", 0, ""},  // a blank label is never found
  };
  for (const auto& c : casos) EXPECT_EQ(ValorAposRotulo(texto, c.rotulo, c.contagem), c.valor) << c.rotulo;
  EXPECT_EQ(LerInteiroOuPadrao(ValorAposRotulo(texto, "MUNICÍPIO"_cp, 7)), 0);
}

TEST(TextoPagina, LabelAtTheStartOfALineWinsOverOneInsideAValue) {
  struct Caso {
    std::string_view texto;
    std::string_view rotulo;
    std::string_view valor;
  };
  const Caso casos[] = {
      {"Nome / Razão SocialRUFINO DISTRIBUIDORA LTDA|&|UFSP|&|"_cp, "UF", "SP"},
      {"Nome / Razão socialRECEPCAO E EVENTOS LTDA|&|CEP03013-030|&|"_cp, "CEP", "03013-030"},
      {"GOL COR PRATA|&|Chassi do veículo 9BW|&|Cor 0001|&|"_cp, "Cor ", "0001"},
      {"rufo|&|  UF RJ|&|"_cp, "UF", "RJ"},  // indented line
      {"UFSP|&|RUFINO|&|"_cp, "UF", "SP"},   // the start of the text is a line start
      {"&|Base de Cálculo66,67|&|PIS|&|Base de Cálculo1,00|&|"_cp, "Base de Cálculo"_cp,
       "66,67"},                                // cut inside a separator
      {"RUFINO|&|x UF MG|&|"_cp, "UF", "INO"},  // no line starts with it: the first occurrence
      {"RUFINO|&|x UF MG|&|"_cp, "Xuf", ""},
  };
  for (const auto& c : casos) {
    const std::string texto(c.texto);
    EXPECT_EQ(ValorAposRotulo(texto, c.rotulo, 0), c.valor) << c.texto << " / " << c.rotulo;
  }
}

TEST(TextoPagina, ValueAfterOneOfTwoLabelsIsExactAndUntrimmed) {
  const std::string texto =
      Juntado("Valor da BC do ICMS 10,00\r\nBase de Cálculo do ICMS Normal 20,00\r\nmodalidade x"_cp);
  EXPECT_EQ(ValorAposUmDosRotulos("Base de Cálculo do ICMS Normal"_cp, "Valor da BC do ICMS", texto, 0), " 20,00");
  EXPECT_EQ(ValorAposUmDosRotulos("Base de cálculo do ICMS Normal"_cp, "Valor da BC do ICMS", texto, 0), " 10,00");
  EXPECT_EQ(ValorAposUmDosRotulos("Valor da BC do ICMS ", "x", texto, 3), "10,");
  EXPECT_EQ(ValorAposUmDosRotulos("Modalidade", "MODALIDADE", texto, 1), "");
  EXPECT_EQ(CaractereAposRotulo(texto, "Modalidade"), "");
  EXPECT_EQ(CaractereAposRotulo(texto, "modalidade "), "x");
  EXPECT_EQ(CaractereAposRotulo(texto, "modalidade x"), "");
  EXPECT_EQ(CortarEm(texto, "Base"), CortarEm(texto, "Base de"));
  EXPECT_EQ(CortarEm(texto, "nada"), texto);
}

TEST(TextoPagina, FieldSteppingAlwaysEnds) {
  std::string_view campos = "001|&|10/02/2011|&|  1.500,00|&|resto";
  EXPECT_EQ(ProximoCampo(campos), "001");
  PularCampo(campos);
  EXPECT_EQ(ProximoCampo(campos), "10/02/2011");
  PularCampo(campos);
  PularCampo(campos);
  EXPECT_EQ(campos, "resto");
  EXPECT_EQ(ProximoCampo(campos), "");
  int voltas = 0;
  while (campos.size() > 4) PularCampo(campos), ++voltas;  // no separator left: two characters a step
  EXPECT_EQ(voltas, 1);
  EXPECT_EQ(campos, "sto");
}

TEST(Valores, NumbersInBrazilianFormat) {
  struct Caso {
    const char* texto;
    double valor;
  };
  const Caso casos[] = {
      {"1.234,56", 1234.56},
      {" -1,5 ", -1.5},
      {"+2", 2},
      {"1,5E3", 1500},
      {",5", 0.5},
      {"3,", 3},
      {"1.000.000", 1000000},
      {"1.5", 15},
      {"abc", 0},
      {"", 0},
      {"1,2,3", 0},
      {"inf", 0},
      {"nan", 0},
      {"0x10", 0},
      {"12 34", 0},
      {"1e", 0},
      {"R$ 10,00", 0},
      {"-", 0},
  };
  for (const auto& c : casos) EXPECT_DOUBLE_EQ(LerNumero(c.texto), c.valor) << c.texto;
  EXPECT_EQ(LerMoeda("12,3456789", "Valor").Bruto(), 123457);
  EXPECT_EQ(LerMoeda("1.234,56", "Valor").Bruto(), 12345600);
  EXPECT_EQ(LerMoeda("abc", "Valor").Bruto(), 0);
  // Beyond the range: an error naming the label, never a silent 0.
  for (const char* grande : {"1E300", "922.337.203.685.478,00", "-922.337.203.685.478,00"}) {
    try {
      LerMoeda(grande, "Valor Total da NFe");
      ADD_FAILURE() << grande;
    } catch (const ErroConversao& e) {
      EXPECT_NE(std::string(e.what()).find("Valor Total da NFe"), std::string::npos) << e.what();
    }
  }
}

TEST(Valores, ProcessLocaleDoesNotMatter) {
  struct PontoDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return '.'; }
    char do_thousands_sep() const override { return ','; }
  };
  const std::locale anterior = std::locale::global(std::locale(std::locale::classic(), new PontoDecimal));
  const double valor = LerNumero("1.234,56");
  const TDateTime data = LerData("05/01/2011");
  std::locale::global(anterior);
  EXPECT_DOUBLE_EQ(valor, 1234.56);
  EXPECT_EQ(data, CodificarDataHora(2011, 1, 5));
}

TEST(Valores, Integers) {
  struct Caso {
    const char* texto;
    int valor;
  };
  const Caso casos[] = {{"42", 42}, {"-7", -7},  {"+7", 7},       {"1058", 1058},      {"", 99},   {" 1", 99},
                        {"1 ", 99}, {"1,0", 99}, {"35|&|Ru", 99}, {"99999999999", 99}, {"+-1", 99}};
  for (const auto& c : casos) EXPECT_EQ(LerInteiroOuPadrao(c.texto, 99), c.valor) << c.texto;
  EXPECT_EQ(LerInteiroEstrito("2011", "ano"), 2011);
  for (const char* ruim : {"", "20a", "3/"}) {
    try {
      LerInteiroEstrito(ruim, "Ano de Fabricação"_cp);
      ADD_FAILURE() << ruim;
    } catch (const ErroConversao& e) {
      EXPECT_NE(std::string_view(e.what()).find("Ano de Fabricação"_cp), std::string_view::npos);
    }
  }
}

TEST(Valores, DatesAndReceptionTimes) {
  const TDateTime dia = CodificarDataHora(2011, 1, 5);
  struct Caso {
    const char* texto;
    TDateTime data;
    TDateTime dataHora;
  };
  const Caso casos[] = {
      {"05/01/2011", dia, dia},
      {" 5/1/2011 ", dia, dia},
      {"05/01/2011 13:45:07", 0, CodificarDataHora(2011, 1, 5, 13, 45, 7)},
      {"05/01/2011 13:45", 0, CodificarDataHora(2011, 1, 5, 13, 45, 0)},
      {"05/01/2011 24:00:00", 0, 0},
      {"05/01/2011T13:45:07", 0, 0},
      {"31/02/2011", 0, 0},
      {"2011-01-05", 0, 0},
      {"05/01/11", 0, 0},
      {"", 0, 0},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(LerData(c.texto), c.data) << c.texto;
    EXPECT_EQ(LerDataHora(c.texto), c.dataHora) << c.texto;
  }
}
