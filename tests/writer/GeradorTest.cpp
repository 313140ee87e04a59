#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <system_error>

#include "nfe/Currency.h"
#include "nfe/DataHora.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"
#include "writer/kxnGerador.h"

namespace {

std::string Ler(const std::filesystem::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Texto(std::string_view v) { return std::string(v); }

// A fresh directory per test under the build tree.
std::filesystem::path DiretorioTeste(const std::string& nome) {
  const auto dir = std::filesystem::path(SALVEXA_BINARY_DIR) / "tests" / "writer-tmp" / nome;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(Gerador, FormatsChecksAndWritesEachFieldType) {
  struct Caso {
    TkxnFormatoCampo tipo;
    int min, max, ocorrencia;
    TValorCampo valor;
    std::string xml;     // what is appended
    std::string alerta;  // the alert message, empty for none
  };
  const TDateTime data = CodificarDataHora(2010, 5, 4);
  const TDateTime dataHora = CodificarDataHora(2010, 5, 4, 13, 5, 9);
  const std::string casas2 = Texto("Numero máximo de casas decimais permitidas 2"_cp);
  const Caso casos[] = {
      {fcTexto, 1, 60, 1, "  abc  ", "<t>abc</t>", ""},
      {fcTexto, 2, 60, 1, "", "<t/>", "Nenhum valor informado"},
      {fcTexto, 2, 60, 0, "   ", "", ""},
      {fcTexto, 0, 60, 1, "", "<t/>", ""},
      {fcTexto, 2, 60, 1, "a", "<t>a</t>", ""},
      {fcTexto, 5, 60, 1, "abc", "<t>abc</t>", Texto("Tamanho menor que o mínimo permitido [abc]"_cp)},
      {fcTexto, 1, 3, 1, " abcd", "<t>abcd</t>", Texto("Tamanho maior que o máximo permitido [ abcd]"_cp)},
      {fcTexto, 1, 60, 1, "a<b & \"c\" 'd'", "<t>a&lt;b &amp; &quot;c&quot; &#39;d&#39;</t>", ""},
      {fcTexto, 1, 60, 1, "Jo\xE3o  da\tSilva", "<t>Joao da Silva</t>", ""},
      {fcInteiro, 3, 3, 1, 7, "<t>007</t>", ""},
      {fcInteiro, 3, 3, 1, 12345, "<t>12345</t>", Texto("Tamanho maior que o máximo permitido [12345]"_cp)},
      {fcInteiro, 3, 3, 0, -1234, "<t>-1234</t>", Texto("Tamanho maior que o máximo permitido [-1234]"_cp)},
      {fcInteiro, 6, 6, 1, " 1234567 ", "<t>1234567</t>", Texto("Tamanho maior que o máximo permitido [ 1234567 ]"_cp)},
      {fcInteiro, 3, 3, 1, 999, "<t>999</t>", ""},
      {fcInteiro, 1, 9, 1, 0, "<t>0</t>", ""},
      {fcInteiro, 1, 9, 0, 0, "", ""},
      {fcInteiro, 2, 2, 1, "4", "<t>04</t>", ""},
      {fcInteiro, 1, 3, 1, 12345, "<t>12345</t>", Texto("Tamanho maior que o máximo permitido [12345]"_cp)},
      {fcDecimal2, 1, 15, 1, 1.005, "<t>1.01</t>", casas2},
      {fcDecimal2, 1, 15, 1, 2.675, "<t>2.68</t>", casas2},
      {fcDecimal2, 1, 15, 1, -1.005, "<t>-1.01</t>", casas2},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("10.5"), "<t>10.50</t>", ""},
      {fcDecimal2, 1, 15, 1, Currency(), "<t>0.00</t>", ""},
      {fcDecimal2, 1, 15, 0, Currency(), "", ""},
      {fcDecimal2, 1, 15, 0, 0.0, "", ""},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("-0.001"), "<t>0.00</t>", casas2},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("1234567890123.45"), "<t>1234567890123.45</t>",
       Texto("Tamanho maior que o máximo permitido [1234567890123.45]"_cp)},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("0.995"), "<t>1.00</t>", casas2},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("-0.005"), "<t>-0.01</t>", casas2},
      {fcDecimal2, 1, 15, 1, Currency::DeDecimal("-0.0049"), "<t>0.00</t>", casas2},
      {fcDecimal2, 1, 15, 1, -5, "<t>-5.00</t>", ""},
      {fcDecimal6, 1, 15, 1, Currency::DeDecimal("-12.5"), "<t>-12.500000</t>", ""},
      {fcDecimal10, 1, 30, 1, Currency::DeBruto(INT64_MIN), "<t>-922337203685477.5808000000</t>", ""},
      {fcDecimal3, 1, 15, 1, Currency::DeDecimal("9.9995"), "<t>10.000</t>",
       Texto("Numero máximo de casas decimais permitidas 3"_cp)},
      {fcDecimal3, 1, 15, 1, 1e-7, "<t>0.000</t>", Texto("Numero máximo de casas decimais permitidas 3"_cp)},
      {fcDecimal4, 1, 15, 1, Currency::DeDecimal("1.2345"), "<t>1.2345</t>", ""},
      {fcDecimal6, 1, 15, 1, 99.9999995, "<t>100.000000</t>", Texto("Numero máximo de casas decimais permitidas 6"_cp)},
      {fcDecimal10, 1, 20, 1, 0.1, "<t>0.1000000000</t>", ""},
      {fcDecimal10, 1, 20, 1, 1e-12, "<t>0.0000000000</t>", ""},
      {fcDecimal2, 1, 15, 1, 0.0000000001, "<t>0.00</t>", casas2},
      {fcDecimal2, 1, 15, 1, 0.00000000001, "<t>0.00</t>", ""},  // beyond ten decimals: not counted
      {fcData, 10, 10, 0, ValorData(0), "", ""},
      {fcData, 10, 10, 1, ValorData(0), "<t/>", "Nenhum valor informado"},
      {fcData, 10, 10, 1, ValorData(dataHora), "<t>2010-05-04</t>", ""},
      {fcDataHora, 19, 19, 1, ValorData(dataHora), "<t>2010-05-04T13:05:09</t>", ""},
      {fcDataHora, 19, 19, 0, ValorData(CodificarHora(13, 5, 9)), "", ""},
      {fcHora, 8, 8, 0, ValorData(data), "", ""},
      {fcHora, 8, 8, 0, ValorData(CodificarHora(13, 5, 9)), "<t>13:05:09</t>", ""},
      {fcNumerico, 4, 4, 1, " 1012 ", "<t>1012</t>", ""},
      {fcNumerico, 4, 4, 1, "10a2", "<t>10a2</t>", Texto("Conteúdo inválido"_cp)},
      {fcNumerico, 44, 44, 1, "", "<t/>", "Nenhum valor informado"},
  };
  for (const Caso& c : casos) {
    TGerador g;
    g.Opcoes().FormatoAlerta = "%MSG%";
    g.EscreverCampo(c.tipo, " X01 ", " t ", c.min, c.max, c.ocorrencia, c.valor, "d");
    EXPECT_EQ(g.ArquivoFormatoXML(), c.xml) << c.xml;
    const std::vector<std::string> esperado =
        c.alerta.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.alerta};
    EXPECT_EQ(g.ListaDeAlertas(), esperado) << c.xml;
  }
}

