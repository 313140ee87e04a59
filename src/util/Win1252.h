#pragma once
// Text inside the core is Windows-1252, one byte per character. These are the
// conversions at the edges (UTF-8 in from files and the GUI, UTF-8 out to the
// saved XML) and the `_cp` literal that turns accented UTF-8 source literals
// into Windows-1252 bytes at compile time.
//
// The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 control characters of the same number (U+0081 ...), as
// Windows itself does, so every byte survives a round trip through UTF-8.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace win1252 {

// Unicode code points of bytes 0x80..0x9F; the rest of the code page equals Latin-1.
inline constexpr std::array<char32_t, 32> kFaixa80 = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t ParaUnicode(unsigned char c) { return (c >= 0x80 && c <= 0x9F) ? kFaixa80[c - 0x80] : char32_t(c); }

// The byte for a code point, or -1 when Windows-1252 has no such character.
constexpr int DeUnicode(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
  for (std::size_t i = 0; i < kFaixa80.size(); ++i)
    if (kFaixa80[i] == cp) return int(0x80 + i);
  return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid
// (overlong forms, surrogates and values above U+10FFFF are invalid).
constexpr std::size_t DecodificarUtf8(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  char32_t minimo = 0;
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
    minimo = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
    minimo = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
    minimo = 0x10000;
  } else
    return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// Windows-1252 text to UTF-8.
std::string ParaUtf8(std::string_view texto);
// UTF-8 text to Windows-1252: characters the code page lacks and invalid
// sequences become '?', one per character or invalid byte.
std::string DeUtf8(std::string_view texto);
bool Utf8Valido(std::string_view texto);

// Compile-time literal: `"Chave Inválida."_cp` is a std::string_view of the
// Windows-1252 bytes. A character the code page lacks fails to compile.
// The bytes are held as numbers and handed out by reference to a static
// view (below), by a constexpr rather than consteval operator: clang 14
// crashes on a view into a char array of the template argument, and leaves a
// consteval operator undefined at link time in some calls. The bytes are
// still made and checked at compile time, as the template argument.
template <std::size_t N>
struct Literal {
  unsigned short dados[N]{};
  std::size_t tamanho = 0;
  consteval Literal(const char (&s)[N]) {
    const std::string_view v(s, N - 1);
    for (std::size_t i = 0; i < v.size();) {
      char32_t cp = 0;
      const std::size_t n = DecodificarUtf8(v, i, cp);
      if (n == 0) throw "invalid UTF-8 in literal";
      const int byte = DeUnicode(cp);
      if (byte < 0) throw "character not in Windows-1252";
      dados[tamanho++] = static_cast<unsigned short>(byte);
      i += n;
    }
  }
};

// The Windows-1252 bytes of one literal, made once at compile time.
template <Literal L>
struct BytesLiteral {
  static constexpr std::array<char, sizeof(L.dados) / sizeof(L.dados[0])> bytes = [] {
    std::array<char, sizeof(L.dados) / sizeof(L.dados[0])> b{};
    for (std::size_t i = 0; i < L.tamanho; ++i) b[i] = static_cast<char>(L.dados[i]);
    return b;
  }();
  static constexpr std::string_view vista{bytes.data(), L.tamanho};
};

}  // namespace win1252

template <win1252::Literal L>
constexpr const std::string_view& operator""_cp() {
  return win1252::BytesLiteral<L>::vista;
}
