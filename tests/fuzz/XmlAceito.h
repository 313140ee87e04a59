#pragma once
// The XML oracle of the fuzz targets: libxml2, not a hand-made check, must
// accept the text as one whole document.

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

// Parses the UTF-8 text and hands its root element to `visitar`; aborts with
// libxml2's message (and the text) when the parser rejects it.
template <class Visitante>
void ExigirXmlAceito(std::string_view utf8, Visitante&& visitar) {
  // No network, no entity expansion: only what the text itself says counts.
  const int opcoes = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;
  xmlDocPtr doc = xmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), "fuzz.xml", nullptr, opcoes);
  if (doc == nullptr) {
    const xmlError* erro = xmlGetLastError();
    std::fprintf(stderr, "libxml2 rejects the XML: %s\n%.*s\n", erro && erro->message ? erro->message : "?",
                 static_cast<int>(utf8.size()), utf8.data());
    std::abort();
  }
  visitar(xmlDocGetRootElement(doc));
  xmlFreeDoc(doc);
}
