#include <gtest/gtest.h>

#include "converter/PaginaSalva.h"
#include "util/Win1252.h"

TEST(PaginaSalva, RecognisesHtmlAndItsDeclaredCharset) {
  EXPECT_TRUE(EhHTML("<!DOCTYPE html>\n<HTML lang=\"pt\">"));
  EXPECT_TRUE(EhHTML("x<BODY>y"));
  EXPECT_FALSE(EhHTML("Chave de acesso123\r\nDados da NF-e"));
  EXPECT_FALSE(EhHTML("<bodyguard>"));
  // Only what comes before the first label counts: values may hold tag text.
  EXPECT_FALSE(EhHTML("Consulta\r\nChave de acesso35\r\nInformações<body> e <html>\r\n"_cp));
  EXPECT_TRUE(EhHTML("<html><head><title>CHAVE DE ACESSO</title></head><body>Chave de acesso35</body></html>"));
  EXPECT_TRUE(EhHTML("<body><p>NF-e INEXISTENTE</p></body>"));  // no label: all of it
  struct Caso {
    const char* html;
    const char* charset;
  };
  const Caso casos[] = {
      {"<head><meta charset=\"UTF-8\"></head>", "utf-8"},
      {"<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\" /></HEAD>", "iso-8859-1"},
      {"<head><meta name=\"x\"><meta charset = 'windows-1252'></head>", "windows-1252"},
      {"<head><title>t</title></head><body><meta charset=\"utf-8\"></body>", ""},  // only before the body
      {"<html><body>sem cabeça</body></html>", ""},
      // A meta tag left open ends at the next tag: another tag's charset is not the page's.
      {"<head><meta name=\"a\" <link rel=\"x\" charset=\"utf-8\"></head><body>", ""},
      {"<head><meta <meta <meta charset=utf-8></head>", "utf-8"},
  };
  for (const auto& c : casos) EXPECT_EQ(CharsetDeclarado(c.html), c.charset) << c.html;
}

// A head of meta tags never closed is read once, not once per tag (its time is
// measured by bench/PaginasHostis.cpp): the answer is that there is none.
TEST(PaginaSalva, HeadOfUnclosedMetaTagsDeclaresNoCharset) {
  std::string html = "<html><head>";
  for (int i = 0; i < 200000; ++i) html += "<meta ";
  EXPECT_EQ(CharsetDeclarado(html), "");
}

TEST(PaginaSalva, DecodesByDeclarationThenUtf8ThenWindows1252) {
  const std::string utf8 = "Descri\xC3\xA7\xC3\xA3o";  // Descrição in UTF-8
  const std::string cp = std::string("Descrição"_cp);
  EXPECT_EQ(DecodificarPaginaSalva("<head><meta charset=utf-8></head>" + utf8),
            "<head><meta charset=utf-8></head>" + cp);
  EXPECT_EQ(DecodificarPaginaSalva(utf8), cp);                   // captured text saved as UTF-8
  EXPECT_EQ(DecodificarPaginaSalva(cp), cp);                     // not UTF-8: already Windows-1252
  EXPECT_EQ(DecodificarPaginaSalva("\xEF\xBB\xBF" + utf8), cp);  // byte order mark
  // Declared Windows-1252: the bytes stand, even when they happen to be valid UTF-8.
  const std::string declarado = "<head><meta charset=\"windows-1252\"></head>" + utf8;
  EXPECT_EQ(DecodificarPaginaSalva(declarado), declarado);
  // Declared UTF-8 but broken: '?' for the bad bytes, never a failure.
  EXPECT_EQ(DecodificarPaginaSalva("<head><meta charset=utf-8></head>a\xE7z"), "<head><meta charset=utf-8></head>a?z");
}

TEST(PaginaSalva, BodyInnerMarkup) {
  EXPECT_EQ(CorpoHTML("<html><head><title>x</title></head><body class=\"a\">\n<p>1</p>\n</body></html>"),
            "\n<p>1</p>\n");
  EXPECT_EQ(CorpoHTML("<html><head></head>sem body</html>"), "sem body</html>");
  EXPECT_EQ(CorpoHTML("<body>a</body>b</BODY>"), "a</body>b");
  EXPECT_EQ(CorpoHTML("<body class=\"x\""), "");  // an unfinished start tag
}

TEST(PaginaSalva, ReferencesAsTheBrowserShowsThem) {
  struct Caso {
    const char* html;
    std::string_view texto;
  };
  const Caso casos[] = {
      {"Descri&ccedil;&atilde;o", "Descrição"_cp},
      {"&#231;&#xE7;&#XE7;", "ççç"_cp},
      {"A&amp;B &#38; &lt;&#60; &gt; &nbsp;&#160;", "A&amp;B &amp; &lt;&lt; &gt; &nbsp;&nbsp;"},
      {"&#150;&euro;&quot;", "–€\""_cp},
      {"R$\xA0"
       "10,00 \xA0",
       "R$&nbsp;10,00 &nbsp;"},  // the character itself, as the reference
      {"&desconhecida; & &#0; &#xZZ; &#x4E2D; &ccedil", "&desconhecida; & &#0; &#xZZ; ? &ccedil"},
  };
  for (const auto& c : casos) EXPECT_EQ(NormalizarReferencias(c.html), c.texto) << c.html;
}

