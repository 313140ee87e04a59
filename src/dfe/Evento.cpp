#include "dfe/Evento.h"

#include <libxml/tree.h>
#include <libxml/valid.h>
#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>

#include <cstdio>
#include <memory>

#include "dfe/Certificado.h"
#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

using dfexml::kNsDSig;
using dfexml::kNsNFe;

constexpr const char* kC14N = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// The unsigned envEvento, the signature's template in place: empty DigestValue
// and SignatureValue for xmlsec to fill, the certificate already written.
std::string Modelo(Ambiente ambiente, const Certificado& cert, const std::string& chave, const std::string& dhEvento,
                   const std::string& idLote, const std::string& id) {
  const char* tag = cert.cpf ? "CPF" : "CNPJ";
  return std::string("<envEvento xmlns=\"") + kNsNFe + "\" versao=\"1.00\"><idLote>" + idLote +
         "</idLote><evento versao=\"1.00\"><infEvento Id=\"" + id + "\"><cOrgao>91</cOrgao><tpAmb>" +
         std::to_string(static_cast<int>(ambiente)) + "</tpAmb><" + tag + ">" + cert.documento + "</" + tag +
         "><chNFe>" + chave + "</chNFe><dhEvento>" + dhEvento +
         "</dhEvento><tpEvento>210210</tpEvento><nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento>"
         "<detEvento versao=\"1.00\"><descEvento>Ciencia da Operacao</descEvento></detEvento></infEvento>"
         "<Signature xmlns=\"" +
         kNsDSig + "\"><SignedInfo><CanonicalizationMethod Algorithm=\"" + kC14N +
         "\"/><SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#" + id +
         "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
         "<Transform Algorithm=\"" +
         kC14N +
         "\"/></Transforms><DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue/>"
         "</Reference></SignedInfo><SignatureValue/><KeyInfo><X509Data><X509Certificate>" +
         dfexml::CodificarBase64(cert.certificadoDer) +
         "</X509Certificate></X509Data></KeyInfo></Signature></evento></envEvento>";
}

[[noreturn]] void FalhaDaChave(std::string_view motivo) { throw ErroDFe(Desfecho::Certificado, std::string(motivo)); }

}  // namespace

std::string DataHoraBrasilia(std::chrono::system_clock::time_point instante) {
  using namespace std::chrono;
  const auto local = floor<seconds>(instante) - hours(3);
  const auto dia = floor<days>(local);
  const year_month_day data(dia);
  const hh_mm_ss hora(local - dia);
  char texto[32];
  std::snprintf(texto, sizeof texto, "%04d-%02u-%02uT%02d:%02d:%02d-03:00", static_cast<int>(data.year()),
                static_cast<unsigned>(data.month()), static_cast<unsigned>(data.day()),
                static_cast<int>(hora.hours().count()), static_cast<int>(hora.minutes().count()),
                static_cast<int>(hora.seconds().count()));
  return texto;
}

