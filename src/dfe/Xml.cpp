#include "dfe/Xml.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/xmlsec.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <stdexcept>

#include "dfe/Desfecho.h"
#include "util/Win1252.h"

namespace dfexml {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// A DOCTYPE stops the parse at once: nothing of the DTD is read or loaded.
void RecusarDtd(void* contexto, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(contexto);
  *static_cast<bool*>(ctxt->_private) = true;
  xmlStopParser(ctxt);
}

void Acumular(void* destino, xmlErrorPtr erro) {
  auto& texto = *static_cast<std::string*>(destino);
  if (!erro || !erro->message) return;
  std::string linha = erro->message;
  while (!linha.empty() && (linha.back() == '\n' || linha.back() == ' ')) linha.pop_back();
  if (!texto.empty()) texto += "; ";
  if (erro->line > 0) texto += "linha " + std::to_string(erro->line) + ": ";
  texto += linha;
}

void Silenciar(const char*, int, const char*, const char*, const char*, int, const char*) {}

template <typename F>
No* Percorrer(No* no, F&& aceita) {
  for (; no; no = no->next) {
    if (no->type != XML_ELEMENT_NODE) continue;
    if (aceita(no)) return no;
    if (No* achado = Percorrer(no->children, aceita)) return achado;
  }
  return nullptr;
}

}  // namespace

void LiberarDocumento::operator()(_xmlDoc* d) const { xmlFreeDoc(d); }

