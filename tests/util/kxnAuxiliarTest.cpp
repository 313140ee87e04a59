#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>

#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"

namespace {

// The field preparation done the slow way, one replace-all after the other.
std::string SubstituirTodos(std::string texto, std::string_view de, std::string_view para) {
  for (std::size_t p = texto.find(de); p != std::string::npos; p = texto.find(de, p + para.size()))
    texto.replace(p, de.size(), para);
  return texto;
}

std::string PrepararPassoAPasso(bool espacos, std::string texto, bool acentos) {
  if (acentos) {
    const std::string_view com = "àâêôûãõáéíóúçüîäëïöèìòùÀÂÊÔÛÃÕÁÉÍÓÚÇÜÎÄËÏÖÈÌÒÙ"_cp;
    const std::string_view sem = "aaeouaoaeioucuiaeioeiouAAEOUAOAEIOUCUIAEIOEIOU";
    for (char& c : texto) {
      const std::size_t i = com.find(c);
      if (i != std::string_view::npos) c = sem[i];
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 32 || u > 126) c = ' ';
    }
  }
  texto = SubstituirTodos(texto, "&", "&amp;");
  texto = SubstituirTodos(texto, "<", "&lt;");
  texto = SubstituirTodos(texto, ">", "&gt;");
  texto = SubstituirTodos(texto, "\"", "&quot;");
  texto = SubstituirTodos(texto, "'", "&#39;");
  if (espacos)
    while (texto.find("  ") != std::string::npos) texto = SubstituirTodos(texto, "  ", " ");
  return Trim(texto);
}

}  // namespace