std::string MontarEnvEventoCiencia(Ambiente ambiente, const Certificado& certificado, const std::string& chave,
                                   std::chrono::system_clock::time_point agora, const std::string& idLote) {
  if (!dfexml::SoDigitos(chave, 44))
    throw ErroDFe(Desfecho::ChaveInvalida,
                  std::string("Chave de acesso inválida (não tem 44 dígitos): "_cp) + dfexml::ParaMensagem(chave));
  if (!dfexml::SoDigitos(certificado.documento, certificado.cpf ? 11 : 14))
    throw ErroDFe(Desfecho::Certificado, std::string(certificado.cpf ? "CPF inválido: "_cp : "CNPJ inválido: "_cp) +
                                             dfexml::ParaMensagem(certificado.documento));
  if (idLote.empty() || idLote.size() > 15 || !dfexml::SoDigitos(idLote, idLote.size()))
    throw ErroDFe(Desfecho::EventoRejeitado,
                  std::string("Número de lote do evento inválido: "_cp) + dfexml::ParaMensagem(idLote));
  if (certificado.certificadoDer.empty()) FalhaDaChave("O certificado veio sem o seu conteúdo (DER)."_cp);

  const std::string id = "ID210210" + chave + "01";
  const dfexml::Documento doc =
      dfexml::LerXml(Modelo(ambiente, certificado, chave, DataHoraBrasilia(agora), idLote, id));
  dfexml::No* infEvento = dfexml::Buscar(dfexml::Raiz(doc), kNsNFe, "infEvento");
  dfexml::No* assinatura = dfexml::Buscar(dfexml::Raiz(doc), kNsDSig, "Signature");
  if (!infEvento || !assinatura) throw std::logic_error("modelo do evento");
  xmlAddID(nullptr, doc.get(), X(id.c_str()), xmlHasProp(infEvento, X("Id")));

  dfexml::IniciarXmlSec();
  xmlSecKeyPtr chavePrivada = xmlSecCryptoAppKeyLoadMemory(
      reinterpret_cast<const xmlSecByte*>(certificado.chavePem.data()),
      static_cast<xmlSecSize>(certificado.chavePem.size()), xmlSecKeyDataFormatPem, nullptr, nullptr, nullptr);
  if (!chavePrivada) FalhaDaChave("A chave privada do certificado é ilegível."_cp);
  std::unique_ptr<xmlSecDSigCtx, decltype(&xmlSecDSigCtxDestroy)> ctx(xmlSecDSigCtxCreate(nullptr),
                                                                      xmlSecDSigCtxDestroy);
  if (!ctx) {
    xmlSecKeyDestroy(chavePrivada);
    throw std::bad_alloc();
  }
  ctx->signKey = chavePrivada;  // owned by the context from here on
  ctx->enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
  if (xmlSecDSigCtxSign(ctx.get(), assinatura) < 0 || ctx->status != xmlSecDSigStatusSucceeded)
    FalhaDaChave("Não foi possível assinar o evento com a chave privada do certificado."_cp);

  // xmlsec breaks the base64 of SignatureValue into lines; the service wants no
  // blanks, and this value is outside what is signed.
  dfexml::No* valor = dfexml::Filho(assinatura, kNsDSig, "SignatureValue");
  std::string base64 = dfexml::Texto(valor);
  std::erase_if(base64, [](char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; });
  xmlNodeSetContent(valor, X(base64.c_str()));

  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> saida(xmlBufferCreate(), xmlBufferFree);
  if (!saida || xmlNodeDump(saida.get(), doc.get(), dfexml::Raiz(doc), 0, 0) < 0) throw std::bad_alloc();
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(saida.get())),
                     static_cast<std::size_t>(xmlBufferLength(saida.get())));
}

std::string MontarEventoCiencia(Ambiente ambiente, const Certificado& certificado, const std::string& chave,
                                std::chrono::system_clock::time_point agora, const std::string& idLote) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
         "<nfeDadosMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeRecepcaoEvento4\">" +
         MontarEnvEventoCiencia(ambiente, certificado, chave, agora, idLote) +
         "</nfeDadosMsg></soap12:Body></soap12:Envelope>";
}

RespostaEvento LerRespostaEvento(std::string_view soap) {
  const dfexml::Documento doc = dfexml::LerXml(soap);
  dfexml::No* ret = dfexml::ElementoDaResposta(doc, "retEnvEvento");
  RespostaEvento resposta;
  resposta.cStatLote = dfexml::CStat(ret);
  resposta.xMotivo = dfexml::ParaMensagem(dfexml::Texto(dfexml::Filho(ret, kNsNFe, "xMotivo")));
  if (dfexml::No* inf = dfexml::Filho(dfexml::Filho(ret, kNsNFe, "retEvento"), kNsNFe, "infEvento")) {
    resposta.cStat = dfexml::CStat(inf);
    resposta.xMotivo = dfexml::ParaMensagem(dfexml::Texto(dfexml::Filho(inf, kNsNFe, "xMotivo")));
  }
  return resposta;
}
