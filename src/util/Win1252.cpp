#include "Win1252.h"

namespace win1252 {

std::string ParaUtf8(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size() + texto.size() / 8);
  for (const char ch : texto) {
    const char32_t cp = ParaUnicode(static_cast<unsigned char>(ch));
    if (cp < 0x80) {
      saida += static_cast<char>(cp);
    } else if (cp < 0x800) {
      saida += static_cast<char>(0xC0 | (cp >> 6));
      saida += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      saida += static_cast<char>(0xE0 | (cp >> 12));
      saida += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      saida += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return saida;
}

std::string DeUtf8(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodificarUtf8(texto, i, cp);
    if (n == 0) {
      saida += '?';
      ++i;
      continue;
    }
    const int byte = DeUnicode(cp);
    saida += byte < 0 ? '?' : static_cast<char>(byte);
    i += n;
  }
  return saida;
}

bool Utf8Valido(std::string_view texto) {
  for (std::size_t i = 0; i < texto.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodificarUtf8(texto, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace win1252