TEST(Gerador, LongElementsAreWrittenWhole) {
  const std::string longo(300, 'a');
  const std::string grupo = "g x=\"" + longo + "\"";
  TGerador g;
  g.EscreverGrupo(grupo, "G01", true);
  EXPECT_EQ(g.TagNivel(), "<" + grupo + ">");
  g.EscreverCampo(fcTexto, "G02", "v", 1, 500, 1, longo, "");
  g.EscreverCampo(fcTexto, "G03", "w", 1, 500, 1, longo + "&", "");
  g.EscreverGrupo("/g", "", true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<" + grupo + "><v>" + longo + "</v><w>" + longo + "&amp;</w></g>");
}

TEST(Gerador, ConversionOfAnUnreadableValueRaises) {
  TGerador g;
  EXPECT_THROW(g.EscreverCampo(fcInteiro, "B20l", "nECF", 3, 3, 1, "", ""), ErroConversao);
  EXPECT_THROW(g.EscreverCampo(fcInteiro, "B20f", "mod", 2, 2, 1, "4a", ""), ErroConversao);
  EXPECT_THROW(g.EscreverCampo(fcDecimal2, "X", "v", 1, 15, 1, "1.2.3", ""), ErroConversao);
  EXPECT_THROW(g.EscreverCampo(fcData, "X", "d", 10, 10, 1, "2010-05-04", ""), ErroConversao);
}

TEST(Gerador, DecimalOptionsAndEmptyElementForm) {
  TGerador g;
  g.Opcoes().SuprimirDecimais = true;
  g.Opcoes().TagVaziaNoFormatoResumido = false;
  g.EscreverCampo(fcDecimal2, "X", "a", 1, 15, 1, Currency(10), "");
  g.EscreverCampo(fcDecimal2, "X", "b", 1, 15, 1, 10.5, "");
  g.EscreverCampo(fcDecimal4, "X", "c", 1, 15, 1, -3.0, "");
  g.EscreverCampo(fcTexto, "X", "d", 0, 15, 1, "", "");
  g.EscreverCampo(fcDecimal2, "X", "e", 1, 15, 1, Currency::DeDecimal("-3"), "");
  g.EscreverCampo(fcDecimal2, "X", "f", 1, 15, 1, Currency::DeDecimal("-0.5"), "");
  g.EscreverCampo(fcDecimal4, "X", "g", 1, 15, 1, 7, "");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>10</a><b>10.50</b><c>-3</c><d></d><e>-3</e><f>-0.50</f><g>7</g>");
}

TEST(Gerador, AlertTemplateAndLevelPath) {
  TGerador g;
  g.Opcoes().TagsForaDoNivel = "|NFe xmlns|obsCont|";
  g.EscreverGrupo("NFe xmlns=\"x\"", "", true);
  g.EscreverGrupo("emit", "C01", true);
  g.EscreverCampo(fcTexto, "C03", "xNome", 2, 60, 1, "", "Razão Social ou Nome "_cp);
  g.EscreverGrupo("obsCont xCampo=\"a\"", "Z05", true);
  g.RegistrarAlerta("Z06", "xTexto", "d", "m");
  g.EscreverGrupo("/obsCont", "", true);
  g.EscreverGrupo("/emit", "", true);
  g.EscreverGrupo("det nItem=\"1\"", "H01", true);
  g.EscreverGrupo("prod", "I01", true);
  g.EscreverGrupo("/det", "", true);
  g.RegistrarAlerta("W01", "total", "d", "fim");
  g.RegistrarAlerta("W01", "total", "d", "   ");  // a blank message adds nothing
  // Placeholders inside substituted text are not expanded again.
  g.RegistrarAlerta("%ID%", "%MSG%", "%TAGNIVEL%", "valor %DESCRICAO%");
  ASSERT_EQ(g.ListaDeAlertas().size(), 4u);
  EXPECT_EQ(g.ListaDeAlertas()[0], Texto("TAG:<emit> ID:C03/xNome(Razão Social ou Nome) - Nenhum valor informado."_cp));
  EXPECT_EQ(g.ListaDeAlertas()[1], "TAG:<emit> ID:Z06/xTexto(d) - m.");
  EXPECT_EQ(g.ListaDeAlertas()[2], "TAG: ID:W01/total(d) - fim.");
  EXPECT_EQ(g.ListaDeAlertas()[3], "TAG: ID:%ID%/%MSG%(%TAGNIVEL%) - valor %DESCRICAO%.");
  g.EscreverGrupo("x", "b01", true);
  EXPECT_EQ(g.IDNivel(), "B01");
}

// A hostile page may raise millions of alerts: the first ones are kept, the
// rest only counted.
TEST(Gerador, KeepsABoundedNumberOfAlertsAndCountsTheRest) {
  TGerador g;
  const std::size_t total = TGerador::kMaximoAlertas + 25;
  for (std::size_t i = 0; i < total; ++i) g.RegistrarAlerta("Y08", "nDup", "d", "alerta " + std::to_string(i));
  ASSERT_EQ(g.ListaDeAlertas().size(), TGerador::kMaximoAlertas);
  EXPECT_EQ(g.AlertasNaoGuardados(), 25u);
  EXPECT_NE(g.ListaDeAlertas().back().find("alerta " + std::to_string(TGerador::kMaximoAlertas - 1)),
            std::string::npos);
}

TEST(Gerador, ClosingAGroupOpenedWithAttributesLeavesThePath) {
  TGerador g;
  g.EscreverGrupo("cana", "ZC01", true);
  g.EscreverGrupo("forDia dia=\"1\"", "ZC04", true);
  g.EscreverGrupo("/forDia", "", true);
  g.EscreverGrupo("forDia dia=\"2\"", "ZC04", true);
  EXPECT_EQ(g.TagNivel(), "<cana><forDia dia=\"2\">");
  g.EscreverGrupo("/forDia", "", true);
  g.EscreverGrupo("/forDiaX", "", true);  // no entry of that name: nothing removed
  EXPECT_EQ(g.TagNivel(), "<cana>");
}

TEST(Gerador, IndentsByLevelAndStepsBackForListedTags) {
  TGerador g;
  g.Opcoes().IdentarXML = true;
  g.Opcoes().TagsRecuarNivel = "|Volta|";
  g.EscreverGrupo("?xml version=\"1.0\"?", "", false);
  g.EscreverGrupo("a", "A01", true);
  g.EscreverCampo(fcTexto, "A02", "b", 1, 9, 1, "x", "");
  g.EscreverCampo(fcTexto, "A03", "c", 1, 9, 0, "", "");
  g.EscreverGrupo("Volta/", "", true);
  g.EscreverGrupo("/a", "", true);
  // The listed tag is written one level back and, with Identar, raises it again.
  EXPECT_EQ(g.ArquivoFormatoXML(), "<?xml version=\"1.0\"?>\r\n<a>\r\n   <b>x</b>\r\n<Volta/>\r\n</a>\r\n");
  EXPECT_EQ(g.NivelAtual(), 0);
}

TEST(Gerador, SomenteValidarWritesGroupsButNoFields) {
  TGerador g;
  g.Opcoes().SomenteValidar = true;
  g.EscreverGrupo("ide", "B01", true);
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, "", "Natureza");
  g.EscreverCampo(fcTexto, "B27", "verProc", 1, 20, 1, "1.0", "");
  g.EscreverGrupo("/ide", "", true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<ide></ide>");
  EXPECT_EQ(g.ListaDeAlertas().size(), 1u);
}

TEST(Gerador, CNPJOrCPFByCountryAndLength) {
  struct Caso {
    std::string valor;
    int cPais;
    std::string xml;
    std::string alerta;
  };
  const Caso casos[] = {
      {" 11.222.333/0001-81 ", 1058, "<CNPJ>11222333000181</CNPJ>", ""},
      {"11222333000180", 1058, "<CNPJ>11222333000180</CNPJ>", Texto("ID:C02/CNPJ(CNPJ) - Conteúdo inválido."_cp)},
      {"111.444.777-35", 1058, "<CPF>11144477735</CPF>", ""},
      {"11144477734", 1058, "<CPF>11144477734</CPF>", Texto("ID:C02a/CPF(CPF) - Conteúdo inválido."_cp)},
      {"11222333000181", 0, "<CNPJ/>", ""},
      {"", 1058, "", "ID:C02-C02a/CNPJ-CPF(CNPJ/CPF) - Nenhum valor informado."},
      {"112223330001", 1058, "", "ID:C02-C02a/CNPJ-CPF(CNPJ/CPF) - Nenhum valor informado."},
  };
  for (const Caso& c : casos) {
    TGerador g;
    g.Opcoes().FormatoAlerta = "ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.";
    g.EscreverCNPJCPF("C02", "C02a", c.valor, c.cPais);
    EXPECT_EQ(g.ArquivoFormatoXML(), c.xml) << c.valor;
    EXPECT_EQ(g.ListaDeAlertas(), c.alerta.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.alerta})
        << c.valor;
  }
}

