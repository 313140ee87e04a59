#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/Win1252.h"
#include "util/ZoltUtil.h"

TEST(ZoltUtil, CharacterClassesAreAsciiOnly) {
  for (int i = 0; i < 256; ++i) {
    const char c = static_cast<char>(i);
    const bool letra = (i >= 'A' && i <= 'Z') || (i >= 'a' && i <= 'z');
    const bool digito = i >= '0' && i <= '9';
    EXPECT_EQ(EhLetra(c), letra) << i;
    EXPECT_EQ(EhDigito(c), digito) << i;
    EXPECT_EQ(EhLetraOuDigito(c), letra || digito) << i;
  }
}

TEST(ZoltUtil, Filters) {
  EXPECT_EQ(ApenasLetrasEDigitos("Açúcar 100%"_cp), "Acar100");
  EXPECT_EQ(ApenasLetrasEDigitos(""), "");
  EXPECT_EQ(ApenasDigitos("R$ 1.234,5\xB2"), "12345");
  EXPECT_EQ(ApenasDigitos("abc"), "");
}

TEST(ZoltUtil, ComBarraFinal) {
  EXPECT_EQ(ComBarraFinal("/opt/prog"), "/opt/prog/");
  EXPECT_EQ(ComBarraFinal("  /opt/prog/ \r\n"), "/opt/prog/");
  EXPECT_EQ(ComBarraFinal("/"), "/");
  EXPECT_EQ(ComBarraFinal(" \t "), "");
  EXPECT_EQ(ComBarraFinal(""), "");
}

TEST(ZoltUtil, CarregarFuncaoDinamica) {
  void* endereco = nullptr;
  ASSERT_TRUE(CarregarFuncaoDinamica("libc.so.6", "strlen", endereco));
  ASSERT_NE(endereco, nullptr);
  const auto tamanho = reinterpret_cast<std::size_t (*)(const char*)>(endereco);
  EXPECT_EQ(tamanho("abcd"), 4u);

  endereco = &endereco;
  EXPECT_FALSE(CarregarFuncaoDinamica("libc.so.6", "Inp32", endereco));
  EXPECT_EQ(endereco, nullptr);
  endereco = &endereco;
  EXPECT_FALSE(CarregarFuncaoDinamica("inpout32.dll", "Inp32", endereco));
  EXPECT_EQ(endereco, nullptr);
  EXPECT_FALSE(CarregarFuncaoDinamica("", "strlen", endereco));
}
