#include "dfe/Assinatura.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dfe/Desfecho.h"
#include "dfe/Mensagens.h"
#include "util/Win1252.h"

namespace fs = std::filesystem;

namespace {

const std::string kDados = SALVEXA_SOURCE_DIR "/tests/dfe/dados/";

std::string Ler(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  EXPECT_TRUE(f) << caminho;
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string ChaveDoId(const std::string& xml) {
  const std::size_t p = xml.find("Id=\"NFe");
  return p == std::string::npos ? "" : xml.substr(p + 7, 44);
}

// The message of a check that must fail (empty and a test failure when it passes).
std::string Motivo(const std::string& xml, const std::string& chave) {
  try {
    ConferirOriginal(xml, chave);
  } catch (const ErroDFe& e) {
    EXPECT_EQ(e.desfecho(), Desfecho::DocumentoInvalido);
    return e.what();
  }
  ADD_FAILURE() << "documento aceito";
  return "";
}

// The text between the first `de` at or after `desde` and the end of the first `ate` after it, inclusive.
std::pair<std::size_t, std::size_t> Trecho(const std::string& s, const std::string& de, const std::string& ate,
                                           std::size_t desde = 0) {
  const std::size_t i = s.find(de, desde);
  const std::size_t f = s.find(ate, i);
  EXPECT_NE(i, std::string::npos) << de;
  EXPECT_NE(f, std::string::npos) << ate;
  return {i, f + ate.size() - i};
}

// One character of a base64 element's value changed for another base64 character.
std::string TrocarBase64(std::string xml, const std::string& elemento) {
  const std::size_t i = xml.find("<" + elemento + ">") + elemento.size() + 2 + 10;
  xml[i] = xml[i] == 'A' ? 'B' : 'A';
  return xml;
}

std::vector<fs::path> Assinadas() {
  std::vector<fs::path> arquivos;
  for (const auto& e : fs::directory_iterator(kDados + "assinadas")) arquivos.push_back(e.path());
  std::sort(arquivos.begin(), arquivos.end());
  return arquivos;
}

// Real NF-e documents as their issuers signed them.
TEST(Assinatura, DocumentosReaisVerificam) {
  const auto arquivos = Assinadas();
  ASSERT_EQ(arquivos.size(), 7u);
  for (const auto& arquivo : arquivos) {
    const std::string xml = Ler(arquivo);
    EXPECT_NO_THROW(ConferirOriginal(xml, ChaveDoId(xml))) << arquivo.filename();
  }
}

// The original the service sent in a real reply, decompressed and checked.
TEST(Assinatura, OriginalDeRespostaRealVerifica) {
  const RespostaDistribuicao r =
      LerRespostaDistribuicao(Ler(kDados + "retDistDFeInt_138_consChNFe_procNFe310_soap12.xml"));
  ASSERT_EQ(r.documentos.size(), 1u);
  EXPECT_NO_THROW(ConferirOriginal(r.documentos[0].xml, "35180174283375000142550010000234761182919182"));
}

// A real document edited after signing (a public sample with changed values).
TEST(Assinatura, DocumentoRealEditadoRecusado) {
  const std::string xml = Ler(kDados + "alterada_brdanfe_nfe_with_extra_volumes.xml");
  EXPECT_NE(Motivo(xml, ChaveDoId(xml)).find("DigestValue"), std::string::npos);
}

struct Adulteracao {
  const char* nome;
  std::function<std::string(const std::string& xml, const std::string& chave)> fazer;
  const char* motivo;  // part of the message
  bool outraChave = false;
};

const std::string kOutraChave = "35131060891033000109550010000445251634720999";

const Adulteracao kAdulteracoes[] = {
    {"valor alterado", [](std::string xml, const std::string&) { return xml.insert(xml.find("<xNome>") + 7, "X"); },
     "DigestValue"},
    {"resumo alterado", [](const std::string& xml, const std::string&) { return TrocarBase64(xml, "DigestValue"); },
     "DigestValue"},
    {"valor da assinatura alterado",
     [](const std::string& xml, const std::string&) { return TrocarBase64(xml, "SignatureValue"); }, "SignatureValue"},
    {"chave pedida diferente", [](const std::string& xml, const std::string&) { return xml; }, "difere", true},
    {"Id de outra nota",
     [](std::string xml, const std::string& chave) {
       for (std::size_t p; (p = xml.find("NFe" + chave)) != std::string::npos;) xml.replace(p + 3, 44, kOutraChave);
       return xml;
     },
     "difere"},
    {"assinatura removida",
     [](std::string xml, const std::string&) {
       const auto [i, n] = Trecho(xml, "<Signature", "</Signature>");
       return xml.erase(i, n);
     },
     "não traz a assinatura"},
    {"segunda assinatura",
     [](std::string xml, const std::string&) {
       const auto [i, n] = Trecho(xml, "<Signature", "</Signature>");
       return xml.insert(i, xml.substr(i, n));
     },
     "2 assinaturas"},
    {"referência a outro elemento",
     [](std::string xml, const std::string& chave) {
       const std::size_t p = xml.find("URI=\"#NFe" + chave);
       return xml.replace(p, 6, "URI=\"#X");
     },
     "Reference URI=\"#XNFe"},
    {"transformação XSLT",
     [](std::string xml, const std::string&) {
       return xml.insert(xml.find("<Transform "),
                         "<Transform Algorithm=\"http://www.w3.org/TR/1999/REC-xslt-19991116\"><xsl:stylesheet "
                         "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" version=\"1.0\"/></Transform>");
     },
     "não aceitos"},
    {"Id repetido por xml:id",
     [](std::string xml, const std::string& chave) {
       return xml.insert(xml.find("</Signature>"), "<Object xml:id=\"NFe" + chave + "\"/>");
     },
     "repetido"},
    {"certificado removido",
     [](std::string xml, const std::string&) {
       const auto [i, n] = Trecho(xml, "<X509Certificate>", "</X509Certificate>");
       return xml.replace(i, n, "<X509Certificate></X509Certificate>");
     },
     "X509Certificate"},
    // The signed infNFe moved into the signature, a forged one in its place.
    {"segundo infNFe (envelopamento)",
     [](std::string xml, const std::string&) {
       const auto [i, n] = Trecho(xml, "<infNFe", "</infNFe>");
       const std::string original = xml.substr(i, n);
       std::string forjado = original;
       forjado.insert(forjado.find("<xNome>") + 7, "X");
       xml.replace(i, n, forjado);
       const std::size_t fim = xml.find("</Signature>");
       return xml.insert(fim, "<Object>" + original + "</Object>");
     },
     "2 elementos infNFe"},
    {"DOCTYPE",
     [](std::string xml, const std::string&) {
       const std::size_t decl = xml.find("?>");
       return xml.insert(decl == std::string::npos ? 0 : decl + 2, "<!DOCTYPE NFe>");
     },
     "XML"},
    {"não é NF-e",
     [](const std::string&, const std::string&) {
       return std::string("<resNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>");
     },
     "resNFe"},
};

// Every real document, tampered each way, refused with the reason.
TEST(Assinatura, AdulteracoesRecusadasComOMotivo) {
  for (const auto& arquivo : Assinadas()) {
    const std::string xml = Ler(arquivo);
    const std::string chave = ChaveDoId(xml);
    for (const auto& a : kAdulteracoes) {
      const std::string motivo = Motivo(a.fazer(xml, chave), a.outraChave ? kOutraChave : chave);
      EXPECT_NE(motivo.find(win1252::DeUtf8(a.motivo)), std::string::npos)
          << arquivo.filename() << ", " << a.nome << ": " << motivo;
    }
  }
}

int Executar(const std::string& comando) {
  const int r = std::system(("(" + comando + ") >/dev/null 2>&1").c_str());
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

// Signatures made here by the xmlsec1 command with a test key: both algorithms
// accepted; the document's own certificate is what the value is checked with.
TEST(Assinatura, AssinadaPeloComandoXmlsec1) {
  const fs::path dir = fs::path(testing::TempDir()) / ("salvexa-assinatura-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string d = dir.string();
  ASSERT_EQ(Executar("cd '" + d +
                     "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout a.key -out a.pem -days 2 -subj /CN=A"
                     " && openssl req -x509 -newkey rsa:2048 -nodes -keyout b.key -out b.pem -days 2 -subj /CN=B"),
            0);
  std::string base = Ler(kDados + "assinadas/nfephp_35101158716523000119550010000000011003000000-nfeSigned.xml");
  const std::string chave = ChaveDoId(base);
  const auto [i, n] = Trecho(base, "<Signature", "</Signature>");
  for (const char* algoritmo : {"rsa-sha1", "rsa-sha256"}) {
    const std::string resumo = std::string(algoritmo) == "rsa-sha1" ? "http://www.w3.org/2000/09/xmldsig#sha1"
                                                                    : "http://www.w3.org/2001/04/xmlenc#sha256";
    const std::string metodo = std::string(algoritmo) == "rsa-sha1"
                                   ? "http://www.w3.org/2000/09/xmldsig#rsa-sha1"
                                   : "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256";
    std::string modelo = base;
    modelo.replace(i, n,
                   "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo><CanonicalizationMethod "
                   "Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/><SignatureMethod Algorithm=\"" +
                       metodo + "\"/><Reference URI=\"#NFe" + chave +
                       "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
                       "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
                       "<DigestMethod Algorithm=\"" +
                       resumo +
                       "\"/><DigestValue/></Reference></SignedInfo><SignatureValue/><KeyInfo><X509Data/></KeyInfo>"
                       "</Signature>");
    std::ofstream(dir / "modelo.xml", std::ios::binary) << modelo;
    ASSERT_EQ(Executar("cd '" + d +
                       "' && xmlsec1 --sign --privkey-pem a.key,a.pem --id-attr:Id infNFe --output assinado.xml "
                       "modelo.xml"),
              0)
        << algoritmo;
    const std::string assinado = Ler(dir / "assinado.xml");
    EXPECT_NO_THROW(ConferirOriginal(assinado, chave)) << algoritmo;

    // Signed by A, carrying B's certificate: the value does not verify.
    std::string b = Ler(dir / "b.pem");
    b = b.substr(b.find('\n') + 1);
    b = b.substr(0, b.find("-----END"));
    std::string trocado = assinado;
    const auto [c, m] = Trecho(trocado, "<X509Certificate>", "</X509Certificate>");
    trocado.replace(c, m, "<X509Certificate>" + b + "</X509Certificate>");
    EXPECT_NE(Motivo(trocado, chave).find("SignatureValue"), std::string::npos) << algoritmo;
  }
  fs::remove_all(dir);
}

TEST(Assinatura, ProtocoloDeOutraChaveRecusado) {
  std::string xml = Ler(kDados + "assinadas/uninfe_35111253420477000192550550000033071213028272-procNFe.xml");
  const std::string chave = ChaveDoId(xml);
  const std::size_t p = xml.find("<chNFe>" + chave);
  xml.replace(p + 7, 44, kOutraChave);
  EXPECT_NE(Motivo(xml, chave).find(kOutraChave), std::string::npos);
}

}  // namespace
