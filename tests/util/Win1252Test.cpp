#include <gtest/gtest.h>

#include "util/Win1252.h"

TEST(Win1252, LiteralBecomesSingleBytes) {
  constexpr std::string_view texto = "Chave Inválida."_cp;
  static_assert(texto.size() == 15);
  EXPECT_EQ(texto[9], '\xE1');
  EXPECT_EQ("€ŒÇ"_cp, "\x80\x8C\xC7");
}

TEST(Win1252, EveryByteRoundTripsThroughUtf8) {
  std::string todos;
  for (int c = 0; c < 256; ++c) todos += static_cast<char>(c);
  const std::string utf8 = win1252::ParaUtf8(todos);
  EXPECT_TRUE(win1252::Utf8Valido(utf8));
  EXPECT_EQ(win1252::DeUtf8(utf8), todos);
}

TEST(Win1252, KnownCodePoints) {
  EXPECT_EQ(win1252::ParaUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(win1252::ParaUtf8("\x81"), "\xC2\x81");      // undefined byte -> U+0081
  EXPECT_EQ(win1252::ParaUtf8("\xE3"), "\xC3\xA3");      // a with tilde
  EXPECT_EQ(win1252::ParaUtf8("\x9F"), "\xC5\xB8");      // Y with diaeresis
}

TEST(Win1252, Utf8ThatCannotBeRepresentedBecomesQuestionMarks) {
  EXPECT_EQ(win1252::DeUtf8("a\xE4\xB8\xAD"
                            "b"),
            "a?b");  // CJK character
  EXPECT_EQ(win1252::DeUtf8("a\xC3"
                            "b"),
            "a?b");                                   // truncated sequence
  EXPECT_EQ(win1252::DeUtf8("\xC0\xAF"), "??");       // overlong form
  EXPECT_EQ(win1252::DeUtf8("\xED\xA0\x80"), "???");  // surrogate
  EXPECT_FALSE(win1252::Utf8Valido("\xE3o"));
  EXPECT_TRUE(win1252::Utf8Valido("Jo\xC3\xA3o"));
}
