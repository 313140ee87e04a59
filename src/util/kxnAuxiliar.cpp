#include "util/kxnAuxiliar.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>

#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/ZoltUtil.h"

namespace {

constexpr bool EhBranco(char c) { return static_cast<unsigned char>(c) <= 32; }

// Digit value of the character at `i` of `valor`, which must be a digit; the
// error names the field and the value.
int ValorDigito(std::string_view campo, std::string_view valor, std::size_t i) {
  const char c = valor[i];
  if (!EhDigito(c))
    throw ErroConversao(std::string(campo) + ": '" + std::string(valor) + "' " +
                        std::string("tem um caractere que não é dígito na posição "_cp) + std::to_string(i + 1) + ".");
  return c - '0';
}

// Mod-11 check digit: 11 - (S mod 11), 0 when the rest is 0 or 1.
int DigitoModulo11(int soma) {
  const int resto = soma % 11;
  return resto <= 1 ? 0 : 11 - resto;
}

// Byte mapping of the accent removal: accented letters to plain ones, every
// other byte outside 32..126 to a space.
constexpr std::array<unsigned char, 256> MontarTabelaSemAcento() {
  constexpr std::string_view acentuadas = "àâêôûãõáéíóúçüîäëïöèìòùÀÂÊÔÛÃÕÁÉÍÓÚÇÜÎÄËÏÖÈÌÒÙ"_cp;
  constexpr std::string_view simples = "aaeouaoaeioucuiaeioeiouAAEOUAOAEIOUCUIAEIOEIOU";
  static_assert(acentuadas.size() == 46 && simples.size() == 46);
  std::array<unsigned char, 256> tabela{};
  for (int c = 0; c < 256; ++c) tabela[c] = (c >= 32 && c <= 126) ? static_cast<unsigned char>(c) : ' ';
  for (std::size_t i = 0; i < acentuadas.size(); ++i)
    tabela[static_cast<unsigned char>(acentuadas[i])] = static_cast<unsigned char>(simples[i]);
  return tabela;
}
constexpr std::array<unsigned char, 256> kSemAcento = MontarTabelaSemAcento();

constexpr std::string_view EntidadeXML(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return {};
  }
}

struct UF {
  std::string_view sigla;
  int codigo;
};
// clang-format off
constexpr std::array<UF, 27> kUFs = {{
    {"AC", 12}, {"AL", 27}, {"AP", 16}, {"AM", 13}, {"BA", 29}, {"CE", 23}, {"DF", 53},
    {"ES", 32}, {"GO", 52}, {"MA", 21}, {"MT", 51}, {"MS", 50}, {"MG", 31}, {"PA", 15},
    {"PB", 25}, {"PR", 41}, {"PE", 26}, {"PI", 22}, {"RJ", 33}, {"RN", 24}, {"RS", 43},
    {"RO", 11}, {"RR", 14}, {"SC", 42}, {"SP", 35}, {"SE", 28}, {"TO", 17},
}};
// clang-format on

}  // namespace

// ---- Text and number helpers ----

std::string_view Aparar(std::string_view Texto) {
  while (!Texto.empty() && EhBranco(Texto.front())) Texto.remove_prefix(1);
  while (!Texto.empty() && EhBranco(Texto.back())) Texto.remove_suffix(1);
  return Texto;
}

std::string Trim(std::string_view Texto) { return std::string(Aparar(Texto)); }

void AnexarTextoXML(std::string& destino, bool RetirarEspacos, std::string_view Texto, bool RetirarAcentos) {
  // One pass doing accent removal, escaping, space collapsing and trimming at once;
  // escaping adds no spaces, so the order of the steps does not change the result.
  const std::size_t inicio = destino.size();
  for (const char original : Texto) {
    const char c = RetirarAcentos ? static_cast<char>(kSemAcento[static_cast<unsigned char>(original)]) : original;
    if (destino.size() == inicio && EhBranco(c)) continue;  // leading trim
    if (c == ' ' && RetirarEspacos && destino.back() == ' ') continue;
    const std::string_view entidade = EntidadeXML(c);
    if (entidade.empty())
      destino += c;
    else
      destino += entidade;
  }
  while (destino.size() > inicio && EhBranco(destino.back())) destino.pop_back();
}

