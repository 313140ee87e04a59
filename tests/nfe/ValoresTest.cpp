#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <type_traits>

#include "nfe/Colecao.h"
#include "nfe/Currency.h"
#include "nfe/DataHora.h"
#include "util/ErroConversao.h"

TEST(Currency, FromDoubleRoundsHalfToEvenAtTheFourthDecimal) {
  struct Caso {
    double valor;
    std::int64_t bruto;
  };
  const Caso casos[] = {
      {12.3456789, 123457}, {0.00005, 0},   {0.00015, 2},
      {0.00025, 2},         {-0.00015, -2}, {1.5, 15000},
      {0.1 + 0.2, 3000},    {1e-9, 0},      {922337203685477.0, 9223372036854770000},
  };
  for (const auto& c : casos) EXPECT_EQ(Currency::DeDouble(c.valor).Bruto(), c.bruto) << c.valor;
  EXPECT_THROW(Currency::DeDouble(1e20), ErroConversao);
}

// 12.34 must not become 12 through the int constructor.
static_assert(!std::is_convertible_v<double, Currency> && !std::is_constructible_v<Currency, double> &&
              !std::is_constructible_v<Currency, float>);
static_assert(std::is_convertible_v<int, Currency>);

TEST(Currency, FromDecimalTextIsExact) {
  EXPECT_EQ(Currency::DeDecimal("1234.5678").Bruto(), 12345678);
  EXPECT_EQ(Currency::DeDecimal("-0.00005").Bruto(), 0);
  EXPECT_EQ(Currency::DeDecimal("0.000051").Bruto(), 1);
  EXPECT_EQ(Currency::DeDecimal("7").Bruto(), 70000);
  EXPECT_EQ(Currency::DeDecimal(".5").Bruto(), 5000);
  EXPECT_EQ(Currency::DeDecimal("0.00025").Bruto(), 2);  // tie: to even
  EXPECT_EQ(Currency::DeDecimal("0.00035").Bruto(), 4);
  EXPECT_EQ(Currency::DeDecimal("5e-5").Bruto(), 0);
  EXPECT_EQ(Currency::DeDecimal("6e-5").Bruto(), 1);
  EXPECT_EQ(Currency::DeDecimal("9e-6").Bruto(), 0);
  EXPECT_EQ(Currency::DeDecimal("9e-2000000000").Bruto(), 0);  // no zeros spelt out
  EXPECT_EQ(Currency::DeDecimal("1.5e3").Bruto(), 15000000);
  for (const char* ruim : {"", "-", "1,5", "1.2.3", "abc", "99999999999999999999"})
    EXPECT_THROW(Currency::DeDecimal(ruim), ErroConversao) << ruim;
}

TEST(Currency, FormatsExactlyRoundingHalfAwayFromZero) {
  struct Caso {
    const char* valor;
    int casas;
    const char* texto;
  };
  const Caso casos[] = {
      {"1.005", 2, "1.01"}, {"-1.005", 2, "-1.01"},    {"1.0049", 2, "1.00"},
      {"2.5", 0, "3"},      {"12.3457", 4, "12.3457"}, {"12.3457", 10, "12.3457000000"},
      {"0", 2, "0.00"},     {"-0.0001", 2, "0.00"},    {"922337203685477.5807", 4, "922337203685477.5807"},
  };
  for (const auto& c : casos) EXPECT_EQ(Currency::DeDecimal(c.valor).Formatar(c.casas), c.texto) << c.valor;
  EXPECT_EQ(Currency::DeBruto(INT64_MIN).Formatar(4), "-922337203685477.5808");
}

