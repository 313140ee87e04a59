#include "nfe/kxnNFe.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr std::array<std::string_view, 18> kCombustiveis = {
    "01 - ALCOOL",
    "02 - GASOLINA",
    "03 - DIESEL",
    "04 - GASOGENIO",
    "05 - GAS METANO",
    "06 - ELETRICO/FONTE INTERNA",
    "07 - ELETRICO/FONTE EXTERNA",
    "08 - GASOL/GAS NATURAL COMBUSTIVEL",
    "09 - ALCOOL/GAS NATURAL COMBUSTIVEL",
    "10 - DIESEL/GAS NATURAL COMBUSTIVEL",
    "11 - VIDE/CAMPO/OBSERVACAO",
    "12 - ALCOOL/GAS NATURAL VEICULAR",
    "13 - GASOLINA/GAS NATURAL VEICULAR",
    "14 - DIESEL/GAS NATURAL VEICULAR",
    "15 - GAS NATURAL VEICULAR",
    "16 - ALCOOL/GASOLINA",
    "17 - GASOLINA/ALCOOL/GAS NATURAL",
    "18 - GASOLINA/ELETRICO",
};

// Whole decimal text with an optional sign; anything else (blanks, letters,
// out of range) counts as 0.
int InteiroOuZero(std::string_view texto) {
  if (!texto.empty() && texto.front() == '+') texto.remove_prefix(1);
  int valor = 0;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (texto.empty() || erro != std::errc() || fim != texto.data() + texto.size()) return 0;
  return valor;
}

// A positive number with two decimals, '.' whatever the locale, rounded half
// up on the shortest decimal text of the double (so 1.005 gives 1.01, as typed).
std::string DuasCasas(double valor) {
  char buf[400];
  const auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, valor, std::chars_format::fixed);
  if (erro != std::errc()) return "0.00";
  std::string texto(buf, fim);
  if (!std::isfinite(valor)) return texto;
  const auto ponto = texto.find('.');
  std::string inteira = texto.substr(0, ponto);
  std::string fracao = ponto == std::string::npos ? "" : texto.substr(ponto + 1);
  const bool sobe = fracao.size() > 2 && fracao[2] >= '5';
  fracao.resize(2, '0');
  std::string digitos = inteira + fracao;
  if (sobe) {
    int i = static_cast<int>(digitos.size()) - 1;
    for (; i >= 0 && digitos[i] == '9'; --i) digitos[i] = '0';
    if (i >= 0) ++digitos[i];
    else digitos.insert(0, "1");
  }
  return digitos.substr(0, digitos.size() - 2) + "." + digitos.substr(digitos.size() - 2);
}

}  // namespace

std::string TveicProd::CombDescricao() const {
  const int numero = InteiroOuZero(tpComb);
  if (numero >= 1 && numero <= static_cast<int>(kCombustiveis.size()))
    return std::string(kCombustiveis[numero - 1]);
  return tpComb;
}

std::string TInfNFe::VersaoStr() const {
  if (versao_ > 0) return "versao=\"" + DuasCasas(versao_) + "\"";
  return "versao=\"2.00\"";
}

TNFe::TNFe() {
  Emit.EnderEmit.cPais = 1058;
  Emit.EnderEmit.xPais = "BRASIL";
  Emit.EnderEmit.nro = "SEM NUMERO";
  Dest.EnderDest.cPais = 1058;
  Dest.EnderDest.xPais = "BRASIL";
  Dest.EnderDest.nro = "SEM NUMERO";
  infNFe.SetVersao(0);
}