std::string PrepararTextoXML(bool RetirarEspacos, std::string_view Texto, bool RetirarAcentos) {
  std::string saida;
  saida.reserve(Texto.size() + 8);
  AnexarTextoXML(saida, RetirarEspacos, Texto, RetirarAcentos);
  return saida;
}

std::string ExtrairDigitos(std::string_view Texto) {
  std::string saida;
  saida.reserve(Texto.size());
  for (const char c : Texto)
    if (EhDigito(c)) saida += c;
  return saida;
}

bool TodosDigitos(std::string_view Texto) {
  for (const char c : Texto)
    if (!EhDigito(c)) return false;
  return true;
}

std::string NumeroComZeros(long long Numero, int Tamanho) {
  if (Tamanho <= 0) return {};
  const std::string texto = std::string(static_cast<std::size_t>(Tamanho), '0') + std::to_string(Numero);
  return texto.substr(texto.size() - static_cast<std::size_t>(Tamanho));
}

std::string CompletarNumeroEndereco(bool Ajustar, std::string_view Numero) {
  std::string numero = Trim(Numero);
  if (Ajustar && TodosDigitos(numero)) {
    if (numero.size() == 1)
      numero.insert(0, "00");
    else if (numero.size() == 2)
      numero.insert(0, "0");
  }
  return numero;
}

std::string TextoEntre(std::string_view Texto, std::string_view Inicio, std::string_view Fim) {
  if (Inicio.empty() || Fim.empty()) return {};
  const std::size_t posInicio = Texto.find(Inicio);
  if (posInicio == std::string_view::npos) return {};
  const std::size_t comeco = posInicio + Inicio.size();
  const std::size_t posFim = Texto.find(Fim, comeco);
  if (posFim == std::string_view::npos) return {};
  return std::string(Texto.substr(comeco, posFim - comeco));
}

bool TagNaLista(std::string_view Tag, std::string_view Lista) {
  std::size_t abre = Lista.find('|');
  while (abre != std::string_view::npos) {
    const std::size_t fecha = Lista.find('|', abre + 1);
    if (fecha == std::string_view::npos) break;
    const std::string_view item = Lista.substr(abre + 1, fecha - abre - 1);
    if (!item.empty()) {
      // "|" + item inside "|" + Tag: a prefix of the tag, or a piece after a "|" in it.
      if (Tag.starts_with(item)) return true;
      for (std::size_t barra = Tag.find('|'); barra != std::string_view::npos; barra = Tag.find('|', barra + 1))
        if (Tag.substr(barra + 1).starts_with(item)) return true;
    }
    abre = fecha;
  }
  return false;
}

int UltimoDigito(std::string_view Texto) {
  if (Texto.empty() || !EhDigito(Texto.back()))
    throw ErroConversao("Id da NF-e: '" + std::string(Texto) + "' " +
                        std::string("não termina no dígito verificador."_cp));
  return Texto.back() - '0';
}

std::string VersaoDoLeiaute(TkxnSchema Schema, int Leiaute) {
  struct Linha {
    TkxnSchema schema;
    std::uint64_t leiautes;  // bit n set: Leiaute n
    std::string_view versao;
  };
  constexpr auto Valores = [](std::initializer_list<int> valores) {
    std::uint64_t bits = 0;
    for (const int v : valores) bits |= std::uint64_t{1} << v;
    return bits;
  };
  constexpr auto Faixa = [](int de, int ate) {
    std::uint64_t bits = 0;
    for (int v = de; v <= ate; ++v) bits |= std::uint64_t{1} << v;
    return bits;
  };
  static constexpr Linha kTabela[] = {
      {TsPL005c, Valores({0, 1, 3, 11, 13, 35, 36}), "1.01"},
      {TsPL005c, Valores({2, 5, 6, 7, 10, 12, 15, 16, 18, 20}), "1.07"},
      {TsPL005c, Valores({4, 8, 9, 14, 17, 19}), "1.10"},
      {TsPL005c, Faixa(21, 34) | Valores({37}), "1.03"},
      {TsPL005c, Valores({38}), "2.00"},
      {TsPL006, Faixa(2, 20) | Valores({35, 36, 38}), "2.00"},
      {TsPL_CTe_103, Faixa(21, 34) | Valores({37}), "1.03"},
      {TsPL_CTe_104, Faixa(21, 34) | Valores({37}), "1.04"},
  };
  if (Leiaute >= 0 && Leiaute <= 38)
    for (const Linha& linha : kTabela)
      if (linha.schema == Schema && (linha.leiautes >> Leiaute & 1)) return std::string(linha.versao);
  return "0.00";
}

