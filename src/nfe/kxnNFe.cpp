#include "nfe/kxnNFe.h"

#include <array>
#include <charconv>
#include <cmath>

#include "util/DecimalExato.h"

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

}  // namespace

std::string TveicProd::CombDescricao() const {
  const int numero = InteiroOuZero(tpComb);
  if (numero >= 1 && numero <= static_cast<int>(kCombustiveis.size())) return std::string(kCombustiveis[numero - 1]);
  return tpComb;
}

std::string TInfNFe::VersaoStr() const {
  if (versao_ > 0) return "versao=\"" + DecimalExato::DeDouble(versao_).Arredondado(2).Texto() + "\"";
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
