#include "Currency.h"

#include <charconv>
#include <cstdlib>
#include <limits>

#include "../util/ErroConversao.h"

namespace {

[[noreturn]] void Falhar(std::string_view texto) {
  throw ErroConversao("'" + std::string(texto) + "' is not a valid Currency value");
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
    const bool acimaMetade = resto[0] > '5' ||
                             (resto[0] == '5' && resto.find_first_not_of('0', 1) != std::string::npos);
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
  if (casas < 0) casas = 0;
  const bool negativo = bruto_ < 0;
  // Work on the magnitude as unsigned so INT64_MIN is safe.
  unsigned long long magnitude = negativo ? 0ULL - static_cast<unsigned long long>(bruto_)
                                          : static_cast<unsigned long long>(bruto_);
  std::string frac;
  if (casas < 4) {
    unsigned long long divisor = 1;
    for (int i = casas; i < 4; ++i) divisor *= 10;
    const unsigned long long resto = magnitude % divisor;
    magnitude -= resto;
    if (resto * 2 >= divisor) magnitude += divisor;
  }
  const unsigned long long inteira = magnitude / kEscala;
  std::string digitos = std::to_string(magnitude % kEscala + kEscala).substr(1);  // four digits
  if (casas <= 4)
    frac = digitos.substr(0, static_cast<std::size_t>(casas));
  else
    frac = digitos + std::string(static_cast<std::size_t>(casas - 4), '0');
  std::string texto = (negativo && magnitude != 0 ? "-" : "") + std::to_string(inteira);
  if (casas > 0) texto += "." + frac;
  return texto;
}