// ---- Fiscal identifiers and access key ----

bool ConferirCodigoUF(int Codigo) {
  for (const UF& uf : kUFs)
    if (uf.codigo == Codigo) return true;
  return false;
}

bool ConferirSiglaUF(std::string_view Sigla) {
  if (Sigla == "EX") return true;
  for (const UF& uf : kUFs)
    if (uf.sigla == Sigla) return true;
  return false;
}

std::string SiglaPorCodigoUF(int Codigo) {
  for (const UF& uf : kUFs)
    if (uf.codigo == Codigo) return std::string(uf.sigla);
  return {};
}

int CodigoPorSiglaUF(std::string_view Sigla) {
  for (const UF& uf : kUFs)
    if (uf.sigla == Sigla) return uf.codigo;
  return 0;
}

bool ConferirCNPJ(std::string_view CNPJ) {
  if (CNPJ.size() != 14) return false;
  static constexpr int kPesos[13] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int digitos[14];
  for (int i = 0; i < 14; ++i) digitos[i] = ValorDigito("CNPJ", CNPJ, static_cast<std::size_t>(i));
  int soma1 = 0, soma2 = 0;
  for (int i = 0; i < 12; ++i) soma1 += digitos[i] * kPesos[i + 1];
  for (int i = 0; i < 13; ++i) soma2 += digitos[i] * kPesos[i];
  return digitos[12] * 10 + digitos[13] == DigitoModulo11(soma1) * 10 + DigitoModulo11(soma2);
}

bool ConferirCPF(std::string_view CPF) {
  if (CPF.size() != 11) return false;
  int digitos[11];
  for (int i = 0; i < 11; ++i) digitos[i] = ValorDigito("CPF", CPF, static_cast<std::size_t>(i));
  int soma1 = 0, soma2 = 0;
  for (int i = 0; i < 9; ++i) {
    soma1 += digitos[i] * (10 - i);
    soma2 += digitos[i] * (11 - i);
  }
  const int primeiro = DigitoModulo11(soma1);
  soma2 += primeiro * 2;
  return digitos[9] * 10 + digitos[10] == primeiro * 10 + DigitoModulo11(soma2);
}

bool CalcularDigitoChave(int& Digito, std::string_view Chave) {
  static constexpr std::string_view kPesos = "4329876543298765432987654329876543298765432";
  const std::string digitos = ExtrairDigitos(Chave);
  Digito = 0;
  if (digitos.size() < kPesos.size()) return false;
  int soma = 0;
  for (std::size_t i = 0; i < kPesos.size(); ++i) soma += (digitos[i] - '0') * (kPesos[i] - '0');
  Digito = DigitoModulo11(soma);
  return digitos.size() == kPesos.size();
}

