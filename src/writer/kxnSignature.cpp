#include "writer/kxnSignature.h"

#include <string>

namespace {

constexpr std::string_view kXmlDsig = "http://www.w3.org/2000/09/xmldsig#";
constexpr std::string_view kC14N = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
constexpr std::string_view kRsaSha1 = "http://www.w3.org/2000/09/xmldsig#rsa-sha1";
constexpr std::string_view kEnveloped = "http://www.w3.org/2000/09/xmldsig#enveloped-signature";
constexpr std::string_view kSha1 = "http://www.w3.org/2000/09/xmldsig#sha1";

std::string ComAtributo(std::string_view elemento, std::string_view atributo, std::string_view valor,
                        std::string_view fim = {}) {
  std::string s(elemento);
  s += ' ';
  s += atributo;
  s += "=\"";
  s += valor;
  s += '"';
  s += fim;
  return s;
}

}  // namespace

bool TSignatureW::MontarSignature(const TSignature& Signature) {
  TGerador& g = Gerador;
  // The result is about this signature only, and each signature starts at
  // the left margin, whatever the document around it.
  g.Reiniciar();
  g.Opcoes().TagVaziaNoFormatoResumido = false;
  // Steps the levels back so that the element comes out nested as a signature
  // usually is; the Transform prefix matches the canonicalisation transform only.
  g.Opcoes().TagsRecuarNivel =
      "|Reference URI|SignatureMethod|Transform Algorithm=\"http://www.w3.org/TR|/Transforms|/Reference|";

  g.EscreverGrupo(ComAtributo("Signature", "xmlns", kXmlDsig), "XS01", true);
  g.EscreverGrupo("SignedInfo", "XS02", true);
  g.EscreverGrupo(ComAtributo("CanonicalizationMethod", "Algorithm", kC14N, "/"), "XS03", true);
  g.EscreverGrupo(ComAtributo("SignatureMethod", "Algorithm", kRsaSha1, "/"), "XS05", true);
  g.EscreverGrupo(ComAtributo("Reference", "URI", "#NFe" + g.PrepararTexto(Signature.URI)), "XS07", true);
  g.EscreverGrupo("Transforms", "XS10", true);
  g.EscreverGrupo(ComAtributo("Transform", "Algorithm", kEnveloped, "/"), "SX12", true);
  g.EscreverGrupo(ComAtributo("Transform", "Algorithm", kC14N, "/"), "SX12", true);
  g.EscreverGrupo("/Transforms", "", true);
  g.EscreverGrupo(ComAtributo("DigestMethod", "Algorithm", kSha1, "/"), "XS15", true);
  g.EscreverCampo(fcTexto, "XS17", "DigestValue", 0, 999, 1, Signature.DigestValue, "Digest Value");
  g.EscreverGrupo("/Reference", "", true);
  g.EscreverGrupo("/SignedInfo", "", true);
  g.EscreverCampo(fcTexto, "XS18", "SignatureValue", 0, 999, 1, Signature.SignatureValue, "Signature Value");
  g.EscreverGrupo("KeyInfo", "XS19", true);
  g.EscreverGrupo("X509Data", "XS20", true);
  g.EscreverCampo(fcTexto, "XS21", "X509Certificate", 0, 999, 1, Signature.X509Certificate, "X509 Certificate");
  g.EscreverGrupo("/X509Data", "", true);
  g.EscreverGrupo("/KeyInfo", "", true);
  g.EscreverGrupo("/Signature", "", true);
  return g.Alertas().empty();
}