TEST(PaginaSalva, FormCanBeForced) {
  const std::string texto = "Chave de acesso1\r\nx<body>y<b>z</b>";
  EXPECT_EQ(PaginaTextoDeArquivo(texto), texto);
  EXPECT_EQ(PaginaTextoDeArquivo(texto, FormaPagina::Texto), texto);
  EXPECT_EQ(PaginaTextoDeArquivo(texto, FormaPagina::HTML), "yz");
  const std::string html = "<html><body><p>a<b>b</b></p>\n</body></html>";
  EXPECT_EQ(PaginaTextoDeArquivo(html), "ab\r\n");
  EXPECT_EQ(PaginaTextoDeArquivo(html, FormaPagina::Texto), "<html><body><p>a<b>b</b></p>\r\n</body></html>");
}

TEST(PaginaSalva, PageTextOfASavedPage) {
  const std::string html =
      "<html><head><meta charset=\"utf-8\"><script>function x(){}</script></head>\n<body>\n"
      "<div><label>Descri&ccedil;&atilde;o</label><span>CAF\xC3\x89&nbsp;TORRADO\xC2\xA0</span></div>\n"
      "<script>\nfunction f() { document.write(1); }\n</script>\n<p>A&amp;B</p>\n</body></html>";
  EXPECT_EQ(PaginaTextoDeArquivo(html), "DescriçãoCAFÉTORRADO\r\nA&B\r\n"_cp);
  EXPECT_EQ(PaginaTextoDeArquivo("Chave de acesso1\nVers\xC3\xA3o2.00"), "Chave de acesso1\r\nVersão2.00"_cp);
}

TEST(PaginaSalva, OneBadByteInAUtf8PageReplacesOnlyThatByte) {
  const std::string utf8 = "Descri\xC3\xA7\xC3\xA3o Vers\xC3\xA3o N\xC3\xBAmero";
  struct Caso {
    std::string bytes, esperado;
  };
  const Caso casos[] = {
      {utf8 + " \xFF fim", std::string("Descrição Versão Número ? fim"_cp)},
      {"\x80" + utf8, std::string("?Descrição Versão Número"_cp)},
      // Windows-1252 text with a chance valid sequence stays Windows-1252.
      {"Vers\xE3o \xC3\xA9 Descri\xE7\xE3o", "Vers\xE3o \xC3\xA9 Descri\xE7\xE3o"},
  };
  for (const Caso& c : casos) EXPECT_EQ(DecodificarPaginaSalva(c.bytes), c.esperado) << c.bytes;
}

TEST(PaginaSalva, Utf16WithAByteOrderMark) {
  // "Descrição" and the rest in UTF-16, after the byte order mark.
  struct Caso {
    std::string le, esperado;
  };
  const Caso casos[] = {
      {std::string("D\0\xE7\0\xE3\0o\0", 8), std::string("Dção"_cp)},
      {std::string("\xAC\x20", 2), std::string("€"_cp)},  // U+20AC, in the code page
      {std::string("\x2D\x4E!\0", 4), "?!"},              // U+4E2D, not in it
      {std::string("\x3D\xD8\x00\xDE"
                   "a\0",
                   6),
       "?a"},  // a surrogate pair is one character
      {std::string("\x3D\xD8"
                   "a\0\x00\xDE",
                   6),
       "?a?"},                         // lone surrogates
      {std::string("a\0b", 3), "a?"},  // an odd last byte
  };
  for (const Caso& c : casos) {
    std::string be;
    for (std::size_t i = 0; i + 1 < c.le.size(); i += 2) be += std::string{c.le[i + 1], c.le[i]};
    if (c.le.size() % 2) be += c.le.back();
    EXPECT_EQ(DecodificarPaginaSalva("\xFF\xFE" + c.le), c.esperado) << c.esperado;
    EXPECT_EQ(DecodificarPaginaSalva("\xFE\xFF" + be), c.esperado) << c.esperado;
  }
  // The mark wins over a declared charset, and the HTML is still found in the decoded text.
  std::string html;
  for (char c : std::string("<html><head><meta charset=\"windows-1252\"></head><body>Chave de acesso1</body></html>"))
    html += std::string{c, '\0'};
  EXPECT_EQ(PaginaTextoDeArquivo("\xFF\xFE" + html), "Chave de acesso1");
}
