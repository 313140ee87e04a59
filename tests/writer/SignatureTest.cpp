#include <gtest/gtest.h>

#include "writer/kxnSignature.h"

namespace {

// Indentation level of each line (3 spaces per level).
std::vector<int> Niveis(const std::string& xml) {
  std::vector<int> niveis;
  std::size_t inicio = 0;
  for (std::size_t fim; (fim = xml.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2)
    niveis.push_back(static_cast<int>(xml.find_first_not_of(' ', inicio) - inicio) / 3);
  return niveis;
}

}  // namespace

TEST(Signature, EmptyValuesGiveACompleteOneLineElement) {
  TSignature s;
  s.URI = "35100511222333000181550010000001231123456780";
  TSignatureW w;
  EXPECT_TRUE(w.MontarSignature(s));
  EXPECT_EQ(w.Gerador.ArquivoFormatoXML(),
            "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
            "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
            "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
            "<Reference URI=\"#NFe35100511222333000181550010000001231123456780\"><Transforms>"
            "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
            "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
            "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue></DigestValue>"
            "</Reference></SignedInfo><SignatureValue></SignatureValue><KeyInfo><X509Data>"
            "<X509Certificate></X509Certificate></X509Data></KeyInfo></Signature>");
}

TEST(Signature, IndentedLevelsStartAtZeroForEveryDocument) {
  TSignature s;
  s.DigestValue = "ZGln";
  s.SignatureValue = "c2ln";
  s.X509Certificate = "MIIB\r\nAAAA";  // a certificate split over lines comes out as one line
  TSignatureW w;
  w.Gerador.Opcoes().IdentarXML = true;
  // Whatever the nesting of the document around it.
  w.Gerador.EscreverGrupo("a", "", true);
  w.Gerador.EscreverGrupo("b", "", true);
  ASSERT_EQ(w.Gerador.NivelAtual(), 2);
  for (int vez = 0; vez < 2; ++vez) {
    EXPECT_TRUE(w.MontarSignature(s));
    EXPECT_EQ(Niveis(w.Gerador.ArquivoFormatoXML()),
              (std::vector<int>{0, 1, 2, 2, 2, 3, 4, 4, 3, 3, 4, 2, 1, 1, 1, 2, 3, 2, 1, 0}));
  }
  EXPECT_NE(
      w.Gerador.ArquivoFormatoXML().find("      <X509Data>\r\n         <X509Certificate>MIIB AAAA</X509Certificate>"),
      std::string::npos)
      << w.Gerador.ArquivoFormatoXML();
}

TEST(Signature, OverlongValueAlertsInItsOwnWriter) {
  TSignature s;
  s.SignatureValue = std::string(1000, 'A');
  TSignatureW w;
  EXPECT_FALSE(w.MontarSignature(s));
  ASSERT_EQ(w.Gerador.ListaDeAlertas().size(), 1u);
  EXPECT_NE(w.Gerador.ListaDeAlertas()[0].find("ID:XS18/SignatureValue(Signature Value)"), std::string::npos);
}
