#pragma once
// Money, rates and most quantities: a signed 64-bit count of ten-thousandths.
// Exact: no floating point is used inside, only at the conversion from double.

#include <compare>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

class Currency {
 public:
  static constexpr std::int64_t kEscala = 10000;

  constexpr Currency() = default;
  constexpr Currency(int inteiro) : bruto_(std::int64_t(inteiro) * kEscala) {}
  // A double would silently lose its decimals through the int constructor;
  // it has to go through DeDouble.
  template <std::floating_point T>
  Currency(T) = delete;

  // Nearest value to the decimal number the double stands for (its shortest
  // round-trip text), ties to even at the fourth decimal: 12.3456789 -> 12.3457,
  // 0.00005 -> 0.0000, 0.00015 -> 0.0002. Out of range raises ErroConversao.
  static Currency DeDouble(double valor);
  // From decimal text "[+-]digits[.digits][e[+-]digits]", '.' as the separator,
  // ties to even beyond four decimals. Anything else raises ErroConversao.
  static Currency DeDecimal(std::string_view texto);
  static constexpr Currency DeBruto(std::int64_t bruto) {
    Currency c;
    c.bruto_ = bruto;
    return c;
  }

  constexpr std::int64_t Bruto() const { return bruto_; }
  double ParaDouble() const { return double(bruto_) / kEscala; }

  // Exact text with `casas` decimals ('.' separator, no grouping), rounded half
  // away from zero when casas < 4.
  std::string Formatar(int casas) const;

  constexpr auto operator<=>(const Currency&) const = default;
  constexpr Currency operator+(Currency o) const { return DeBruto(bruto_ + o.bruto_); }
  constexpr Currency operator-(Currency o) const { return DeBruto(bruto_ - o.bruto_); }
  constexpr Currency operator-() const { return DeBruto(-bruto_); }
  constexpr Currency& operator+=(Currency o) {
    bruto_ += o.bruto_;
    return *this;
  }

 private:
  std::int64_t bruto_ = 0;
};
