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
