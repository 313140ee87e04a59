#pragma once
// The exact decimal a number stands for, as digit texts, so rounding to a
// number of places happens on decimal digits and never on binary doubles.

#include <string>

struct DecimalExato {
  bool negativo = false;
  std::string inteira = "0";  // at least one digit
  std::string fracao;

  // The decimal of the double's shortest round-trip text (0.1 is 0.1, not
  // 0.1000000000000000055...). Raises ErroConversao for NaN and infinities.
  static DecimalExato DeDouble(double valor);

  bool Zero() const;
  bool FracaoZero() const;
  // Rounded half away from zero to `casas` places (1.005 -> 1.01).
  DecimalExato Arredondado(int casas) const;
  // "-12.50"; without comFracao the integer part alone. A value that shows
  // as zero carries no sign.
  std::string Texto(bool comFracao = true) const;
};
