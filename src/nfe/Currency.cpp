#include "Currency.h"

#include <charconv>
#include <cstdlib>
#include <limits>

#include "../util/ErroConversao.h"
#include "../util/Win1252.h"

namespace {

[[noreturn]] void Falhar(std::string_view texto) {
  throw ErroConversao("Valor: '" + std::string(texto) + "' " + std::string("não é um valor monetário válido."_cp));
}

}  // namespace

Currency Currency::DeDecimal(std::string_view texto) {
  std::string_view t = texto;
  bool negativo = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negativo = t[0] == '-';
    t.remove_prefix(1);
  }
  int expoente = 0;  // a trailing e/E exponent, as std::to_chars may write one
  if (const auto e = t.find_first_of("eE"); e != std::string_view::npos) {
    const auto exp = t.substr(e + 1);
    const auto* fim = exp.data() + exp.size();
    const auto* ini = exp.data() + (!exp.empty() && exp[0] == '+' ? 1 : 0);
    auto [p, ec] = std::from_chars(ini, fim, expoente);
    if (ec != std::errc() || p != fim || exp.empty()) Falhar(texto);
    t = t.substr(0, e);
  }
  const auto ponto = t.find('.');
  std::string_view inteira = t.substr(0, ponto);
  std::string_view fracao = ponto == std::string_view::npos ? std::string_view() : t.substr(ponto + 1);
  if (inteira.empty() && fracao.empty()) Falhar(texto);
  std::string digitos;
  for (const std::string_view parte : {inteira, fracao})
    for (const char c : parte) {
      if (c < '0' || c > '9') Falhar(texto);
      digitos += c;
    }
  // Value = digitos * 10^(expoente - fracao.size()); we want it times 10^4.
  long long deslocamento = 4 + expoente - static_cast<long long>(fracao.size());
  const auto primeiro = digitos.find_first_not_of('0');
  if (primeiro == std::string::npos) return Currency();
  digitos.erase(0, primeiro);
  if (deslocamento > 0) {
    if (digitos.size() + deslocamento > 19) Falhar(texto);
    digitos.append(static_cast<std::size_t>(deslocamento), '0');
    deslocamento = 0;
  }
  std::string manter = digitos;
  std::string resto;
  if (deslocamento < 0) {
    const auto corte = static_cast<long long>(digitos.size()) + deslocamento;
    // Below half of the last place: zero, without spelling out a huge exponent's zeros.
    if (corte < 0) return Currency();
    if (corte == 0) {
      manter = "0";
      resto = digitos;
    } else {
      manter = digitos.substr(0, static_cast<std::size_t>(corte));
      resto = digitos.substr(static_cast<std::size_t>(corte));
    }
  }
  if (manter.size() > 19) Falhar(texto);
  unsigned long long base = std::strtoull(manter.c_str(), nullptr, 10);
  if (!resto.empty()) {
    const bool acimaMetade =
        resto[0] > '5' || (resto[0] == '5' && resto.find_first_not_of('0', 1) != std::string::npos);
    const bool metade = resto[0] == '5' && !acimaMetade;
    if (acimaMetade || (metade && base % 2 == 1)) ++base;
  }
  if (base > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max())) Falhar(texto);
  const auto valor = static_cast<std::int64_t>(base);
  return DeBruto(negativo ? -valor : valor);
}

Currency Currency::DeDouble(double valor) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, valor);
  if (ec != std::errc()) Falhar("?");
  return DeDecimal(std::string_view(buf, static_cast<std::size_t>(p - buf)));
}

std::string Currency::Formatar(int casas) const {
  static constexpr std::uint32_t kPotencias10[] = {1, 10, 100, 1000, 10000};
  casas = casas < 0 ? 0 : casas > 40 ? 40 : casas;
  // The magnitude as unsigned, so INT64_MIN is safe; digits written backwards
  // into a small buffer (the writer formats every money field through here).
  const std::uint64_t magnitude =
      bruto_ < 0 ? 0 - static_cast<std::uint64_t>(bruto_) : static_cast<std::uint64_t>(bruto_);
  std::uint64_t inteira = magnitude / kEscala;
  auto fracao = static_cast<std::uint32_t>(magnitude % kEscala);
  int casasFracao = casas;
  if (casas < 4) {
    const std::uint32_t divisor = kPotencias10[4 - casas];
    const bool subir = fracao % divisor >= divisor / 2;  // half away from zero
    fracao = fracao / divisor + (subir ? 1 : 0);
    if (fracao == kPotencias10[casas]) {
      fracao = 0;
      ++inteira;
    }
  }
  char buf[64];
  char* const fim = buf + sizeof buf;
  char* p = fim;
  if (casas > 4) {
    for (int k = 4; k < casas; ++k) *--p = '0';
    casasFracao = 4;
  }
  const bool zero = inteira == 0 && fracao == 0;
  for (int k = 0; k < casasFracao; ++k) {
    *--p = static_cast<char>('0' + fracao % 10);
    fracao /= 10;
  }
  if (casas > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + inteira % 10);
    inteira /= 10;
  } while (inteira != 0);
  if (bruto_ < 0 && !zero) *--p = '-';
  return std::string(p, fim);
}
