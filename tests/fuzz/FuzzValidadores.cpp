// The fiscal validators and text helpers on arbitrary text. Input: one flag
// byte (bit 0: IgnorarInicio), the two characters of a UF, then the text
// (the IE, and the value every other validator reads). Each check states what
// must hold for any text; only ErroConversao may leave a validator, and only
// where it is documented to.

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "XmlAceito.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"

namespace {

void Exigir(bool condicao, const char* oque, std::string_view texto = {}) {
  if (!condicao) {
    std::fprintf(stderr, "broken: %s [%.*s]\n", oque, static_cast<int>(texto.size()), texto.data());
    std::abort();
  }
}

enum Resultado { Falso, Verdadeiro, Erro };

template <class F>
Resultado Rodar(F&& validar) {
  try {
    return validar() ? Verdadeiro : Falso;
  } catch (const ErroConversao&) {
    return Erro;
  }
}

// The number the text starts with, 0 when none: decimal codes reach the code validators.
int NumeroInicial(std::string_view t) {
  int n = 0;
  std::from_chars(t.data(), t.data() + t.size(), n);
  return n;
}

bool Branco(char c) { return static_cast<unsigned char>(c) <= 32; }

// The IE as the validator compares it: trimmed, ASCII letters in upper case.
std::string Normalizada(std::string_view ie) {
  std::string t = Trim(ie);
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return t;
}

// UFs that name an entry of the registration table.
bool UFDaTabela(std::string_view uf) {
  constexpr std::string_view kUFs =
      "|AC|AL|A1|AP|A2|AM|BA|CE|DF|ES|GO|MA|MT|MS|MG|PA|PB|PR|PE|PI|RJ|RN|RS|RO|RR|SC|SP|SE|T0|TO|";
  return uf.size() == 2 && uf.find('|') == std::string_view::npos &&
         kUFs.find("|" + std::string(uf) + "|") != std::string_view::npos;
}

void ConferirIE(std::string_view ie, std::string_view uf, bool ignorarInicio) {
  const Resultado r = Rodar([&] { return ConferirInscricaoEstadual(ie, uf, ignorarInicio); });
  Exigir(r != Erro || uf == "AP", "ConferirInscricaoEstadual raises outside AP", ie);
  const std::string padded = " \t" + std::string(ie) + "\r\n ";
  Exigir(Rodar([&] { return ConferirInscricaoEstadual(padded, uf, ignorarInicio); }) == r,
         "blanks around the IE change the outcome", ie);
  if (!ignorarInicio && r == Verdadeiro)
    Exigir(Rodar([&] { return ConferirInscricaoEstadual(ie, uf, true); }) == Verdadeiro,
           "an IE valid with its first digits checked is invalid with them ignored", ie);

  const std::string n = Normalizada(ie);
  const bool semRegistro = n == "ISENTO" || n == "EM ANDAMENTO";
  if (semRegistro) {
    Exigir(r == Verdadeiro, "ISENTO or EM ANDAMENTO is not valid", ie);
    return;
  }
  if (uf == "EX") {
    Exigir(r == (n.empty() || n == "00000000000000" ? Verdadeiro : Falso), "an IE of UF EX", ie);
    return;
  }
  if (!UFDaTabela(uf) || n.empty()) Exigir(r == Falso, "an IE without a table entry or empty is valid", ie);
  std::size_t digitos = 0;
  for (const char c : std::string_view(n).substr(0, 30)) digitos += c >= '0' && c <= '9';
  if (digitos > 14) Exigir(r != Verdadeiro, "an IE longer than every mask is valid", ie);
}

void ConferirIdentificadores(std::string_view t) {
  const std::string digitos = ExtrairDigitos(t);
  Exigir(TodosDigitos(digitos), "ExtrairDigitos keeps a non-digit", t);

  const Resultado suframa = Rodar([&] { return ConferirSUFRAMA(t); });
  Exigir(suframa != Erro || digitos.size() >= 9, "ConferirSUFRAMA raises with fewer than 9 digits", t);
  if (suframa == Verdadeiro) Exigir(TodosDigitos(t.substr(0, 9)), "a SUFRAMA with a non-digit is valid", t);

  const Resultado cnpj = Rodar([&] { return ConferirCNPJ(t); });
  Exigir(cnpj != Erro || t.size() == 14, "ConferirCNPJ raises on a text not 14 long", t);
  if (cnpj == Verdadeiro) Exigir(t.size() == 14 && TodosDigitos(t), "a CNPJ not of 14 digits is valid", t);
  const Resultado cpf = Rodar([&] { return ConferirCPF(t); });
  Exigir(cpf != Erro || t.size() == 11, "ConferirCPF raises on a text not 11 long", t);
  if (cpf == Verdadeiro) Exigir(t.size() == 11 && TodosDigitos(t), "a CPF not of 11 digits is valid", t);

  int digito = -1;
  if (CalcularDigitoChave(digito, t))
    Exigir(digitos.size() == 43 && digito >= 0 && digito <= 9, "CalcularDigitoChave", t);
  if (ConferirChaveAcesso(t)) {
    Exigir(t.size() == 47 && t.starts_with("NFe") && TodosDigitos(t.substr(3)), "a key not NFe + 44 digits is valid",
           t);
    Exigir(CalcularDigitoChave(digito, t.substr(3, 43)) && t[46] == '0' + digito, "a key with a wrong digit is valid",
           t);
  }
  if (ConferirAnoMes(t)) Exigir(t.size() == 4 && TodosDigitos(t), "ConferirAnoMes", t);

  const std::string_view uf = t.substr(0, 2);
  if (ConferirSiglaUF(uf) && uf != "EX")
    Exigir(SiglaPorCodigoUF(CodigoPorSiglaUF(uf)) == uf, "a UF does not come back from its code", t);
}

void ConferirCodigos(int codigo) {
  if (ConferirCodigoUF(codigo))
    Exigir(CodigoPorSiglaUF(SiglaPorCodigoUF(codigo)) == codigo, "a UF code does not come back from its UF");
  else
    Exigir(SiglaPorCodigoUF(codigo).empty(), "an invalid UF code has a UF");
  if (ConferirCodigoMunicipio(codigo))
    Exigir(codigo >= 1000000 && codigo <= 9999999, "a municipality code not of 7 digits is valid");
  const int pais = ConferirCodigoPais(codigo);
  Exigir(pais >= -1 && pais <= 1, "ConferirCodigoPais out of -1..1");
  if (ConferirItemServico(codigo)) Exigir(codigo >= 101 && codigo <= 4001, "a service item out of the list is valid");
  if (codigo >= 0 && codigo <= 99999) Exigir(NumeroComZeros(codigo, 5).size() == 5, "NumeroComZeros width");
}

void ConferirTextoXML(std::string_view t) {
  const std::string aparado = Trim(t);
  Exigir(aparado == Aparar(t), "Trim and Aparar differ", t);
  Exigir(aparado.empty() || (!Branco(aparado.front()) && !Branco(aparado.back())), "Trim leaves a blank", t);
  for (const bool retirarEspacos : {false, true}) {
    const std::string valor = PrepararTextoXML(retirarEspacos, t, true);
    for (const char c : valor)
      Exigir(c >= 32 && c <= 126, "a prepared text without accents holds a byte out of 32..126", t);
    Exigir(valor.find("  ") == std::string::npos || !retirarEspacos, "a run of spaces is left", t);
    ExigirXmlAceito("<a>" + valor + "</a>", [](xmlNodePtr) {});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  if (tamanho < 3) return 0;
  const bool ignorarInicio = (dados[0] & 1) != 0;
  const std::string_view uf(reinterpret_cast<const char*>(dados) + 1, 2);
  const std::string_view texto(reinterpret_cast<const char*>(dados) + 3, tamanho - 3);
  ConferirIE(texto, uf, ignorarInicio);
  ConferirIdentificadores(texto);
  std::int32_t binario = 0;
  std::memcpy(&binario, texto.data(), std::min<std::size_t>(texto.size(), sizeof binario));
  ConferirCodigos(binario);
  ConferirCodigos(NumeroInicial(texto));
  ConferirTextoXML(texto);
  return 0;
}