Documento LerXml(std::string_view texto) {
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt || texto.size() > static_cast<std::size_t>(INT32_MAX)) return nullptr;
  bool temDtd = false;
  ctxt->_private = &temDtd;
  ctxt->sax->internalSubset = RecusarDtd;
  Documento doc(xmlCtxtReadMemory(ctxt.get(), texto.data(), static_cast<int>(texto.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (temDtd || !ctxt->wellFormed || !doc || !xmlDocGetRootElement(doc.get())) return nullptr;
  return doc;
}

No* Raiz(const Documento& doc) { return doc ? xmlDocGetRootElement(doc.get()) : nullptr; }

bool EElemento(No* no, const char* ns, const char* nome) {
  return no && no->type == XML_ELEMENT_NODE && xmlStrEqual(no->name, X(nome)) &&
         (ns ? (no->ns && xmlStrEqual(no->ns->href, X(ns))) : !no->ns);
}

No* Buscar(No* de, const char* ns, const char* nome) {
  if (!de) return nullptr;
  if (EElemento(de, ns, nome)) return de;
  return Percorrer(de->children, [&](No* n) { return EElemento(n, ns, nome); });
}

No* Filho(No* pai, const char* ns, const char* nome) {
  if (!pai) return nullptr;
  for (No* n = pai->children; n; n = n->next)
    if (EElemento(n, ns, nome)) return n;
  return nullptr;
}

std::vector<No*> Filhos(No* pai, const char* ns, const char* nome) {
  std::vector<No*> filhos;
  for (No* n = pai ? pai->children : nullptr; n; n = n->next)
    if (EElemento(n, ns, nome)) filhos.push_back(n);
  return filhos;
}

std::size_t Contar(No* de, const char* nome) {
  std::size_t n = 0;
  if (!de) return 0;
  if (de->type == XML_ELEMENT_NODE && xmlStrEqual(de->name, X(nome))) ++n;
  Percorrer(de->children, [&](No* e) {
    if (xmlStrEqual(e->name, X(nome))) ++n;
    return false;
  });
  return n;
}

std::string Nome(No* no) { return no ? reinterpret_cast<const char*>(no->name) : ""; }

std::string Texto(No* no) {
  if (!no) return {};
  xmlChar* t = xmlNodeGetContent(no);
  std::string s = t ? reinterpret_cast<const char*>(t) : "";
  xmlFree(t);
  return s;
}

std::optional<std::string> Atributo(No* no, const char* nome) {
  if (!no) return std::nullopt;
  xmlChar* v = xmlGetNoNsProp(no, X(nome));
  if (!v) return std::nullopt;
  std::string s = reinterpret_cast<const char*>(v);
  xmlFree(v);
  return s;
}

namespace {
// The canonicaliser asks, node by node, whether a node belongs to the subtree.
int NoSubarvore(void* raiz, xmlNodePtr no, xmlNodePtr pai) {
  const auto* alvo = static_cast<xmlNodePtr>(raiz);
  // Namespace and attribute nodes are judged by the element that holds them.
  for (xmlNodePtr n = (no && no->type != XML_NAMESPACE_DECL) ? no : pai; n; n = n->parent)
    if (n == alvo) return 1;
  return 0;
}
}  // namespace

std::string Canonizar(No* elemento) {
  if (!elemento) return {};
  std::unique_ptr<xmlOutputBuffer, decltype(&xmlOutputBufferClose)> saida(xmlAllocOutputBuffer(nullptr),
                                                                          xmlOutputBufferClose);
  if (!saida || xmlC14NExecute(elemento->doc, NoSubarvore, elemento, XML_C14N_1_0, nullptr, 0, saida.get()) < 0)
    throw ErroDFe(Desfecho::DocumentoInvalido, std::string("A forma canônica (C14N) de <"_cp) + Nome(elemento) +
                                                   std::string("> não pôde ser calculada."_cp));
  return std::string(reinterpret_cast<const char*>(xmlOutputBufferGetContent(saida.get())),
                     xmlOutputBufferGetSize(saida.get()));
}

std::optional<std::string> CanonizarElemento(std::string_view xml, const char* nome) {
  Documento doc = LerXml(xml);
  No* alvo = Percorrer(Raiz(doc), [&](No* n) { return xmlStrEqual(n->name, X(nome)) != 0; });
  if (!alvo) return std::nullopt;
  return Canonizar(alvo);
}

std::string ErrosDeEsquema(std::string_view xml, const char* elemento, const std::string& arquivoXsd) {
  std::string erros;
  Documento doc = LerXml(xml);
  No* alvo = Percorrer(Raiz(doc), [&](No* n) { return xmlStrEqual(n->name, X(elemento)) != 0; });
  if (!alvo) return std::string("sem o elemento ") + elemento;

  std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> pctxt(
      xmlSchemaNewParserCtxt(arquivoXsd.c_str()), xmlSchemaFreeParserCtxt);
  if (!pctxt) return std::string("esquema ilegível: "_cp) + arquivoXsd;
  xmlSchemaSetParserStructuredErrors(pctxt.get(), Acumular, &erros);
  std::unique_ptr<xmlSchema, decltype(&xmlSchemaFree)> esquema(xmlSchemaParse(pctxt.get()), xmlSchemaFree);
  if (!esquema) return std::string("esquema ilegível: "_cp) + arquivoXsd + ": " + erros;

  std::unique_ptr<xmlSchemaValidCtxt, decltype(&xmlSchemaFreeValidCtxt)> vctxt(xmlSchemaNewValidCtxt(esquema.get()),
                                                                               xmlSchemaFreeValidCtxt);
  xmlSchemaSetValidStructuredErrors(vctxt.get(), Acumular, &erros);
  const int r = xmlSchemaValidateOneElement(vctxt.get(), alvo);
  if (r != 0 && erros.empty()) erros = std::string("inválido ("_cp) + std::to_string(r) + ")";
  return erros;
}

namespace {
constexpr char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> kValores = [] {
  std::array<signed char, 256> v{};
  v.fill(-1);
  for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlfabeto[i])] = static_cast<signed char>(i);
  return v;
}();
}  // namespace

