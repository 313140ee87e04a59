// Converted pages checked against the published NF-e 2.00 schema with
// xmllint: the saved NFe part is valid, or the writer's alerts name every
// element that keeps it from being valid. The schemas are kept in the
// repository (data/xsd/PL_006); a missing schema fails the test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "apoio/PaginaSintetica.h"
#include "converter/PaginaSalva.h"
#include "apoio/PaginaTeste.h"
#include "converter/ZoltHTMLtoXML.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDiretorioXsd = fs::path(SALVEXA_SOURCE_DIR) / "data" / "xsd" / "PL_006";

// The page never shows the issuer's signature, so the saved NFe has none; a
// placeholder takes its place for the check of everything else.
constexpr std::string_view kAssinatura =
    R"(<Signature xmlns="http://www.w3.org/2000/09/xmldsig#"><SignedInfo>)"
    R"(<CanonicalizationMethod Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/>)"
    R"(<SignatureMethod Algorithm="http://www.w3.org/2000/09/xmldsig#rsa-sha1"/><Reference URI="#NFe1"><Transforms>)"
    R"(<Transform Algorithm="http://www.w3.org/2000/09/xmldsig#enveloped-signature"/>)"
    R"(<Transform Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/></Transforms>)"
    R"(<DigestMethod Algorithm="http://www.w3.org/2000/09/xmldsig#sha1"/><DigestValue>AAAA</DigestValue></Reference>)"
    R"(</SignedInfo><SignatureValue>AAAA</SignatureValue><KeyInfo><X509Data><X509Certificate>AAAA</X509Certificate>)"
    R"(</X509Data></KeyInfo></Signature>)";

std::string LerArquivo(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// The elements xmllint reports as invalid ("element X: Schemas validity error").
std::set<std::string> ElementosInvalidos(const fs::path& arquivo, std::string& mensagens) {
  const std::string comando =
      "xmllint --noout --schema '" + (kDiretorioXsd / "nfe_v2.00.xsd").string() + "' '" + arquivo.string() + "' 2>&1";
  FILE* saida = popen(comando.c_str(), "r");
  if (!saida) return {"(xmllint did not run)"};
  char bloco[4096];
  for (std::size_t n; (n = std::fread(bloco, 1, sizeof bloco, saida)) > 0;) mensagens.append(bloco, n);
  const int status = pclose(saida);
  std::set<std::string> elementos;
  for (std::size_t p = mensagens.find(": element "); p != std::string::npos; p = mensagens.find(": element ", p + 1)) {
    const std::size_t inicio = p + 10;
    elementos.insert(mensagens.substr(inicio, mensagens.find(':', inicio) - inicio));
  }
  if (status != 0 && elementos.empty()) elementos.insert("(document)");
  return elementos;
}

struct CasoPagina {
  const char* nome;
  std::string (*pagina)();
};

void PrintTo(const CasoPagina& caso, std::ostream* saida) { *saida << caso.nome; }

class SchemaPagina : public testing::TestWithParam<CasoPagina> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kDiretorioXsd / "nfe_v2.00.xsd")) << "NF-e 2.00 schema missing: " << kDiretorioXsd;
    ASSERT_EQ(std::system("xmllint --version >/dev/null 2>&1"), 0) << "xmllint (libxml2-utils) is needed";
  }
};

TEST_P(SchemaPagina, SavedNFeIsValidOrItsAlertsNameEveryFault) {
  const CasoPagina& caso = GetParam();
  const fs::path dir =
      fs::temp_directory_path() / ("salvexa-schema-pagina-" + std::to_string(getpid()) + "-" + caso.nome);
  fs::remove_all(dir);
  fs::create_directories(dir);
  const TResultadoConversao r = ConverterPaginaNFe(caso.pagina(), dir.string());
  ASSERT_TRUE(r.Encontrada);

  std::string xml = LerArquivo(r.Caminho);
  const std::size_t inicio = xml.find("<NFe ");
  const std::size_t fim = xml.find("</NFe>");
  ASSERT_TRUE(inicio != std::string::npos && fim != std::string::npos) << xml.substr(0, 200);
  const fs::path nfe = dir / "NFe.xml";
  std::ofstream(nfe, std::ios::binary) << R"(<?xml version="1.0" encoding="UTF-8"?>)"
                                       << xml.substr(inicio, fim - inicio) << kAssinatura << "</NFe>";
  std::string mensagens;
  for (const std::string& elemento : ElementosInvalidos(nfe, mensagens)) {
    bool nomeado = false;
    for (const std::string& alerta : r.Alertas)
      nomeado = nomeado || alerta.find("/" + elemento + "(") != std::string::npos;
    EXPECT_TRUE(nomeado) << elemento << " is invalid and no alert names it:\n" << mensagens;
  }
  if (!HasFailure()) fs::remove_all(dir);
}

std::string Exemplo() {
  return PaginaTextoDeArquivo(LerArquivo(fs::path(SALVEXA_SOURCE_DIR) / "examples" / "consulta-completa.html"));
}

// Every item kind of the synthetic pages, twice over.
std::string Sintetica() { return pagina_sintetica::Pagina(2 * pagina_sintetica::kTiposDeItem); }

// The test pages' items: one with IPI and a vehicle.
std::string PaginaDeTeste() {
  using namespace pagina_teste;
  return PaginaCom(Item(1, "TECIDO", std::string(kICMS00) + std::string(kIPI)) +
                   Item(2, "GOL 1.0", std::string(kVeiculo) + std::string(kICMS00)));
}

INSTANTIATE_TEST_SUITE_P(Conversao, SchemaPagina,
                         testing::Values(CasoPagina{"Exemplo", Exemplo}, CasoPagina{"Sintetica", Sintetica},
                                         CasoPagina{"PaginaDeTeste", PaginaDeTeste}),
                         [](const testing::TestParamInfo<CasoPagina>& info) { return std::string(info.param.nome); });

}  // namespace