namespace {

// One generator per thread, seeded once from the system's entropy source: two
// keys composed in the same clock tick must not share their "random" code, and
// pages converted side by side must not race on one generator.
int CodigoAleatorio(int maximo) {
  thread_local std::mt19937 gerador{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, maximo)(gerador);
}

// Year and month of a TDateTime (days since 1899-12-30; the integer part is the day).
bool AnoMes(double data, int& ano, int& mes) {
  if (!std::isfinite(data) || std::fabs(data) > 3.0e6) return false;
  using namespace std::chrono;
  const year_month_day ymd{sys_days{year{1899} / December / 30} + days{static_cast<long>(std::trunc(data))}};
  ano = int(ymd.year());
  mes = int(unsigned(ymd.month()));
  return true;
}

bool ComporChave(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, const int* tpEmis, double dEmi,
                 std::string_view CNPJ) {
  Chave.clear();
  // Padding keeps only the last digits of a field: a minus sign would be cut
  // off and the key would read as that of another document.
  if (cUF < 0 || cNF < -1 || modelo < 0 || serie < 0 || nNF < 0 || (tpEmis && *tpEmis < 0)) return false;
  try {
    const int maximo = tpEmis ? 99999998 : 999999998;
    int codigo = cNF;
    while (codigo == 0) codigo = CodigoAleatorio(maximo);
    if (codigo == -1) codigo = DerivarCodigoNumerico(nNF);
    int ano = 0, mes = 0;
    if (!AnoMes(dEmi, ano, mes)) return false;
    std::string chave = "NFe";
    chave += NumeroComZeros(cUF, 2);
    chave += NumeroComZeros(ano % 100, 2);
    chave += NumeroComZeros(mes, 2);
    chave += (ExtrairDigitos(CNPJ) + "00000000000000").substr(0, 14);
    chave += NumeroComZeros(modelo, 2);
    chave += NumeroComZeros(serie, 3);
    chave += NumeroComZeros(nNF, 9);
    if (tpEmis) chave += NumeroComZeros(*tpEmis, 1);
    chave += NumeroComZeros(codigo, tpEmis ? 8 : 9);
    int digito = 0;
    if (!CalcularDigitoChave(digito, chave.substr(3))) return false;
    Chave = chave + std::to_string(digito);
    return true;
  } catch (const std::exception&) {
    Chave.clear();
    return false;
  }
}

}  // namespace

bool ComporChaveAcesso(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, int tpEmis, double dEmi,
                       std::string_view CNPJ) {
  return ComporChave(Chave, cUF, cNF, modelo, serie, nNF, &tpEmis, dEmi, CNPJ);
}

bool ComporChaveAcessoSemTipoEmissao(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, double dEmi,
                                     std::string_view CNPJ) {
  return ComporChave(Chave, cUF, cNF, modelo, serie, nNF, nullptr, dEmi, CNPJ);
}

int DerivarCodigoNumerico(int Numero) {
  if (Numero < 0)
    throw ErroConversao(std::string("Número da NF-e: '"_cp) + std::to_string(Numero) + "' " +
                        std::string("é negativo."_cp));
  std::string texto;
  const std::string numero = std::to_string(Numero);
  for (int i = 0; i < 10; ++i) texto += numero;
  for (int vez = 0; vez < 9; ++vez) {
    int soma = 0;
    for (int k = 0; k < 9; ++k) soma += (texto[k] - '0') * (k + 2);
    texto.insert(0, std::to_string(soma % 11));
  }
  return std::stoi(texto.substr(0, 8));
}

int CodigoNumericoDaChave(std::string_view Chave, double Versao) {
  const std::string digitos = ExtrairDigitos(Chave);
  const std::size_t inicio = Versao >= 2.0 ? 35 : 34;
  const std::size_t tamanho = Versao >= 2.0 ? 8 : 9;
  if (digitos.size() < inicio + tamanho)
    throw ErroConversao("Chave de acesso: '" + std::string(Chave) + "' " +
                        std::string("é curta demais para o código numérico ("_cp) + std::to_string(digitos.size()) +
                        std::string(" dígitos, são precisos "_cp) + std::to_string(inicio + tamanho) + ").");
  return std::stoi(digitos.substr(inicio, tamanho));
}

bool ConferirChaveAcesso(std::string_view Chave) {
  // Exactly "NFe" + 44 characters: a longer text must not pass on a stray last digit.
  if (Chave.size() != 47 || !Chave.starts_with("NFe")) return false;
  try {
    const std::string_view chave = Chave.substr(3);
    int digito = 0;
    if (!CalcularDigitoChave(digito, chave.substr(0, 43))) return false;
    if (chave[43] != char('0' + digito)) return false;
    if (!ConferirCodigoUF(std::stoi(std::string(chave.substr(0, 2))))) return false;
    if (!ConferirAnoMes(chave.substr(2, 4))) return false;
    return ConferirCNPJ(chave.substr(6, 14));
  } catch (const std::exception&) {
    return false;
  }
}

bool ConferirAnoMes(std::string_view AAMM) {
  if (AAMM.size() != 4 || !TodosDigitos(AAMM)) return false;
  const int mes = (AAMM[2] - '0') * 10 + (AAMM[3] - '0');
  return mes >= 1 && mes <= 12;
}