TEST(DataHora, RoundTripsWholeSeconds) {
  EXPECT_EQ(CodificarDataHora(1899, 12, 30), 0.0);
  EXPECT_EQ(CodificarDataHora(1900, 1, 1), 2.0);
  EXPECT_EQ(CodificarDataHora(2011, 5, 20), 40683.0);
  for (const auto& p : {DataHoraPartes{2011, 5, 20, 13, 45, 59}, DataHoraPartes{2000, 2, 29, 23, 59, 59},
                        DataHoraPartes{1899, 12, 30, 0, 0, 1}, DataHoraPartes{1850, 6, 1, 12, 0, 0}}) {
    const auto d = DecodificarDataHora(CodificarDataHora(p.ano, p.mes, p.dia, p.hora, p.minuto, p.segundo));
    EXPECT_EQ(std::tie(d.ano, d.mes, d.dia, d.hora, d.minuto, d.segundo),
              std::tie(p.ano, p.mes, p.dia, p.hora, p.minuto, p.segundo));
  }
  EXPECT_THROW(CodificarDataHora(2011, 2, 29), ErroConversao);
  EXPECT_THROW(CodificarDataHora(2011, 1, 1, 24), ErroConversao);
  const auto limite = DecodificarDataHora(CodificarDataHora(9999, 12, 31, 23, 59, 59));
  EXPECT_EQ(std::tie(limite.ano, limite.mes, limite.dia), std::make_tuple(9999, 12, 31));
  const auto antes = DecodificarDataHora(-1.25);  // the fraction's size is the time
  EXPECT_EQ(std::tie(antes.ano, antes.mes, antes.dia, antes.hora), std::make_tuple(1899, 12, 29, 6));
  for (const double fora : {double(NAN), double(INFINITY), -double(INFINITY), 1e19, -1e19, 2958466.0, -693594.0})
    EXPECT_THROW(DecodificarDataHora(fora), ErroConversao) << fora;
}

// Half a second before midnight rounds up to the next calendar day, whichever
// side of 1899-12-30 the value lies on; past 9999-12-31 there is no day.
TEST(DataHora, RoundingCarriesToTheNextDay) {
  struct Caso {
    double valor;
    int ano, mes, dia, hora, minuto, segundo;
  };
  const double quaseUmDia = 1.0 - 0.4 / 86400.0;
  const Caso casos[] = {
      {40683.0 + quaseUmDia, 2011, 5, 21, 0, 0, 0},
      {-1.0 - quaseUmDia, 1899, 12, 30, 0, 0, 0},  // 1899-12-29 23:59:59.6
      {-2.0 - quaseUmDia, 1899, 12, 29, 0, 0, 0},
      {-quaseUmDia, 1899, 12, 31, 0, 0, 0},  // "-0": 1899-12-30 23:59:59.6
      {-693593.0 - quaseUmDia, 1, 1, 2, 0, 0, 0},
      {-1.0 - (1.0 - 0.6 / 86400.0), 1899, 12, 29, 23, 59, 59},
  };
  for (const Caso& c : casos) {
    const auto d = DecodificarDataHora(c.valor);
    EXPECT_EQ(std::tie(d.ano, d.mes, d.dia, d.hora, d.minuto, d.segundo),
              std::tie(c.ano, c.mes, c.dia, c.hora, c.minuto, c.segundo))
        << c.valor;
  }
  const double ultimoDia = CodificarDataHora(9999, 12, 31);
  EXPECT_EQ(DecodificarDataHora(ultimoDia + 1.0 - 0.6 / 86400.0).segundo, 59);
  EXPECT_THROW(DecodificarDataHora(ultimoDia + quaseUmDia), ErroConversao);
}

TEST(Colecao, AddCountItemsAndCopy) {
  struct Item {
    int valor = 7;
  };
  TColecao<Item> lista;
  lista.Add().valor = 1;
  lista.Add();
  EXPECT_EQ(lista.Count(), 2);
  EXPECT_EQ(lista.Items(1).valor, 7);
  EXPECT_THROW(lista.Items(2), std::out_of_range);
  EXPECT_THROW(lista.Items(-1), std::out_of_range);
  TColecao<Item> outra;
  outra.Add();
  outra = lista;
  lista.Items(0).valor = 9;
  EXPECT_EQ(outra.Count(), 2);
  EXPECT_EQ(outra.Items(0).valor, 1);
}
