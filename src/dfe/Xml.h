#pragma once
// libxml2 for the service's messages and the documents it sends: parsing that
// never touches the network, a DTD or an entity; looking elements up by
// namespace whatever wraps them; the canonical form; the schema check.
// libxml2's types are only declared here, so callers need not see its headers.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace dfexml {

inline constexpr const char* kNsNFe = "http://www.portalfiscal.inf.br/nfe";
inline constexpr const char* kNsDSig = "http://www.w3.org/2000/09/xmldsig#";

using No = _xmlNode;
struct LiberarDocumento {
  void operator()(_xmlDoc* d) const;
};
using Documento = std::unique_ptr<_xmlDoc, LiberarDocumento>;

// The parsed document, or nullptr when the text is not well-formed XML or has
// a DOCTYPE. Neither SOAP messages nor NF-e documents carry one, and refusing
// it keeps entity expansion and external loading out entirely.
Documento LerXml(std::string_view texto);
No* Raiz(const Documento& doc);

// The element itself or the first one below it (document order) with this
// local name in this namespace; nullptr when none.
No* Buscar(No* de, const char* ns, const char* nome);
// The first child element with this local name in this namespace.
No* Filho(No* pai, const char* ns, const char* nome);
// All child elements with this local name in this namespace, in order.
std::vector<No*> Filhos(No* pai, const char* ns, const char* nome);
// Elements with this local name below (and including) `de`, in any namespace.
std::size_t Contar(No* de, const char* nome);
bool EElemento(No* no, const char* ns, const char* nome);
// Local name of an element ("" for null).
std::string Nome(No* no);
// Text of an element in UTF-8, as parsed ("" for null).
std::string Texto(No* no);
// Value of an attribute without namespace, or nullopt when absent.
std::optional<std::string> Atributo(No* no, const char* nome);

// Canonical XML 1.0 (inclusive, without comments) of an element in its document.
std::string Canonizar(No* elemento);
// The same for the first element with this local name in a text; nullopt when
// the text is not XML or has no such element.
std::optional<std::string> CanonizarElemento(std::string_view xml, const char* nome);

// The messages of the first element with this local name in `xml` checked
// against a schema file; empty when it is valid.
std::string ErrosDeEsquema(std::string_view xml, const char* elemento, const std::string& arquivoXsd);

// Base64 with line breaks and blanks allowed between groups; nullopt when malformed.
std::optional<std::string> DecodificarBase64(std::string_view texto);
// Base64 on one line.
std::string CodificarBase64(std::string_view bytes);

// Replies of the services ---------------------------------------------------

// The element of a reply with this local name in the NF-e namespace, wherever
// the envelope (SOAP 1.2, SOAP 1.1 or none) puts it. Throws ErroDFe(Comunicacao)
// when the reply did not parse (`doc` null) or lacks it, citing a SOAP fault's reason.
No* ElementoDaResposta(const Documento& doc, const char* nome);
// The reason of a SOAP fault (1.2 Reason/Text, 1.1 faultstring) under `raiz`, or empty.
std::string MotivoDaFalha(No* raiz);
// The cStat child of a reply element; throws ErroDFe(Comunicacao) when absent or not a number.
int CStat(No* pai);
// Text from a message or the caller, made fit for an error message: Windows-1252, one line, short.
std::string ParaMensagem(std::string_view utf8);
bool SoDigitos(std::string_view texto, std::size_t quantos);

// xmlsec and its OpenSSL back end, set up once for the process, its messages
// silenced (callers report what failed in their own words).
void IniciarXmlSec();

}  // namespace dfexml