TEST(Gerador, SavesUtf8TextWithCrLfReplacingTheFile) {
  const auto dir = DiretorioTeste("salvar");
  const auto arquivo = dir / "nota-nfe.xml";
  {
    std::ofstream antigo(arquivo, std::ios::binary);
    antigo << "old content that is longer than the new one";
  }
  TGerador g;
  g.EscreverTexto("<a>S\xE3o Paulo \x80 \x01</a>");
  EXPECT_TRUE(g.SalvarArquivo(arquivo.string()));
  EXPECT_EQ(Ler(arquivo), "<a>S\xC3\xA3o Paulo \xE2\x82\xAC  </a>\r\n");
  // Long ASCII runs, and controls anywhere: tab, CR and LF stay, the others become spaces.
  g.Reiniciar();
  g.EscreverTexto(std::string(21, 'x') + "\x1F\t\r\n" + std::string(9, 'y') + "\x02\x9F\x0B");
  g.SalvarArquivo(arquivo.string());
  EXPECT_EQ(Ler(arquivo), std::string(21, 'x') + " \t\r\n" + std::string(9, 'y') + " \xC5\xB8 \r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left
}

TEST(Gerador, FailedSaveRaisesWithThePathAndKeepsTheTarget) {
  const auto dir = DiretorioTeste("falha");
  TGerador g;
  g.EscreverTexto("<a/>");
  const std::string semPasta = (dir / "nao-existe" / "x.xml").string();
  try {
    g.SalvarArquivo(semPasta);
    FAIL() << "no error";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(semPasta), std::string::npos) << e.what();
  }
  // A target that cannot be replaced stays as it was, and no temporary is left behind.
  const auto alvo = dir / "ocupado";
  std::filesystem::create_directories(alvo / "dentro");
  EXPECT_THROW(g.SalvarArquivo(alvo.string()), std::system_error);
  EXPECT_TRUE(std::filesystem::is_directory(alvo / "dentro"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

// Every conversion error of the lower layers is Portuguese and names the
// field or label and the value at fault.
TEST(ErroConversao, MessagesNameTheFieldAndTheValue) {
  struct Caso {
    const char* nome;
    std::function<void()> chamar;
    std::string_view esperada;
  };
  const auto campo = [](TkxnFormatoCampo tipo, TValorCampo valor) {
    return [tipo, valor] {
      TGerador g;
      g.EscreverCampo(tipo, "I10", "vUnCom", 1, 21, 1, valor, "Valor unitário"_cp);
    };
  };
  const std::vector<Caso> casos = {
      {"decimal field", campo(fcDecimal2, "12a"), "vUnCom (I10, Valor unitário): '12a' não é um número válido."_cp},
      {"integer field", campo(fcInteiro, "x"), "vUnCom (I10, Valor unitário): 'x' não é um número inteiro válido."_cp},
      {"date field", campo(fcData, "ontem"), "vUnCom (I10, Valor unitário): 'ontem' não é uma data válida."_cp},
      {"CNPJ", [] { ConferirCNPJ("1234567800019X"); },
       "CNPJ: '1234567800019X' tem um caractere que não é dígito na posição 14."_cp},
      {"key too short", [] { CodigoNumericoDaChave("NFe3511", 2.0); },
       "Chave de acesso: 'NFe3511' é curta demais para o código numérico (4 dígitos, são precisos 43)."_cp},
      {"negative number", [] { DerivarCodigoNumerico(-5); }, "Número da NF-e: '-5' é negativo."_cp},
      {"check digit", [] { UltimoDigito("NFe351X"); }, "Id da NF-e: 'NFe351X' não termina no dígito verificador."_cp},
      {"date", [] { CodificarDataHora(2011, 2, 30); }, "Data: '2011-2-30' não é uma data válida."_cp},
      {"time", [] { CodificarHora(25, 0, 0); }, "Hora: '25:0:0' não é uma hora válida."_cp},
      {"currency", [] { Currency::DeDecimal("1,2,3"); }, "Valor: '1,2,3' não é um valor monetário válido."_cp},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    try {
      c.chamar();
      ADD_FAILURE() << "no error";
    } catch (const ErroConversao& e) {
      EXPECT_EQ(std::string(e.what()), c.esperada);
    }
  }
}
