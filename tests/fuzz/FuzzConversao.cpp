// A saved page of any bytes, through decoding, capture cleaning and the whole
// conversion: the not-found outcome, the conversion error, or an XML text
// libxml2 accepts. Any other exception escapes and is the finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "XmlAceito.h"
#include "converter/PaginaSalva.h"
#include "converter/TextoPagina.h"
#include "converter/ZoltHTMLtoXML.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"

namespace {

void Exigir(bool condicao, const char* oque) {
  if (!condicao) {
    std::fprintf(stderr, "broken: %s\n", oque);
    std::abort();
  }
}

// Line breaks in a page text are CR LF, never a lone CR or LF.
bool SoCRLF(std::string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && (i + 1 == t.size() || t[i + 1] != '\n')) return false;
    if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r')) return false;
  }
  return true;
}

void ConferirLimpeza(std::string_view bytes) {
  Exigir(RemoverTags(bytes).find('<') == std::string::npos, "RemoverTags leaves a '<'");
  const std::string normal = NormalizarQuebrasDeLinha(bytes);
  Exigir(SoCRLF(normal), "NormalizarQuebrasDeLinha leaves a lone CR or LF");
  Exigir(NormalizarQuebrasDeLinha(normal) == normal, "NormalizarQuebrasDeLinha is not idempotent");
  Exigir(SoCRLF(LimparTextoCapturado(bytes)), "LimparTextoCapturado leaves a lone CR or LF");
  Exigir(JuntarLinhas(normal).find("\r\n") == std::string::npos, "JuntarLinhas leaves a CR LF");
  const std::string dobrado = DobrarAscii(bytes);
  Exigir(dobrado.size() == bytes.size(), "DobrarAscii changes the length");
  for (const char c : dobrado) Exigir(c < 'a' || c > 'z', "DobrarAscii leaves a small letter");
  const std::string utf8 = win1252::ParaUtf8(bytes);
  Exigir(win1252::Utf8Valido(utf8), "ParaUtf8 makes invalid UTF-8");
  Exigir(win1252::DeUtf8(utf8) == bytes, "a byte does not survive the round trip through UTF-8");
}

void Converter(const std::string& paginaTexto) {
  TNFe nfe;
  try {
    if (!LerPaginaNFe(paginaTexto, nfe)) return;  // the not-found outcome
    const std::string xml = GerarXMLNFe(nfe);
    ExigirXmlAceito(win1252::ParaUtf8(xml), [](xmlNodePtr raiz) {
      const std::string_view nome = raiz ? reinterpret_cast<const char*>(raiz->name) : "";
      Exigir(nome == "NFe" || nome == "nfeProc", "the root element is neither NFe nor nfeProc");
    });
  } catch (const ErroConversao&) {
    // The project's conversion error: an outcome, not a fault.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  const std::string_view bytes(reinterpret_cast<const char*>(dados), tamanho);
  ConferirLimpeza(bytes);
  for (const FormaPagina forma : {FormaPagina::HTML, FormaPagina::Texto})
    Exigir(SoCRLF(PaginaTextoDeArquivo(bytes, forma)), "a saved page's text has a lone CR or LF");
  Converter(PaginaTextoDeArquivo(bytes));
  return 0;
}
