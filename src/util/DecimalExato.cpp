#include "util/DecimalExato.h"

#include <charconv>
#include <cmath>

#include "util/ErroConversao.h"
#include "util/Win1252.h"

namespace {

bool SoZeros(const std::string& digitos) { return digitos.find_first_not_of('0') == std::string::npos; }

}  // namespace

DecimalExato DecimalExato::DeDouble(double valor) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, valor, std::chars_format::fixed);
  std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
  if (!std::isfinite(valor))
    throw ErroConversao(std::string("Número: '"_cp) + std::string(t) + "' " +
                        std::string("não é um número decimal finito."_cp));
  DecimalExato d;
  d.negativo = !t.empty() && t[0] == '-';
  if (d.negativo) t.remove_prefix(1);
  const auto ponto = t.find('.');
  d.inteira = std::string(t.substr(0, ponto));
  if (ponto != std::string_view::npos) d.fracao = std::string(t.substr(ponto + 1));
  return d;
}

bool DecimalExato::Zero() const { return SoZeros(inteira) && SoZeros(fracao); }

bool DecimalExato::FracaoZero() const { return SoZeros(fracao); }

DecimalExato DecimalExato::Arredondado(int casas) const {
  DecimalExato d = *this;
  const auto n = static_cast<std::size_t>(casas < 0 ? 0 : casas);
  if (d.fracao.size() <= n) {
    d.fracao.append(n - d.fracao.size(), '0');
    return d;
  }
  const bool subir = d.fracao[n] >= '5';
  d.fracao.resize(n);
  if (subir) {
    std::string digitos = d.inteira + d.fracao;
    std::size_t i = digitos.size();
    while (i > 0 && digitos[i - 1] == '9') digitos[--i] = '0';
    if (i == 0)
      digitos.insert(digitos.begin(), '1');
    else
      ++digitos[i - 1];
    d.inteira = digitos.substr(0, digitos.size() - n);
    d.fracao = digitos.substr(digitos.size() - n);
  }
  return d;
}

std::string DecimalExato::Texto(bool comFracao) const {
  std::string s;
  if (negativo && !(comFracao ? Zero() : SoZeros(inteira))) s = "-";
  const auto p = inteira.find_first_not_of('0');
  s += p == std::string::npos ? "0" : inteira.substr(p);
  if (comFracao && !fracao.empty()) {
    s += '.';
    s += fracao;
  }
  return s;
}
