#include "util/TextoSeguro.h"

#include <cstdio>

#include "util/Win1252.h"

std::string EscaparControles(std::string_view utf8) {
  std::string saida;
  saida.reserve(utf8.size());
  char escape[8];
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '\\') {
      saida += "\\\\";
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", unsigned(c));
      saida += escape;
      ++i;
    } else if (c < 0x80) {
      saida += char(c);
      ++i;
    } else {
      char32_t cp = 0;
      const std::size_t n = win1252::DecodificarUtf8(utf8, i, cp);
      if (n == 0) {
        std::snprintf(escape, sizeof escape, "\\x%02X", unsigned(c));
        saida += escape;
        ++i;
      } else if (cp >= 0x80 && cp <= 0x9F) {
        std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(cp));
        saida += escape;
        i += n;
      } else {
        saida.append(utf8.substr(i, n));
        i += n;
      }
    }
  }
  return saida;
}