TEST(KxnAuxiliar, PrepararTextoXMLCases) {
  struct Caso {
    bool espacos, acentos;
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {false, false, "  A & B  ", "A &amp; B"},
      {true, false, "A  &  B", "A &amp; B"},
      {false, false, "A  B", "A  B"},
      {true, true, std::string("João"_cp), "Joao"},
      {false, true, std::string("ÀÉÎÕÜç"_cp), "AEIOUc"},
      {false, true, std::string("Ñ"_cp), ""},
      {false, true, std::string("aÑb"_cp), "a b"},
      {false, false, std::string("João"_cp), std::string("João"_cp)},
      {false, false, "&lt;", "&amp;lt;"},
      {false, false, "<a href=\"x\">'s", "&lt;a href=&quot;x&quot;&gt;&#39;s"},
      {false, true, "a\tb\r\n", "a b"},
      {false, false, "\ta\tb\r\n", "a\tb"},
      {true, true, "a\t\tb", "a b"},
      {true, false, "a\t\tb", "a\t\tb"},
      {false, false, "\xA0x\xA0", "\xA0x\xA0"},
      {false, true, "\xA0x\xA0", "x"},
      {true, true, "   ", ""},
      {true, true, "", ""},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(PrepararTextoXML(c.espacos, c.entrada, c.acentos), c.esperado)
        << "[" << c.entrada << "] espacos=" << c.espacos << " acentos=" << c.acentos;
}

TEST(KxnAuxiliar, PrepararTextoXMLMatchesStepByStepRules) {
  const std::string alfabeto = std::string(" &<>\"'a\t\r\n\x7F\xA0\x01") + std::string("ãÑÇ"_cp);
  std::mt19937 gerador(1234);
  std::uniform_int_distribution<std::size_t> letra(0, alfabeto.size() - 1), tamanho(0, 12);
  for (int n = 0; n < 3000; ++n) {
    std::string texto;
    for (std::size_t k = tamanho(gerador); k > 0; --k) texto += alfabeto[letra(gerador)];
    for (const bool espacos : {false, true})
      for (const bool acentos : {false, true})
        ASSERT_EQ(PrepararTextoXML(espacos, texto, acentos), PrepararPassoAPasso(espacos, texto, acentos))
            << "[" << texto << "] espacos=" << espacos << " acentos=" << acentos;
  }
}

TEST(KxnAuxiliar, TrimRemovesControlCharactersAndSpacesOnly) {
  EXPECT_EQ(Trim(" \t\r\nabc d \x01"), "abc d");
  EXPECT_EQ(Trim("\xA0x"), "\xA0x");
  EXPECT_EQ(Trim(" \x1F "), "");
}

TEST(KxnAuxiliar, DigitFilters) {
  EXPECT_EQ(ExtrairDigitos("11.222.333/0001-81"), "11222333000181");
  EXPECT_EQ(ExtrairDigitos("abc"), "");
  EXPECT_TRUE(TodosDigitos("0123456789"));
  EXPECT_TRUE(TodosDigitos(""));
  EXPECT_FALSE(TodosDigitos("12 3"));
  EXPECT_FALSE(TodosDigitos("-1"));
}

TEST(KxnAuxiliar, NumeroComZeros) {
  EXPECT_EQ(NumeroComZeros(123456, 3), "456");
  EXPECT_EQ(NumeroComZeros(5, 3), "005");
  EXPECT_EQ(NumeroComZeros(0, 1), "0");
  EXPECT_EQ(NumeroComZeros(123456789, 9), "123456789");
  EXPECT_EQ(NumeroComZeros(7, 0), "");
}

TEST(KxnAuxiliar, CompletarNumeroEndereco) {
  struct Caso {
    bool ajustar;
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {true, " 7 ", "007"}, {true, "12", "012"}, {true, " S/N ", "S/N"}, {true, "1234", "1234"},
      {true, "123", "123"}, {true, "1A", "1A"},  {true, "  ", ""},       {false, " 7 ", "7"},
  };
  for (const Caso& c : casos) EXPECT_EQ(CompletarNumeroEndereco(c.ajustar, c.entrada), c.esperado) << c.entrada;
}

TEST(KxnAuxiliar, SelecionarPicksByCondition) {
  EXPECT_EQ(Selecionar(true, std::string("sim"), "nao"), "sim");
  EXPECT_EQ(Selecionar(false, std::string("sim"), "nao"), "nao");
  EXPECT_DOUBLE_EQ(Selecionar(false, 1, 2.5), 2.5);
}

TEST(KxnAuxiliar, TextoEntre) {
  const std::string grupo = "infNFe versao=\"2.00\"";
  EXPECT_EQ(TextoEntre(grupo, "\"", "\""), "2.00");
  EXPECT_EQ(TextoEntre(grupo, " ", "="), "versao");
  EXPECT_EQ(TextoEntre(grupo, "x", "="), "");
  EXPECT_EQ(TextoEntre("a=b", "=", "="), "");  // Fim only before Inicio
  EXPECT_EQ(TextoEntre("[]", "[", "]"), "");
  EXPECT_EQ(TextoEntre("", "[", "]"), "");
}

TEST(KxnAuxiliar, TagNaListaMatchesPrefixes) {
  const std::string lista = "|?xml version|NFe xmlns|infNFe versao|obsCont|obsFisco|";
  struct Caso {
    std::string tag, lista;
    bool esperado;
  };
  const Caso casos[] = {
      {"obsCont xCampo=\"a\"", lista, true},
      {"obsCont", lista, true},
      {"/obsCont", lista, false},
      {"infNFe versao=\"2.00\" Id=\"NFe1\"", lista, true},
      {"obs", lista, false},
      {"obsCont", "obsCont", false},   // no "|" at all
      {"obsCont", "obsCont|", false},  // not enclosed
      {"obsCont", "||obsCont|", true},
      {"obsCont", "", false},
      {"", lista, false},
  };
  for (const Caso& c : casos) EXPECT_EQ(TagNaLista(c.tag, c.lista), c.esperado) << c.tag << " in " << c.lista;
}

TEST(KxnAuxiliar, UltimoDigito) {
  EXPECT_EQ(UltimoDigito("NFe123"), 3);
  EXPECT_EQ(UltimoDigito("0"), 0);
  EXPECT_THROW(UltimoDigito("12a"), ErroConversao);
  EXPECT_THROW(UltimoDigito(""), ErroConversao);
}

TEST(KxnAuxiliar, VersaoDoLeiaute) {
  struct Caso {
    TkxnSchema schema;
    int leiaute;
    std::string esperado;
  };
  const Caso casos[] = {
      {TsPL005c, 8, "1.10"},  {TsPL006, 8, "2.00"},       {TsPL005c, 0, "1.01"},      {TsPL005c, 36, "1.01"},
      {TsPL005c, 20, "1.07"}, {TsPL005c, 19, "1.10"},     {TsPL005c, 21, "1.03"},     {TsPL005c, 37, "1.03"},
      {TsPL005c, 38, "2.00"}, {TsPL006, 2, "2.00"},       {TsPL006, 38, "2.00"},      {TsPL006, 1, "0.00"},
      {TsPL006, 21, "0.00"},  {TsPL_CTe_103, 34, "1.03"}, {TsPL_CTe_104, 37, "1.04"}, {TsPL_CTe_104, 8, "0.00"},
      {TsPL005c, 39, "0.00"}, {TsPL005c, -1, "0.00"},
  };
  for (const Caso& c : casos) EXPECT_EQ(VersaoDoLeiaute(c.schema, c.leiaute), c.esperado) << c.leiaute;
}

// ---- Identifiers and access key ----

TEST(KxnAuxiliar, UFTables) {
  EXPECT_EQ(SiglaPorCodigoUF(35), "SP");
  EXPECT_EQ(SiglaPorCodigoUF(17), "TO");
  EXPECT_EQ(SiglaPorCodigoUF(99), "");
  EXPECT_EQ(CodigoPorSiglaUF("AC"), 12);
  EXPECT_EQ(CodigoPorSiglaUF("RS"), 43);
  EXPECT_EQ(CodigoPorSiglaUF("EX"), 0);
  EXPECT_EQ(CodigoPorSiglaUF("sp"), 0);
  EXPECT_TRUE(ConferirCodigoUF(53));
  EXPECT_FALSE(ConferirCodigoUF(0));
  for (const char* sigla : {"AC", "SP", "TO", "EX"}) EXPECT_TRUE(ConferirSiglaUF(sigla)) << sigla;
  for (const char* sigla : {"", "sp", "S", "AC.AL", "XX"}) EXPECT_FALSE(ConferirSiglaUF(sigla)) << sigla;
  int codigos = 0;
  for (int codigo = 0; codigo < 100; ++codigo) {
    if (!ConferirCodigoUF(codigo)) continue;
    ++codigos;
    EXPECT_EQ(CodigoPorSiglaUF(SiglaPorCodigoUF(codigo)), codigo);
  }
  EXPECT_EQ(codigos, 27);
}

TEST(KxnAuxiliar, ConferirCNPJ) {
  EXPECT_TRUE(ConferirCNPJ("11222333000181"));
  EXPECT_TRUE(ConferirCNPJ("00000000000000"));
  EXPECT_FALSE(ConferirCNPJ("11222333000182"));
  EXPECT_FALSE(ConferirCNPJ("11222333000191"));
  EXPECT_FALSE(ConferirCNPJ("1122233300018"));
  EXPECT_FALSE(ConferirCNPJ(""));
  EXPECT_THROW(ConferirCNPJ("11.22233300018"), ErroConversao);
}

TEST(KxnAuxiliar, ConferirCPF) {
  EXPECT_TRUE(ConferirCPF("52998224725"));
  EXPECT_TRUE(ConferirCPF("11111111111"));  // repeated digits are not rejected
  EXPECT_FALSE(ConferirCPF("52998224724"));
  EXPECT_FALSE(ConferirCPF("52998224735"));
  EXPECT_FALSE(ConferirCPF("5299822472"));
  EXPECT_THROW(ConferirCPF("5299822472a"), ErroConversao);
}

namespace {
const std::string kChaveDerivada = "NFe35100211222333000181550010000001231818376104";
constexpr double k1DeFevereiroDe2010 = 40210;  // TDateTime
}  // namespace

TEST(KxnAuxiliar, CalcularDigitoChave) {
  int digito = -1;
  EXPECT_TRUE(CalcularDigitoChave(digito, kChaveDerivada.substr(3, 43)));
  EXPECT_EQ(digito, 4);
  EXPECT_TRUE(CalcularDigitoChave(digito, "NFe" + kChaveDerivada.substr(3, 43)));  // only digits count
  EXPECT_EQ(digito, 4);
  EXPECT_FALSE(CalcularDigitoChave(digito, kChaveDerivada.substr(3, 42)));
  EXPECT_EQ(digito, 0);
  EXPECT_FALSE(CalcularDigitoChave(digito, kChaveDerivada.substr(3, 43) + "9"));
  EXPECT_EQ(digito, 4);
}

TEST(KxnAuxiliar, DerivarCodigoNumerico) {
  EXPECT_EQ(DerivarCodigoNumerico(123), 81837610);
  EXPECT_EQ(DerivarCodigoNumerico(1), 17204277);
  EXPECT_EQ(DerivarCodigoNumerico(123), DerivarCodigoNumerico(123));
  EXPECT_THROW(DerivarCodigoNumerico(-1), ErroConversao);
}

TEST(KxnAuxiliar, ComporChaveAcessoFixedCodes) {
  std::string chave = "lixo";
  EXPECT_TRUE(ComporChaveAcesso(chave, 35, -1, 55, 1, 123, 1, k1DeFevereiroDe2010, "11.222.333/0001-81"));
  EXPECT_EQ(chave, kChaveDerivada);
  EXPECT_TRUE(ConferirChaveAcesso(chave));

  // A CPF is padded with zeros on the right.
  EXPECT_TRUE(ComporChaveAcesso(chave, 35, 7, 55, 1, 123, 1, k1DeFevereiroDe2010, "123.456.789-00"));
  EXPECT_EQ(chave, "NFe35100212345678900000550010000001231000000070");

  EXPECT_TRUE(ComporChaveAcessoSemTipoEmissao(chave, 35, 12345678, 55, 1, 123, k1DeFevereiroDe2010, "11222333000181"));
  EXPECT_EQ(chave, "NFe35100211222333000181550010000001230123456780");
  EXPECT_EQ(CodigoNumericoDaChave(chave, 1.10), 12345678);
}

TEST(KxnAuxiliar, ComporChaveAcessoRandomCodeDiffersPerCall) {
  std::set<std::string> chaves;
  for (int i = 0; i < 20; ++i) {
    std::string chave;
    ASSERT_TRUE(ComporChaveAcesso(chave, 35, 0, 55, 1, 123, 1, k1DeFevereiroDe2010, "11222333000181"));
    ASSERT_EQ(chave.size(), 47u);
    EXPECT_TRUE(ConferirChaveAcesso(chave)) << chave;
    EXPECT_NE(CodigoNumericoDaChave(chave, 2.00), 0);
    chaves.insert(chave);
  }
  EXPECT_EQ(chaves.size(), 20u);
  std::string semTipo;
  ASSERT_TRUE(ComporChaveAcessoSemTipoEmissao(semTipo, 35, 0, 55, 1, 123, k1DeFevereiroDe2010, "11222333000181"));
  EXPECT_EQ(semTipo.size(), 47u);
}

TEST(KxnAuxiliar, ComporChaveAcessoFailsWithEmptyKey) {
  std::string chave = "lixo";
  EXPECT_FALSE(ComporChaveAcesso(chave, 35, 5, 55, 1, -123, 1, k1DeFevereiroDe2010, "11222333000181"));
  EXPECT_EQ(chave, "");
  chave = "lixo";
  EXPECT_FALSE(ComporChaveAcesso(chave, 35, -1, 55, 1, -123, 1, k1DeFevereiroDe2010, "11222333000181"));
  EXPECT_EQ(chave, "");
  EXPECT_FALSE(ComporChaveAcessoSemTipoEmissao(chave, 35, -5, 55, 1, 1, k1DeFevereiroDe2010, "11222333000181"));
  EXPECT_EQ(chave, "");
}

// Padding keeps the last digits of a field, so a negative one would lose its
// sign and compose the key of another document (tpEmis -1 as 1, cUF -35 as 35).
TEST(KxnAuxiliar, ComporChaveAcessoRejectsEveryNegativeField) {
  struct Caso {
    const char* campo;
    int cUF, cNF, modelo, serie, nNF, tpEmis;
  };
  const Caso casos[] = {
      {"cUF", -35, 7, 55, 1, 123, 1},    {"cNF", 35, -7, 55, 1, 123, 1},   {"cNF -2", 35, -2, 55, 1, 123, 1},
      {"modelo", 35, 7, -55, 1, 123, 1}, {"serie", 35, 7, 55, -1, 123, 1}, {"nNF", 35, 7, 55, 1, -123, 1},
      {"tpEmis", 35, 7, 55, 1, 123, -1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.campo);
    std::string chave = "lixo";
    EXPECT_FALSE(ComporChaveAcesso(chave, c.cUF, c.cNF, c.modelo, c.serie, c.nNF, c.tpEmis, k1DeFevereiroDe2010,
                                   "11222333000181"));
    EXPECT_EQ(chave, "");
    if (std::string_view(c.campo) == "tpEmis") continue;
    chave = "lixo";
    EXPECT_FALSE(ComporChaveAcessoSemTipoEmissao(chave, c.cUF, c.cNF, c.modelo, c.serie, c.nNF, k1DeFevereiroDe2010,
                                                 "11222333000181"));
    EXPECT_EQ(chave, "");
  }
  // The same fields with their signs dropped still compose.
  std::string chave;
  EXPECT_TRUE(ComporChaveAcesso(chave, 35, 7, 55, 1, 123, 1, k1DeFevereiroDe2010, "11222333000181"));
}

TEST(KxnAuxiliar, CodigoNumericoDaChave) {
  EXPECT_EQ(CodigoNumericoDaChave(kChaveDerivada, 2.00), 81837610);
  EXPECT_EQ(CodigoNumericoDaChave(kChaveDerivada.substr(3), 3.10), 81837610);
  EXPECT_THROW(CodigoNumericoDaChave(kChaveDerivada.substr(0, 45), 2.00), ErroConversao);
  EXPECT_THROW(CodigoNumericoDaChave("", 1.10), ErroConversao);
}

TEST(KxnAuxiliar, ConferirChaveAcesso) {
  struct Caso {
    std::string chave;
    bool esperado;
  };
  const Caso casos[] = {
      {kChaveDerivada, true},
      {"NFe35100211222333000181550010000001231000000000", true},
      {"NFe35100211222333000181550010000001231818376105", false},  // check digit
      {"NFe99100211222333000181550010000001231000000008", false},  // UF 99
      {"NFe35101311222333000181550010000001231000000007", false},  // month 13
      {"NFe35100211222333000182550010000001231000000002", false},  // CNPJ
      {"NFe3510021122233300018.550010000001231000000000", false},  // non-digit in the CNPJ part
      {"nfe35100211222333000181550010000001231818376104", false},
      {"35100211222333000181550010000001231818376104", false},
      {kChaveDerivada + "4", false},
      {"NFe", false},
      {"", false},
  };
  for (const Caso& c : casos) EXPECT_EQ(ConferirChaveAcesso(c.chave), c.esperado) << c.chave;
}

TEST(KxnAuxiliar, ConferirAnoMesAndModelo) {
  EXPECT_TRUE(ConferirAnoMes("1012"));
  EXPECT_TRUE(ConferirAnoMes("0001"));
  EXPECT_FALSE(ConferirAnoMes("1013"));
  EXPECT_FALSE(ConferirAnoMes("1000"));
  EXPECT_FALSE(ConferirAnoMes("1a12"));
  EXPECT_FALSE(ConferirAnoMes("101"));
  EXPECT_TRUE(ConferirModeloNF(1));
  EXPECT_FALSE(ConferirModeloNF(55));
}

// ---- Code lists and state registrations ----

TEST(KxnAuxiliar, ConferirCodigoMunicipio) {
  EXPECT_TRUE(ConferirCodigoMunicipio(9999999));
  for (const int excecao : {2201919, 2202251, 2201988, 2611533, 3117836, 3152131, 4305871, 5203939, 5203962})
    EXPECT_TRUE(ConferirCodigoMunicipio(excecao)) << excecao;
  EXPECT_FALSE(ConferirCodigoMunicipio(2201910));  // shares six digits with an excepted code
  EXPECT_TRUE(ConferirCodigoMunicipio(3550308));   // Sao Paulo
  EXPECT_TRUE(ConferirCodigoMunicipio(3304557));   // Rio de Janeiro
  EXPECT_TRUE(ConferirCodigoMunicipio(4314902));   // Porto Alegre
  EXPECT_FALSE(ConferirCodigoMunicipio(3550300));
  EXPECT_FALSE(ConferirCodigoMunicipio(3500006));  // digits 3-6 "0000", check digit right
  EXPECT_FALSE(ConferirCodigoMunicipio(9912345));
  EXPECT_FALSE(ConferirCodigoMunicipio(355030));
  EXPECT_FALSE(ConferirCodigoMunicipio(-355030));
}

TEST(KxnAuxiliar, ConferirCodigoPais) {
  EXPECT_EQ(ConferirCodigoPais(1058), 1);
  EXPECT_EQ(ConferirCodigoPais(132), 1);
  EXPECT_EQ(ConferirCodigoPais(6653), 1);
  EXPECT_EQ(ConferirCodigoPais(0), 0);
  EXPECT_EQ(ConferirCodigoPais(19), 0);
  EXPECT_EQ(ConferirCodigoPais(18), -1);
  EXPECT_EQ(ConferirCodigoPais(-1), -1);
  EXPECT_EQ(ConferirCodigoPais(9997), 0);
  // Codes have four digits at most: longer or negative ones are no country,
  // even when their last four digits are Brazil's.
  for (const int codigo : {11058, 91058, -1058, -132, 10000, -9999, INT32_MAX, INT32_MIN})
    EXPECT_EQ(ConferirCodigoPais(codigo), -1) << codigo;
}

TEST(KxnAuxiliar, ConferirItemServico) {
  for (const int item : {101, 108, 201, 716, 1708, 1724, 2504, 4001}) EXPECT_TRUE(ConferirItemServico(item)) << item;
  for (const int item : {0, 100, 109, 202, 301, 714, 715, 1707, 4002}) EXPECT_FALSE(ConferirItemServico(item)) << item;
  int total = 0;
  for (int item = 0; item < 5000; ++item) total += ConferirItemServico(item);
  EXPECT_EQ(total, 193);
}

TEST(KxnAuxiliar, ConferirSUFRAMA) {
  EXPECT_TRUE(ConferirSUFRAMA("100100009"));
  EXPECT_TRUE(ConferirSUFRAMA("601234566"));
  EXPECT_TRUE(ConferirSUFRAMA("200000002 x"));
  EXPECT_FALSE(ConferirSUFRAMA("100100008"));
  EXPECT_FALSE(ConferirSUFRAMA("12345678"));
  EXPECT_FALSE(ConferirSUFRAMA(""));
  EXPECT_THROW(ConferirSUFRAMA("10.010.0009"), ErroConversao);
}

TEST(KxnAuxiliar, ConferirInscricaoEstadualKnownRegistrations) {
  struct Caso {
    std::string uf, ie;
    std::size_t verificador = std::string::npos;  // a check digit's place, when not the last character
  };
  const Caso validas[] = {
      {"AC", "0100482300112"}, {"AC", "01.004.823/001-12"},   {"AL", "240000048"},
      {"AP", "030123459"},     {"AP", "030180009"},           {"AP", "030200008"},
      {"AM", "041559487"},     {"BA", "123456-63"},           {"BA", "612345-57"},
      {"CE", "06000001-5"},    {"DF", "0730000100109"},       {"ES", "082123454"},
      {"GO", "10.987.654-7"},  {"MA", "120000385"},           {"MT", "0013000001-9"},
      {"MS", "280000006"},     {"MG", "062.307.904/0081"},    {"PA", "15-999999-5"},
      {"PB", "160123453"},     {"PR", "123.45678-50"},        {"PE", "18.1.001.0000004-9"},
      {"PE", "0321418-40"},    {"PI", "19.301.656-7"},        {"RJ", "99.999.99-3"},
      {"RN", "20.040.040-1"},  {"RN", "20.0.040.040-0"},      {"RS", "224/3658792"},
      {"RO", "101.62521-3"},   {"RO", "0000000062521-3"},     {"RR", "24006628-1"},
      {"SC", "251.040.852"},   {"SP", "110.042.490.114", 10}, {"SP", "P-01100424.3/002", 11},
      {"SE", "27123456-3"},    {"TO", "290227836"},           {"T0", "29000000009"},
  };
  for (const Caso& c : validas) {
    EXPECT_TRUE(ConferirInscricaoEstadual(c.ie, c.uf, false)) << c.uf << " " << c.ie;
    // Another check digit makes it invalid.
    std::string errada = c.ie;
    char& digito = c.verificador == std::string::npos ? errada.back() : errada[c.verificador];
    digito = static_cast<char>('0' + (digito - '0' + 1) % 10);
    EXPECT_FALSE(ConferirInscricaoEstadual(errada, c.uf, false)) << c.uf << " " << errada;
  }
}

TEST(KxnAuxiliar, ConferirInscricaoEstadualComputedElevenBecomesTheEntrysG) {
  struct Caso {
    std::string uf, ie;
    bool esperado;
  };
  // The valid numbers here compute 11 for their check digit (one 10): the entries whose
  // G is 1 want a 1 there, the others a 0.
  const Caso casos[] = {
      {"GO", "100000011", true},       {"GO", "100000010", true},   // two GO entries, G 1 and G 0
      {"AP", "030170071", true},       {"AP", "030170070", false},  // between the two AP ranges
      {"RO", "100000001", true},       {"RO", "100000000", false}, {"PE", "18000000000091", true},
      {"PE", "18000000000090", false}, {"AC", "010000100", true},  {"AC", "010000101", false},  // G 0
      {"AC", "010000020", true},       {"AC", "010000021", false},                              // 10 becomes 0 as well
  };
  for (const Caso& c : casos)
    EXPECT_EQ(ConferirInscricaoEstadual(c.ie, c.uf, false), c.esperado) << c.uf << " " << c.ie;
}

TEST(KxnAuxiliar, ConferirInscricaoEstadualIsentoAndEmpty) {
  const char* ufs[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO", "MA", "MT", "MS", "MG", "PA",
                       "PB", "PR", "PE", "PI", "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO", "EX"};
  for (const char* uf : ufs) {
    EXPECT_TRUE(ConferirInscricaoEstadual("ISENTO", uf, false)) << uf;
    EXPECT_TRUE(ConferirInscricaoEstadual(" isento ", uf, false)) << uf;
    EXPECT_TRUE(ConferirInscricaoEstadual("Em Andamento", uf, false)) << uf;
    EXPECT_EQ(ConferirInscricaoEstadual("", uf, false), std::string_view(uf) == "EX") << uf;
    EXPECT_EQ(ConferirInscricaoEstadual("  ", uf, false), std::string_view(uf) == "EX") << uf;
    EXPECT_FALSE(ConferirInscricaoEstadual("ABC", uf, false)) << uf;  // no digit at all
  }
  EXPECT_TRUE(ConferirInscricaoEstadual("00000000000000", "EX", false));
  EXPECT_FALSE(ConferirInscricaoEstadual("240000048", "EX", false));
}

TEST(KxnAuxiliar, ConferirInscricaoEstadualLengthsAndFirstDigits) {
  EXPECT_FALSE(ConferirInscricaoEstadual("01004823001120", "AC", false));  // more digits than every AC mask
  EXPECT_TRUE(ConferirInscricaoEstadual("62521-3", "RO", false));          // padded with zeros
  EXPECT_TRUE(ConferirInscricaoEstadual("130000019", "MT", false));
  // Only the digits of the first 30 characters count.
  EXPECT_TRUE(ConferirInscricaoEstadual("24000004-8" + std::string(20, ' ') + "9", "AL", false));
  // AL requires a first digit 2 unless the start is ignored.
  EXPECT_FALSE(ConferirInscricaoEstadual("140000046", "AL", false));
  EXPECT_TRUE(ConferirInscricaoEstadual("140000046", "AL", true));
  // A BA number computed with modulus 11 must start with 6, 7 or 9.
  EXPECT_FALSE(ConferirInscricaoEstadual("112345-89", "BA", false));
  EXPECT_TRUE(ConferirInscricaoEstadual("112345-89", "BA", true));
}

TEST(KxnAuxiliar, ConferirInscricaoEstadualAmapaNeedsAPlainNumber) {
  EXPECT_THROW(ConferirInscricaoEstadual("03.012.345-9", "AP", false), ErroConversao);
  EXPECT_NO_THROW(ConferirInscricaoEstadual("03.012.345-9", "AM", false));
  EXPECT_FALSE(ConferirInscricaoEstadual("030123450", "AP", false));
  // A sign is no digit: "-030123459" must not read as a number of the first range.
  for (const char* ie : {"-030123459", "+030123459", "-30190231", "+30190231"})
    EXPECT_THROW(ConferirInscricaoEstadual(ie, "AP", false), ErroConversao) << ie;
  EXPECT_TRUE(ConferirInscricaoEstadual("030123459", "AP", false));
}
