#include "util/kxnAuxiliar.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>

#include "util/ErroConversao.h"
#include "util/Win1252.h"

namespace {

constexpr bool EhDigitoAscii(char c) { return c >= '0' && c <= '9'; }
constexpr bool EhBranco(char c) { return static_cast<unsigned char>(c) <= 32; }

// Digit value of a character that must be a digit.
int ValorDigito(char c) {
  if (!EhDigitoAscii(c)) throw ErroConversao("'" + std::string(1, c) + "' is not a valid integer value");
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
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    default: return {};
  }
}

struct UF {
  std::string_view sigla;
  int codigo;
};
constexpr std::array<UF, 27> kUFs = {{
    {"AC", 12}, {"AL", 27}, {"AP", 16}, {"AM", 13}, {"BA", 29}, {"CE", 23}, {"DF", 53},
    {"ES", 32}, {"GO", 52}, {"MA", 21}, {"MT", 51}, {"MS", 50}, {"MG", 31}, {"PA", 15},
    {"PB", 25}, {"PR", 41}, {"PE", 26}, {"PI", 22}, {"RJ", 33}, {"RN", 24}, {"RS", 43},
    {"RO", 11}, {"RR", 14}, {"SC", 42}, {"SP", 35}, {"SE", 28}, {"TO", 17},
}};

}  // namespace

// ---- Text and number helpers ----

std::string Trim(std::string_view Texto) {
  std::size_t inicio = 0, fim = Texto.size();
  while (inicio < fim && EhBranco(Texto[inicio])) ++inicio;
  while (fim > inicio && EhBranco(Texto[fim - 1])) --fim;
  return std::string(Texto.substr(inicio, fim - inicio));
}

std::string PrepararTextoXML(bool RetirarEspacos, std::string_view Texto, bool RetirarAcentos) {
  // One pass doing accent removal, escaping, space collapsing and trimming at once;
  // escaping adds no spaces, so the order of the steps does not change the result.
  std::string saida;
  saida.reserve(Texto.size() + 8);
  for (const char original : Texto) {
    const char c = RetirarAcentos ? static_cast<char>(kSemAcento[static_cast<unsigned char>(original)]) : original;
    if (saida.empty() && EhBranco(c)) continue;  // leading trim
    if (c == ' ' && RetirarEspacos && saida.back() == ' ') continue;
    const std::string_view entidade = EntidadeXML(c);
    if (entidade.empty())
      saida += c;
    else
      saida += entidade;
  }
  while (!saida.empty() && EhBranco(saida.back())) saida.pop_back();
  return saida;
}

std::string ExtrairDigitos(std::string_view Texto) {
  std::string saida;
  saida.reserve(Texto.size());
  for (const char c : Texto)
    if (EhDigitoAscii(c)) saida += c;
  return saida;
}

bool TodosDigitos(std::string_view Texto) {
  for (const char c : Texto)
    if (!EhDigitoAscii(c)) return false;
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
  if (Texto.empty()) throw ErroConversao("'' is not a valid integer value");
  return ValorDigito(Texto.back());
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
  for (int i = 0; i < 14; ++i) digitos[i] = ValorDigito(CNPJ[i]);
  int soma1 = 0, soma2 = 0;
  for (int i = 0; i < 12; ++i) soma1 += digitos[i] * kPesos[i + 1];
  for (int i = 0; i < 13; ++i) soma2 += digitos[i] * kPesos[i];
  return digitos[12] * 10 + digitos[13] == DigitoModulo11(soma1) * 10 + DigitoModulo11(soma2);
}

bool ConferirCPF(std::string_view CPF) {
  if (CPF.size() != 11) return false;
  int digitos[11];
  for (int i = 0; i < 11; ++i) digitos[i] = ValorDigito(CPF[i]);
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

// One generator per process, seeded once from the system's entropy source: two
// keys composed in the same clock tick must not share their "random" code.
int CodigoAleatorio(int maximo) {
  static std::mt19937 gerador{std::random_device{}()};
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

bool ComporChave(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, const int* tpEmis,
                 double dEmi, std::string_view CNPJ) {
  Chave.clear();
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
    // A negative field leaves a "-" in the text and fewer than 43 digits: no key.
    int digito = 0;
    if (!CalcularDigitoChave(digito, chave.substr(3)) || !TodosDigitos(chave.substr(3))) return false;
    Chave = chave + std::to_string(digito);
    return true;
  } catch (const std::exception&) {
    Chave.clear();
    return false;
  }
}

}  // namespace

bool ComporChaveAcesso(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, int tpEmis,
                       double dEmi, std::string_view CNPJ) {
  return ComporChave(Chave, cUF, cNF, modelo, serie, nNF, &tpEmis, dEmi, CNPJ);
}

bool ComporChaveAcessoSemTipoEmissao(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF,
                                     double dEmi, std::string_view CNPJ) {
  return ComporChave(Chave, cUF, cNF, modelo, serie, nNF, nullptr, dEmi, CNPJ);
}

int DerivarCodigoNumerico(int Numero) {
  if (Numero < 0) throw ErroConversao("negative invoice number " + std::to_string(Numero));
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
    throw ErroConversao("access key too short for its numeric code: " + std::string(Chave));
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
