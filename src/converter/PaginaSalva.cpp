#include "converter/PaginaSalva.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstring>

#include "converter/TextoPagina.h"
#include "util/Win1252.h"

namespace {

char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Position of `chave` (given in small letters) ignoring ASCII case, from `desde`.
std::size_t Buscar(std::string_view texto, std::string_view chave, std::size_t desde = 0) {
  if (chave.empty() || desde > texto.size() || texto.size() - desde < chave.size()) return std::string_view::npos;
  const char primeiro = chave.front();
  const bool letra = primeiro >= 'a' && primeiro <= 'z';
  const std::size_t ultimo = texto.size() - chave.size();
  for (std::size_t i = desde; i <= ultimo; ++i) {
    // Markup keys start with "<": jump between those with memchr.
    if (!letra) {
      const void* p = std::memchr(texto.data() + i, primeiro, ultimo + 1 - i);
      if (p == nullptr) return std::string_view::npos;
      i = static_cast<std::size_t>(static_cast<const char*>(p) - texto.data());
    }
    std::size_t k = 0;
    while (k < chave.size() && Minuscula(texto[i + k]) == chave[k]) ++k;
    if (k == chave.size()) return i;
  }
  return std::string_view::npos;
}

// A start tag "<nome" followed by a blank, "/" or ">".
std::size_t BuscarTag(std::string_view texto, std::string_view nome, std::size_t desde = 0) {
  for (std::size_t p = Buscar(texto, nome, desde); p != std::string_view::npos; p = Buscar(texto, nome, p + 1)) {
    const std::size_t fim = p + nome.size();
    if (fim == texto.size()) return std::string_view::npos;
    const unsigned char c = static_cast<unsigned char>(texto[fim]);
    if (c <= 32 || c == '>' || c == '/') return p;
  }
  return std::string_view::npos;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBomUtf16LE = "\xFF\xFE";
constexpr std::string_view kBomUtf16BE = "\xFE\xFF";

// UTF-16 text (after its byte order mark) as Windows-1252: a surrogate pair is
// one character; characters the code page lacks, lone surrogates and an odd
// last byte become '?'.
std::string DeUtf16(std::string_view bytes, bool bigEndian) {
  const auto unidade = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  std::string texto;
  texto.reserve(bytes.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unidade(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t baixa = unidade(i + 2);
      if (baixa >= 0xDC00 && baixa <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (baixa - 0xDC00);
        i += 2;
      }
    }
    const int byte = (c >= 0xD800 && c <= 0xDFFF) ? -1 : win1252::DeUnicode(c);
    texto.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  if (i < bytes.size()) texto.push_back('?');
  return texto;
}

bool Utf8(std::string_view charset) { return charset == "utf-8" || charset == "utf8"; }

bool Windows1252(std::string_view charset) {
  // Browsers read all of these as Windows-1252.
  for (std::string_view nome :
       {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "latin1", "l1", "us-ascii", "ascii"})
    if (charset == nome) return true;
  return false;
}

// clang-format off
// HTML's names of the Latin-1 characters, from the no-break space (160) on.
constexpr std::array<std::string_view, 96> kNomesLatin1 = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};
// clang-format on

struct NomeCaractere {
  std::string_view nome;
  char32_t caractere;
};

// clang-format off
// The other named characters Windows-1252 has.
constexpr NomeCaractere kOutrosNomes[] = {
    {"quot", U'"'},      {"apos", U'\''},     {"euro", 0x20AC},    {"sbquo", 0x201A},
    {"fnof", 0x0192},    {"bdquo", 0x201E},   {"hellip", 0x2026},  {"dagger", 0x2020},
    {"Dagger", 0x2021},  {"circ", 0x02C6},    {"permil", 0x2030},  {"Scaron", 0x0160},
    {"lsaquo", 0x2039},  {"OElig", 0x0152},   {"lsquo", 0x2018},   {"rsquo", 0x2019},
    {"ldquo", 0x201C},   {"rdquo", 0x201D},   {"bull", 0x2022},    {"ndash", 0x2013},
    {"mdash", 0x2014},   {"tilde", 0x02DC},   {"trade", 0x2122},   {"scaron", 0x0161},
    {"rsaquo", 0x203A},  {"oelig", 0x0153},   {"Yuml", 0x0178},
};
// clang-format on

// The character a reference names; U+FFFF when it names none we know.
char32_t CaractereDaReferencia(std::string_view corpo) {
  if (corpo.size() > 1 && corpo[0] == '#') {
    const bool hexa = corpo[1] == 'x' || corpo[1] == 'X';
    const std::string_view digitos = corpo.substr(hexa ? 2 : 1);
    unsigned long valor = 0;
    const auto [ptr, ec] = std::from_chars(digitos.data(), digitos.data() + digitos.size(), valor, hexa ? 16 : 10);
    if (digitos.empty() || ec != std::errc() || ptr != digitos.data() + digitos.size() || valor == 0 ||
        valor > 0x10FFFF)
      return 0xFFFF;
    // As browsers do, the numbers 128-159 mean the Windows-1252 characters.
    if (valor >= 0x80 && valor <= 0x9F) return win1252::ParaUnicode(static_cast<unsigned char>(valor));
    return static_cast<char32_t>(valor);
  }
  for (std::size_t i = 0; i < kNomesLatin1.size(); ++i)
    if (kNomesLatin1[i] == corpo) return static_cast<char32_t>(160 + i);
  for (const auto& n : kOutrosNomes)
    if (n.nome == corpo) return n.caractere;
  return 0xFFFF;
}

// UTF-8 when its multi-byte sequences outnumber the bytes that fit none: one
// bad byte in a UTF-8 page is replaced alone, while Windows-1252 text (whose
// accented letters are never valid sequences) stays as it is.
bool PareceUtf8(std::string_view bytes) {
  std::size_t validas = 0, invalidas = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const std::size_t n = win1252::DecodificarUtf8(bytes, i, cp);
    if (n == 0) {
      ++invalidas;
      ++i;
    } else {
      validas += n > 1;
      i += n;
    }
  }
  return invalidas == 0 || validas > invalidas;
}

}  // namespace