bool ConferirModeloNF(int Modelo) { return Modelo == 1; }

// ---- Code-list and state-registration validators ----

namespace {

// Municipalities whose codes break the check-digit rule; matched on their first six digits.
constexpr std::string_view kMunicipiosExcecao =
    "|2201919|2202251|2201988|2611533|3117836|3152131|4305871|5203939|5203962|";

// A non-empty text of digits only (the decimal text of a negative code is not).
bool TextoNumerico(const std::string& texto) { return !texto.empty() && TodosDigitos(texto); }

// clang-format off
constexpr std::array<std::string_view, 240> kPaises = {
    "0132", "7560", "0175", "0230", "0370", "0400", "0418", "0434", "0477", "0531", "0590", "0639", "0647", "0655", "0698", "0728",
    "0736", "0779", "0809", "0817", "0833", "0850", "0876", "0884", "2291", "0906", "0973", "0981", "1015", "1058", "1082", "1112",
    "0310", "1155", "1198", "1279", "1457", "1414", "1490", "1511", "1546", "1376", "1538", "7889", "1589", "1600", "1635", "5118",
    "7412", "1651", "1694", "1732", "1775", "8885", "1830", "1872", "1902", "1937", "1961", "1988", "1953", "1996", "2321", "7838",
    "2356", "2402", "6874", "2445", "2399", "2437", "2470", "2461", "2453", "2496", "2518", "2534", "2550", "2593", "8702", "2674",
    "2712", "1619", "2755", "2810", "2852", "2895", "2917", "2933", "2976", "3018", "3050", "3093", "3131", "3174", "1504", "3379",
    "3255", "3298", "3344", "3310", "3417", "3450", "3514", "3557", "3573", "3611", "3654", "3727", "3697", "3751", "3794", "3832",
    "3867", "3913", "3999", "1508", "3964", "4030", "4111", "4200", "4235", "4260", "4278", "4316", "4340", "4383", "4405", "4421",
    "4456", "4472", "4499", "4502", "4525", "4553", "4588", "4618", "4642", "4677", "3595", "4723", "4740", "4766", "4774", "4855",
    "4880", "4936", "0930", "4995", "4901", "5053", "4944", "4952", "4979", "4985", "5010", "5070", "5088", "5177", "5215", "5258",
    "5282", "5312", "5355", "5380", "5428", "5487", "5568", "5665", "5738", "5754", "5800", "5452", "5762", "5860", "5894", "5932",
    "5991", "6033", "6114", "6076", "6238", "6254", "6289", "6408", "6475", "6602", "6700", "6750", "6769", "6858", "6781", "6777",
    "6904", "6912", "6971", "7102", "7153", "6955", "7005", "7056", "7285", "7358", "7370", "7315", "7447", "7480", "7501", "7544",
    "7595", "7641", "7676", "7706", "7722", "7765", "7803", "7919", "7820", "7951", "8001", "8109", "8052", "8150", "8206", "8230",
    "8249", "8273", "8281", "8311", "8338", "8451", "8478", "5517", "8486", "8508", "8583", "8630", "8664", "8737", "8907", "6653",
};
// clang-format on

// Items of the service list (101 is item 1.01), as inclusive ranges.
struct FaixaServico {
  int de, ate;
};
// clang-format off
constexpr FaixaServico kItensServico[] = {
    {101, 108},   {201, 201},   {302, 305},   {401, 423},   {501, 509},   {601, 605},   {701, 713},
    {716, 722},   {801, 801},   {802, 802},   {901, 903},   {1001, 1010}, {1101, 1104}, {1201, 1217},
    {1302, 1305}, {1401, 1413}, {1501, 1518}, {1601, 1601}, {1701, 1706}, {1708, 1724}, {1801, 1801},
    {1901, 1901}, {2001, 2003}, {2101, 2101}, {2201, 2201}, {2301, 2301}, {2401, 2401}, {2501, 2504},
    {2601, 2601}, {2701, 2701}, {2801, 2801}, {2901, 2901}, {3001, 3001}, {3101, 3101}, {3201, 3201},
    {3301, 3301}, {3401, 3401}, {3501, 3501}, {3601, 3601}, {3701, 3701}, {3801, 3801}, {3901, 3901},
    {4001, 4001},
};
// clang-format on
constexpr int ContarItensServico() {
  int total = 0;
  for (const FaixaServico& f : kItensServico) total += f.ate - f.de + 1;
  return total;
}
static_assert(ContarItensServico() == 193);

// State registration: masks of 14 positions (N digit, X/Y first/second check digit, blank unused).
struct MascaraIE {
  char letra;
  std::string_view posicoes;
};
// clang-format off
constexpr MascaraIE kMascarasIE[] = {
    {'A', "     NNNNNNNNX"},
    {'B', " NNNNNNNNNNNXY"},
    {'C', "   NNNNNNNNNNX"},
    {'D', "NNNNNNNNNNNNNX"},
    {'E', "      NNNNNNYX"},
    {'F', "    NNNNNNNNXY"},
    {'G', "    NNNNNNNNNX"},
    {'H', "  NNNNNNNNXNNY"},
    {'I', "  NNNNNNNNXNNN"},
    {'J', "     NNNNNNNXY"},
};
// clang-format on

struct PesosIE {
  char letra;
  std::array<int, 14> pesos;
};
// clang-format off
constexpr PesosIE kPesosIE[] = {
    {'A', {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'B', {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2, 0, 0}},
    {'C', {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 0, 2}},
    {'D', {0, 0, 0, 0, 0, 0, 0, 0, 6, 5, 4, 3, 2, 0}},
    {'E', {0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0}},
    {'F', {0, 0, 0, 9, 8, 0, 0, 7, 6, 5, 4, 3, 2, 0}},
    {'G', {5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'H', {8, 7, 6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2, 0}},
    {'I', {7, 6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2, 0, 0}},
    {'J', {0, 1, 2, 1, 1, 2, 1, 2, 1, 2, 1, 2, 0, 0}},
    {'K', {0, 3, 2, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'L', {0, 0, 1, 3, 4, 5, 6, 7, 8, 10, 0, 0, 0, 0}},
    {'M', {0, 0, 3, 2, 10, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'N', {0, 0, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'O', {0, 0, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 0, 0}},
    {'P', {0, 0, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
    {'Q', {0, 0, 0, 0, 10, 9, 8, 7, 6, 5, 4, 3, 2, 0}},
};
// clang-format on

struct VerificacaoIE {
  char pesos;     // weight row, '!' = no such check
  char primeiro;  // required first digit, or class A, B, C, X
  char regra;
  int modulo;
};
struct EntradaIE {
  std::string_view uf;  // "A1"/"A2": the two number ranges of AP
  char mascara;
  VerificacaoIE verificacao1, verificacao2;
  int g;  // the digit that stands for 11
};
constexpr VerificacaoIE kSem = {'!', ' ', ' ', 0};
// clang-format off
constexpr EntradaIE kEntradasIE[] = {
    {"AC", 'A', {'A', '0', 'E', 11}, kSem, 0},
    {"AC", 'B', {'B', '0', 'E', 11}, {'A', '1', 'E', 11}, 0},
    {"AL", 'A', {'A', '2', '0', 11}, kSem, 0},
    {"A1", 'A', {'A', '0', '1', 11}, kSem, 0},
    {"AP", 'A', {'A', '0', '1', 11}, kSem, 1},
    {"A2", 'A', {'A', '0', 'E', 11}, kSem, 0},
    {"AM", 'A', {'A', '0', 'E', 11}, kSem, 0},
    {"BA", 'E', {'B', 'A', 'E', 10}, {'C', 'X', 'E', 10}, 0},
    {"BA", 'E', {'B', 'B', 'E', 11}, {'C', 'X', 'E', 11}, 0},
    {"CE", 'A', {'A', '0', 'E', 11}, kSem, 0},
    {"DF", 'B', {'B', '0', 'E', 11}, {'A', '7', 'E', 11}, 0},
    {"ES", 'A', {'A', '0', 'E', 11}, kSem, 0},
    {"GO", 'A', {'A', '1', 'E', 11}, kSem, 1},
    {"GO", 'A', {'A', '1', 'E', 11}, kSem, 0},
    {"MA", 'A', {'A', '1', 'E', 11}, kSem, 0},
    {"MT", 'C', {'A', 'X', 'E', 11}, kSem, 0},
    {"MS", 'A', {'A', '2', 'E', 11}, kSem, 0},
    {"MG", 'B', {'J', 'X', '2', 10}, {'K', 'X', 'E', 11}, 0},
    {"PA", 'A', {'A', '1', 'E', 11}, kSem, 0},
    {"PB", 'A', {'A', '1', 'E', 11}, kSem, 0},
    {"PR", 'F', {'I', 'X', 'E', 11}, {'H', 'X', 'E', 11}, 0},
    {"PE", 'D', {'G', '1', 'E', 11}, kSem, 1},
    {"PI", 'A', {'A', '1', 'E', 11}, kSem, 0},
    {"RJ", 'E', {'H', 'X', 'E', 11}, kSem, 0},
    {"RN", 'A', {'A', '2', '0', 11}, kSem, 0},
    {"RS", 'G', {'A', 'X', 'E', 11}, kSem, 0},
    {"RO", 'A', {'D', 'X', 'E', 11}, kSem, 1},
    {"RO", 'D', {'A', 'X', 'E', 11}, kSem, 1},
    {"RR", 'A', {'E', '2', 'D', 9}, kSem, 0},
    {"SC", 'A', {'A', 'X', 'E', 11}, kSem, 0},
    {"SP", 'H', {'L', 'X', 'D', 11}, {'M', 'X', 'D', 11}, 0},
    {"SP", 'I', {'L', 'X', 'D', 11}, kSem, 0},
    {"SE", 'A', {'A', 'X', 'E', 11}, kSem, 0},
    {"T0", 'C', {'F', '2', 'E', 11}, kSem, 0},
    {"TO", 'A', {'N', 'X', 'E', 11}, kSem, 0},
    {"PE", 'J', {'O', 'X', 'E', 11}, {'P', 'X', 'E', 11}, 0},
    {"RN", 'G', {'Q', '2', '0', 11}, kSem, 0},
};
// clang-format on
static_assert(std::size(kEntradasIE) == 37);

constexpr std::string_view Mascara(char letra) {
  for (const MascaraIE& m : kMascarasIE)
    if (m.letra == letra) return m.posicoes;
  return {};
}

constexpr const std::array<int, 14>* Pesos(char letra) {
  for (const PesosIE& p : kPesosIE)
    if (p.letra == letra) return &p.pesos;
  return nullptr;
}

// Required first digit: the digit itself or one of the classes A, B, C, X.
bool PrimeiroDigitoAceito(char digito, char exigido) {
  switch (exigido) {
    case 'A':
      return std::string_view("0123458").find(digito) != std::string_view::npos;
    case 'B':
      return std::string_view("679").find(digito) != std::string_view::npos;
    case 'C':
      return std::string_view("015").find(digito) != std::string_view::npos;
    case 'X':
      return true;
    default:
      return digito == exigido;
  }
}

bool RegraTem(char regra, std::string_view letras) { return letras.find(regra) != std::string_view::npos; }

bool EntradaAceita(const EntradaIE& entrada, const std::string& digitos, bool IgnorarInicio) {
  const std::string_view mascara = Mascara(entrada.mascara);
  const std::size_t usadas = mascara.size() - mascara.find_first_not_of(' ');
  if (digitos.size() > usadas) return false;
  const std::string d = std::string(usadas - digitos.size(), '0') + digitos;
  const std::string d14 = std::string(14 - usadas, '0') + d;
  const VerificacaoIE* verificacoes[2] = {&entrada.verificacao1, &entrada.verificacao2};
  for (int i = 0; i < 2; ++i) {
    const VerificacaoIE& v = *verificacoes[i];
    if (v.pesos == '!') continue;
    if (!IgnorarInicio && !PrimeiroDigitoAceito(d[i], v.primeiro)) return false;
    const std::array<int, 14>& pesos = *Pesos(v.pesos);
    int s1 = 0, s2 = 0;
    for (int k = 0; k < 14; ++k) {
      const int produto = (d14[k] - '0') * pesos[k];
      s1 += produto;
      s2 += produto > 9 ? produto - 9 : produto;
    }
    int digito = 0;
    if (RegraTem(v.regra, "A2")) s1 = s2;
    if (RegraTem(v.regra, "B0")) s1 *= 10;
    if (RegraTem(v.regra, "C1")) s1 += 4 * entrada.g + 5;
    if (RegraTem(v.regra, "D0")) digito = s1 % v.modulo;
    if (RegraTem(v.regra, "E12")) digito = v.modulo - s1 % v.modulo;
    if (digito == 10) digito = 0;
    if (digito == 11) digito = entrada.g;
    if (d14[mascara.find(i == 0 ? 'X' : 'Y')] - '0' != digito) return false;
  }
  return true;
}

// The AP registration read as a whole number, which picks its number range.
// Digits only: a sign would move the number into the other range.
long long NumeroIE(const std::string& ie) {
  if (ie.empty() || !TodosDigitos(ie))
    throw ErroConversao(std::string("Inscrição Estadual: '"_cp) + ie + "' " +
                        std::string("não é um número inteiro válido."_cp));
  long long numero = 0;
  for (const char c : ie) numero = numero > 99999999999999LL ? numero : numero * 10 + (c - '0');
  return numero;
}

}  // namespace

bool ConferirCodigoMunicipio(int Codigo) {
  if (Codigo == 9999999) return true;
  const std::string texto = std::to_string(Codigo);
  if (kMunicipiosExcecao.find("|" + texto.substr(0, 6)) != std::string_view::npos)
    return kMunicipiosExcecao.find("|" + texto + "|") != std::string_view::npos;
  if (texto.size() != 7 || !TextoNumerico(texto)) return false;
  if (!ConferirCodigoUF(std::stoi(texto.substr(0, 2))) || texto.substr(2, 4) == "0000") return false;
  static constexpr int kPesos[7] = {1, 2, 1, 2, 1, 2, 0};
  int soma = 0;
  for (int i = 0; i < 7; ++i) {
    const int produto = (texto[i] - '0') * kPesos[i];
    soma += produto >= 10 ? produto / 10 + produto % 10 : produto;
  }
  const int digito = soma % 10 == 0 ? 0 : 10 - soma % 10;
  return texto[6] - '0' == digito;
}

int ConferirCodigoPais(int Codigo) {
  // Codes have four digits at most: 91058 or -1058 are not Brazil.
  if (Codigo < 0 || Codigo > 9999) return -1;
  const std::string texto = NumeroComZeros(Codigo, 4);
  for (const std::string_view pais : kPaises)
    if (pais == texto) return 1;
  const int soma = (texto[0] - '0') * 4 + (texto[1] - '0') * 3 + (texto[2] - '0') * 2;
  return DigitoModulo11(soma) == texto[3] - '0' ? 0 : -1;
}

bool ConferirItemServico(int Codigo) {
  for (const FaixaServico& f : kItensServico)
    if (Codigo >= f.de && Codigo <= f.ate) return true;
  return false;
}

bool ConferirSUFRAMA(std::string_view ISUF) {
  if (ExtrairDigitos(ISUF).size() < 9) return false;
  int soma = 0;
  for (int i = 0; i < 9; ++i) soma += ValorDigito("SUFRAMA", ISUF, static_cast<std::size_t>(i)) * (9 - i);
  int digito = 11 - soma % 11;
  if (digito > 9) digito = 0;
  return ISUF[8] - '0' == digito;
}

bool ConferirInscricaoEstadual(std::string_view IE, std::string_view UF, bool IgnorarInicio) {
  std::string ie = Trim(IE);
  for (char& c : ie)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (ie == "ISENTO" || ie == "EM ANDAMENTO") return true;
  if (UF == "EX") return ie.empty() || ie == "00000000000000";
  // Without a single digit nothing is registered, though zero-padding would pass some checks.
  const std::string digitos = ExtrairDigitos(std::string_view(ie).substr(0, 30));
  if (digitos.empty()) return false;
  std::string uf(UF);
  for (const EntradaIE& entrada : kEntradasIE) {
    if (uf == "AP") {
      const long long numero = NumeroIE(ie);
      if (numero <= 30170009)
        uf = "A1";
      else if (numero >= 30190230)
        uf = "A2";
    }
    if (entrada.uf == uf && EntradaAceita(entrada, digitos, IgnorarInicio)) return true;
  }
  return false;
}
