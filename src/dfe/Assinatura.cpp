#include "dfe/Assinatura.h"

#include <libxml/tree.h>
#include <libxml/valid.h>
#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>

#include <memory>
#include <optional>

#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

using dfexml::kNsDSig;
using dfexml::kNsNFe;

[[noreturn]] void Recusar(const std::string& motivo) { throw ErroDFe(Desfecho::DocumentoInvalido, motivo); }

// Values from the document, for a message: Windows-1252, short.
std::string Citar(const std::string& utf8) { return win1252::DeUtf8(utf8.substr(0, 80)); }

// Only what an NF-e signature uses: no XPath, no XSLT, no other document.
void RestringirAlgoritmos(xmlSecDSigCtx& ctx) {
  ctx.enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
  for (xmlSecTransformId t :
       {xmlSecTransformInclC14NId, xmlSecTransformExclC14NId, xmlSecTransformRsaSha1Id, xmlSecTransformRsaSha256Id})
    xmlSecDSigCtxEnableSignatureTransform(&ctx, t);
  for (xmlSecTransformId t : {xmlSecTransformEnvelopedId, xmlSecTransformInclC14NId, xmlSecTransformExclC14NId,
                              xmlSecTransformSha1Id, xmlSecTransformSha256Id})
    xmlSecDSigCtxEnableReferenceTransform(&ctx, t);
}

}  // namespace

void ConferirOriginal(const std::string& xml, const std::string& chave) {
  const dfexml::Documento doc = dfexml::LerXml(xml);
  if (!doc) Recusar(std::string("O documento recebido não é XML bem formado."_cp));
  dfexml::No* raiz = dfexml::Raiz(doc);

  dfexml::No* nfe = nullptr;
  if (dfexml::EElemento(raiz, kNsNFe, "NFe")) {
    nfe = raiz;
  } else if (dfexml::EElemento(raiz, kNsNFe, "nfeProc")) {
    const auto filhos = dfexml::Filhos(raiz, kNsNFe, "NFe");
    if (filhos.size() == 1) nfe = filhos[0];
  }
  if (!nfe)
    Recusar(std::string("O documento recebido não é uma NF-e (elemento raiz <"_cp) + Citar(dfexml::Nome(raiz)) + ">).");

  // Exactly one infNFe in the whole document: the one signed is the one read.
  const std::size_t quantos = dfexml::Contar(raiz, "infNFe");
  dfexml::No* inf = dfexml::Filho(nfe, kNsNFe, "infNFe");
  if (quantos != 1 || !inf)
    Recusar("O documento recebido tem " + std::to_string(quantos) +
            std::string(" elementos infNFe; uma NF-e tem exatamente um, dentro de NFe."_cp));
  const std::string id = dfexml::Atributo(inf, "Id").value_or("");
  if (id != "NFe" + chave)
    Recusar(std::string("A chave do documento recebido (Id \""_cp) + Citar(id) + "\") difere da pedida (" + chave +
            ").");
  if (dfexml::EElemento(raiz, kNsNFe, "nfeProc")) {
    dfexml::No* chProt = dfexml::Buscar(dfexml::Filho(raiz, kNsNFe, "protNFe"), kNsNFe, "chNFe");
    if (chProt && dfexml::Texto(chProt) != chave)
      Recusar(std::string("O protocolo do documento recebido é de outra chave ("_cp) + Citar(dfexml::Texto(chProt)) +
              ").");
  }

  const auto assinaturas = dfexml::Filhos(nfe, kNsDSig, "Signature");
  if (assinaturas.empty()) Recusar(std::string("O documento recebido não traz a assinatura do emitente."_cp));
  if (assinaturas.size() > 1)
    Recusar(std::string("O documento recebido traz "_cp) + std::to_string(assinaturas.size()) +
            std::string(" assinaturas em NFe; só uma é possível."_cp));
  dfexml::No* assinatura = assinaturas[0];
  const auto referencias = dfexml::Filhos(dfexml::Filho(assinatura, kNsDSig, "SignedInfo"), kNsDSig, "Reference");
  if (referencias.size() != 1)
    Recusar(std::string("A assinatura do documento recebido tem "_cp) + std::to_string(referencias.size()) +
            std::string(" referências; deve ter uma, a infNFe."_cp));
  const std::string uri = dfexml::Atributo(referencias[0], "URI").value_or("");
  if (uri != "#" + id)
    Recusar(std::string("A assinatura do documento recebido não se refere à infNFe (Reference URI=\""_cp) + Citar(uri) +
            "\").");

  const std::optional<std::string> der = dfexml::DecodificarBase64(
      dfexml::Texto(dfexml::Buscar(dfexml::Filho(assinatura, kNsDSig, "KeyInfo"), kNsDSig, "X509Certificate")));
  if (!der || der->empty())
    Recusar(std::string("A assinatura do documento recebido não traz o certificado do emitente (X509Certificate)."_cp));

  dfexml::IniciarXmlSec();
  xmlSecKeyPtr chavePublica = xmlSecCryptoAppKeyLoadMemory(reinterpret_cast<const xmlSecByte*>(der->data()),
                                                           static_cast<xmlSecSize>(der->size()),
                                                           xmlSecKeyDataFormatCertDer, nullptr, nullptr, nullptr);
  if (!chavePublica) Recusar(std::string("O certificado do emitente no documento recebido é ilegível."_cp));

  // Only this infNFe answers to its Id: another element copying the Id is never the one digested.
  xmlAttrPtr atributoId = xmlHasProp(inf, reinterpret_cast<const xmlChar*>("Id"));
  if (!xmlAddID(nullptr, doc.get(), reinterpret_cast<const xmlChar*>(id.c_str()), atributoId)) {
    xmlSecKeyDestroy(chavePublica);
    Recusar(std::string("O Id da infNFe do documento recebido está repetido."_cp));
  }

  std::unique_ptr<xmlSecDSigCtx, decltype(&xmlSecDSigCtxDestroy)> ctx(xmlSecDSigCtxCreate(nullptr),
                                                                      xmlSecDSigCtxDestroy);
  if (!ctx) {
    xmlSecKeyDestroy(chavePublica);
    throw std::bad_alloc();
  }
  ctx->signKey = chavePublica;  // owned by the context from here on
  RestringirAlgoritmos(*ctx);

  if (xmlSecDSigCtxVerify(ctx.get(), assinatura) < 0)
    Recusar(
        std::string("A assinatura do documento recebido não pôde ser conferida: algoritmo, transformação ou "
                    "estrutura não aceitos."_cp));
  if (ctx->status == xmlSecDSigStatusSucceeded) return;

  auto* referencia = static_cast<xmlSecDSigReferenceCtxPtr>(xmlSecPtrListGetItem(&ctx->signedInfoReferences, 0));
  if (!referencia || referencia->status != xmlSecDSigStatusSucceeded)
    Recusar(
        std::string("O resumo (DigestValue) da assinatura não confere: a infNFe do documento recebido foi "
                    "alterada depois de assinada."_cp));
  Recusar(
      std::string("O valor da assinatura (SignatureValue) do documento recebido não confere com o certificado do "
                  "emitente."_cp));
}