bool EhHTML(std::string_view bytes) {
  const std::string_view antes = bytes.substr(0, Buscar(bytes, "chave de acesso"));
  return BuscarTag(antes, "<html") != std::string_view::npos || BuscarTag(antes, "<head") != std::string_view::npos ||
         BuscarTag(antes, "<body") != std::string_view::npos;
}

namespace {

bool TratarComoHTML(std::string_view bytes, FormaPagina forma) {
  return forma == FormaPagina::Detectar ? EhHTML(bytes) : forma == FormaPagina::HTML;
}

}  // namespace

std::string CharsetDeclarado(std::string_view html) {
  const std::size_t corpo = BuscarTag(html, "<body");
  const std::string_view cabeca = html.substr(0, corpo);
  for (std::size_t meta = BuscarTag(cabeca, "<meta"); meta != std::string_view::npos;
       meta = BuscarTag(cabeca, "<meta", meta + 1)) {
    // A tag left open ends where the next one starts, so each byte of the
    // head is looked at a bounded number of times.
    const std::size_t fimTag = cabeca.find_first_of("<>", meta + 1);
    const std::string_view tag = cabeca.substr(meta, fimTag == std::string_view::npos ? fimTag : fimTag - meta);
    const std::size_t p = Buscar(tag, "charset");
    if (p == std::string_view::npos) continue;
    std::size_t i = p + 7;
    while (i < tag.size() && (static_cast<unsigned char>(tag[i]) <= 32)) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (static_cast<unsigned char>(tag[i]) <= 32 || tag[i] == '"' || tag[i] == '\'')) ++i;
    std::string nome;
    while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-' || tag[i] == '_' ||
                              tag[i] == '.' || tag[i] == ':'))
      nome += Minuscula(tag[i++]);
    if (!nome.empty()) return nome;
  }
  return {};
}

std::string DecodificarPaginaSalva(std::string_view bytes, FormaPagina forma) {
  if (bytes.starts_with(kBom)) return win1252::DeUtf8(bytes.substr(kBom.size()));
  if (bytes.starts_with(kBomUtf16LE)) return DeUtf16(bytes.substr(2), false);
  if (bytes.starts_with(kBomUtf16BE)) return DeUtf16(bytes.substr(2), true);
  if (TratarComoHTML(bytes, forma)) {
    const std::string charset = CharsetDeclarado(bytes);
    if (Utf8(charset)) return win1252::DeUtf8(bytes);
    if (Windows1252(charset)) return std::string(bytes);
  }
  return PareceUtf8(bytes) ? win1252::DeUtf8(bytes) : std::string(bytes);
}

std::string_view CorpoHTML(std::string_view html) {
  const std::size_t corpo = BuscarTag(html, "<body");
  std::size_t inicio = 0;
  if (corpo != std::string_view::npos) {
    const std::size_t fimTag = html.find('>', corpo);
    if (fimTag == std::string_view::npos) return {};
    inicio = fimTag + 1;
  } else if (const std::size_t cabeca = Buscar(html, "</head>"); cabeca != std::string_view::npos) {
    inicio = cabeca + 7;
  }
  std::size_t fim = std::string_view::npos;
  for (std::size_t p = Buscar(html, "</body", inicio); p != std::string_view::npos; p = Buscar(html, "</body", p + 1))
    fim = p;
  return html.substr(inicio, fim == std::string_view::npos ? fim : fim - inicio);
}

std::string NormalizarReferencias(std::string_view html) {
  std::string saida;
  saida.reserve(html.size());
  std::size_t i = 0;
  while (i < html.size()) {
    const std::size_t e = html.find_first_of("&\xA0", i);
    if (e == std::string_view::npos) {
      saida.append(html.substr(i));
      break;
    }
    saida.append(html.substr(i, e - i));
    if (html[e] != '&') {  // a no-break space written as such shows as its reference too
      saida.append("&nbsp;");
      i = e + 1;
      continue;
    }
    // A reference is short: "&" + up to 10 characters + ";".
    const std::size_t pontoEVirgula = html.substr(e, 12).find(';');
    const char32_t c =
        pontoEVirgula == std::string_view::npos ? 0xFFFF : CaractereDaReferencia(html.substr(e + 1, pontoEVirgula - 1));
    if (c == 0xFFFF) {
      saida.push_back('&');
      i = e + 1;
      continue;
    }
    i = e + pontoEVirgula + 1;
    switch (c) {
      case U'&':
        saida.append("&amp;");
        break;
      case U'<':
        saida.append("&lt;");
        break;
      case U'>':
        saida.append("&gt;");
        break;
      case 0xA0:
        saida.append("&nbsp;");
        break;
      default: {
        const int byte = win1252::DeUnicode(c);
        saida.push_back(byte < 0 ? '?' : static_cast<char>(byte));
      }
    }
  }
  return saida;
}

std::string PaginaTextoDeArquivo(std::string_view bytes, FormaPagina forma) {
  const std::string texto = DecodificarPaginaSalva(bytes, forma);
  if (!TratarComoHTML(texto, forma)) return NormalizarQuebrasDeLinha(texto);
  return LimparTextoCapturado(NormalizarReferencias(CorpoHTML(texto)));
}