std::optional<std::string> DecodificarBase64(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size() / 4 * 3);
  unsigned acumulado = 0;
  int bits = 0, quantos = 0, preenchimento = 0;
  for (const char c : texto) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++preenchimento;
      ++quantos;
      continue;
    }
    const int v = kValores[static_cast<unsigned char>(c)];
    if (v < 0 || preenchimento) return std::nullopt;  // foreign character, or data after the padding
    acumulado = (acumulado << 6) | static_cast<unsigned>(v);
    bits += 6;
    ++quantos;
    if (bits >= 8) {
      bits -= 8;
      saida.push_back(static_cast<char>((acumulado >> bits) & 0xFF));
    }
  }
  // Whole groups of four; the padding fills only the last one, by one or two.
  if (quantos % 4 != 0 || preenchimento > 2) return std::nullopt;
  if (preenchimento && (acumulado & ((1u << bits) - 1)) != 0) return std::nullopt;
  return saida;
}

std::string CodificarBase64(std::string_view bytes) {
  std::string s;
  s.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto b = [&](std::size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (b(i) << 16) | (b(i + 1) << 8) | b(i + 2);
    for (int d = 18; d >= 0; d -= 6) s.push_back(kAlfabeto[(v >> d) & 63]);
  }
  if (const std::size_t resto = bytes.size() - i) {
    const unsigned v = (b(i) << 16) | (resto == 2 ? b(i + 1) << 8 : 0);
    s.push_back(kAlfabeto[(v >> 18) & 63]);
    s.push_back(kAlfabeto[(v >> 12) & 63]);
    s.push_back(resto == 2 ? kAlfabeto[(v >> 6) & 63] : '=');
    s.push_back('=');
  }
  return s;
}

namespace {
// The reason of a SOAP fault (1.2 Reason/Text or 1.1 faultstring), if the reply is one.
}  // namespace

std::string MotivoDaFalha(No* raiz) {
  for (const char* ns : {"http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/"}) {
    No* falha = Buscar(raiz, ns, "Fault");
    if (!falha) continue;
    if (No* texto = Buscar(falha, ns, "Text")) return Texto(texto);
    if (No* texto = Buscar(falha, nullptr, "faultstring")) return Texto(texto);
    return Texto(falha);
  }
  return {};
}

No* ElementoDaResposta(const Documento& doc, const char* nome) {
  if (!doc) throw ErroDFe(Desfecho::Comunicacao, std::string("A resposta do serviço não é XML."_cp));
  if (No* elemento = Buscar(Raiz(doc), kNsNFe, nome)) return elemento;
  const std::string falha = MotivoDaFalha(Raiz(doc));
  throw ErroDFe(Desfecho::Comunicacao,
                std::string("A resposta do serviço não traz "_cp) + nome +
                    (falha.empty() ? std::string(".") : " (falha SOAP: " + ParaMensagem(falha) + ")."));
}

int CStat(No* pai) {
  const std::string texto = Texto(Filho(pai, kNsNFe, "cStat"));
  int cStat = 0;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), cStat);
  if (texto.empty() || erro != std::errc() || fim != texto.data() + texto.size())
    throw ErroDFe(Desfecho::Comunicacao, std::string("A resposta do serviço traz um cStat inválido: \""_cp) +
                                             ParaMensagem(texto) + "\" (em " + Nome(pai) + ").");
  return cStat;
}

std::string ParaMensagem(std::string_view utf8) {
  std::string s = win1252::DeUtf8(utf8.substr(0, 300));
  std::replace_if(
      s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  return s;
}

bool SoDigitos(std::string_view texto, std::size_t quantos) {
  return texto.size() == quantos &&
         std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

namespace {
bool IniciarUmaVez() {
  xmlInitParser();
  if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1 || xmlSecCryptoAppInit(nullptr) < 0 || xmlSecCryptoInit() < 0)
    throw ErroDFe(Desfecho::DocumentoInvalido,
                  std::string("A biblioteca de assinaturas (xmlsec1) não pôde ser iniciada."_cp));
  xmlSecErrorsSetCallback(Silenciar);
  return true;
}
}  // namespace

// A plain function rather than a lambda here: clang 14 crashes on the literal inside one.
void IniciarXmlSec() {
  static const bool pronto = IniciarUmaVez();
  (void)pronto;
}

}  // namespace dfexml
